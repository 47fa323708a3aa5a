// The host IDE's process and windows as Windows shows them: Tool Help snapshots and window enumeration.
#include "editor/win32/HostSystemWin32.h"

#include <windows.h>
#include <tlhelp32.h>

#include "editor/win32/ScintillaWindowPort.h"
#include "editor/win32/WideText.h"
#include "runtime/win32/ToolHelpSnapshot.h"

namespace brisklet {

namespace {

constexpr int ClassNameLength = 1024;

// A Tool Help snapshot, closed whatever path the query takes.
class Snapshot {
public:
    Snapshot(DWORD flags, DWORD processId) : handle_(TakeToolHelpSnapshot(flags, processId)) {}
    ~Snapshot() {
        if (Valid())
            CloseHandle(handle_);
    }
    Snapshot(const Snapshot&) = delete;
    Snapshot& operator=(const Snapshot&) = delete;
    [[nodiscard]] bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    [[nodiscard]] HANDLE Get() const { return handle_; }

private:
    HANDLE handle_;
};

WindowInfo Describe(HWND window) {
    WindowInfo info;
    info.Handle = reinterpret_cast<WindowHandle>(window);
    info.Style = static_cast<uint32_t>(GetWindowLongW(window, GWL_STYLE));
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    info.ProcessId = processId;
    wchar_t className[ClassNameLength] = {};
    GetClassNameW(window, className, ClassNameLength);
    info.ClassName = FromWide(className);
    return info;
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<WindowInfo>*>(list)->push_back(Describe(window));
    return TRUE;
}

} // namespace

uint32_t HostSystemWin32::ParentProcessId() {
    const Snapshot snapshot(TH32CS_SNAPPROCESS, 0);
    if (!snapshot.Valid())
        return 0;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    const DWORD self = GetCurrentProcessId();
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more; more = Process32NextW(snapshot.Get(), &entry)) {
        if (entry.th32ProcessID == self)
            return entry.th32ParentProcessID;
    }
    return 0;
}

std::u16string HostSystemWin32::ProcessExecutableName(uint32_t processId) {
    const Snapshot snapshot(TH32CS_SNAPMODULE | TH32CS_SNAPMODULE32, processId);
    MODULEENTRY32W module{};
    module.dwSize = sizeof module;
    if (!snapshot.Valid() || !Module32FirstW(snapshot.Get(), &module))
        return {};
    return std::u16string(FromWide(module.szModule));
}

std::vector<WindowInfo> HostSystemWin32::TopLevelWindows() {
    std::vector<WindowInfo> windows;
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

std::vector<WindowInfo> HostSystemWin32::DescendantWindows(WindowHandle parent) {
    std::vector<WindowInfo> windows;
    EnumChildWindows(reinterpret_cast<HWND>(parent), CollectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

std::unique_ptr<EditorPort> HostSystemWin32::OpenEditor(WindowHandle editor, uint32_t processId) {
    return std::make_unique<ScintillaWindowPort>(reinterpret_cast<HWND>(editor), processId);
}

} // namespace brisklet
