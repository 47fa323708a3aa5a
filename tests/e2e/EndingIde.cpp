// An IDE process that ends mid-run: the test IDE runs itself as that IDE and watches the tool it leaves.
#include "EndingIde.h"

#include <charconv>
#include <cstdint>
#include <optional>

#include "ChildRun.h"
#include "Files.h"
#include "runtime/win32/OwnedHandle.h"

namespace brisklet::e2e {

namespace {

constexpr wchar_t HandOverName[] = L"\\child-handle.txt";
// The IDE's own time beyond its child's limit: loading the document, writing its results.
constexpr DWORD IdeSlackMs = 20000;

struct HandOver {
    HANDLE Child = nullptr; // valid in the watcher
    bool ParentIsIde = false;
};

// "HANDLE PARENT-IS-IDE", both decimal.
std::optional<HandOver> ReadHandOver(const std::wstring& resultsFolder) {
    const std::optional<std::string> text = ReadFileBytes(resultsFolder + HandOverName);
    const size_t space = text ? text->find(' ') : std::string::npos;
    if (space == std::string::npos) {
        return std::nullopt;
    }
    uintptr_t value = 0;
    if (std::from_chars(text->data(), text->data() + space, value).ec != std::errc()) {
        return std::nullopt;
    }
    return HandOver{reinterpret_cast<HANDLE>(value), text->substr(space + 1) == "1"};
}

std::wstring OwnPath() {
    std::wstring path(MAX_PATH, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return path;
}

} // namespace

bool WatchEndingIde(const std::wstring& runFile, const Scenario& scenario, std::wstring& error) {
    std::wstring line = L"\"" + OwnPath() + L"\" \"" + runFile + L"\" --ide " + std::to_wstring(GetCurrentProcessId());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
        error = L"cannot start the IDE process";
        return false;
    }
    const KernelHandle ide(started.hProcess);
    const KernelHandle ideThread(started.hThread);
    if (WaitForSingleObject(ide.Get(), scenario.TimeoutMs + IdeSlackMs) != WAIT_OBJECT_0) {
        TerminateProcess(ide.Get(), 1);
        error = L"the IDE process did not end";
        return false;
    }
    if (ReadFileBytes(scenario.ResultsFolder + L"\\result.txt")) {
        return true;
    }
    const std::optional<HandOver> handOver = ReadHandOver(scenario.ResultsFolder);
    if (!handOver) {
        DWORD code = 0;
        GetExitCodeProcess(ide.Get(), &code);
        error = L"the IDE process ended (exit code " + std::to_wstring(code) + L") before it started the tool";
        return false;
    }
    const KernelHandle tool(handOver->Child);
    const ChildOutcome child = WatchChild(tool.Get(), scenario.TimeoutMs);
    std::string result = "exit=" + ExitText(child) + "\n";
    result += "child-parent-is-ide=" + std::to_string(handOver->ParentIsIde ? 1 : 0) + "\n";
    result += std::string("vanished=") + VanishName(Vanish::Process) + "\n";
    result += BoxResultLines(child.Boxes);
    if (!WriteFileBytes(scenario.ResultsFolder + L"\\result.txt", result)) {
        error = L"cannot write the results into " + scenario.ResultsFolder;
        return false;
    }
    return true;
}

void HandChildOver(DWORD watcherId, const std::wstring& resultsFolder, HANDLE child, bool parentIsIde) {
    const KernelHandle watcher(OpenProcess(PROCESS_DUP_HANDLE, FALSE, watcherId));
    HANDLE theirs = nullptr;
    // Without the file the watcher reports that no tool was handed over.
    if (watcher.Valid() &&
        DuplicateHandle(GetCurrentProcess(), child, watcher.Get(), &theirs, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
        const std::string text = std::to_string(reinterpret_cast<uintptr_t>(theirs)) + " " + (parentIsIde ? "1" : "0");
        static_cast<void>(WriteFileBytes(resultsFolder + HandOverName, text));
    }
}

} // namespace brisklet::e2e
