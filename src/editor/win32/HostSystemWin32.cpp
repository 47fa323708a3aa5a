// The host IDE's process and windows as Windows shows them: Tool Help snapshots and window enumeration.
#include "editor/win32/HostSystemWin32.h"

#include <windows.h>
#include <tlhelp32.h>

#include "editor/win32/ScintillaWindowPort.h"
#include "runtime/win32/OwnedHandle.h"
#include "runtime/win32/ToolHelpSnapshot.h"
#include "runtime/win32/WideText.h"

namespace brisklet {

namespace {

constexpr int ClassNameLength = 1024;

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
    const KernelHandle snapshot(TakeToolHelpSnapshot(TH32CS_SNAPPROCESS, 0));
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
    const std::optional<MODULEENTRY32W> module = ExecutableModule(processId);
    return module ? std::u16string(FromWide(module->szModule)) : std::u16string();
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
