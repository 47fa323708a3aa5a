// Starts the tool as the test IDE's child and keeps the IDE answering until the child ends.
#include "ChildRun.h"

#include <tlhelp32.h>

#include <algorithm>

#include "Files.h"
#include "IdeWindow.h"
#include "runtime/win32/OwnedHandle.h"

namespace brisklet::e2e {

namespace {

constexpr DWORD BoxScanMs = 20;
constexpr DWORD IdeWaitStepMs = 10;

DWORD ParentOf(DWORD processId) {
    const KernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.Valid()) {
        return 0;
    }
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more; more = Process32NextW(snapshot.Get(), &entry)) {
        if (entry.th32ProcessID == processId) {
            return entry.th32ParentProcessID;
        }
    }
    return 0;
}

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[256] = {};
    return std::wstring(name, static_cast<size_t>(GetClassNameW(window, name, 256)));
}

struct BoxScan {
    DWORD ChildId = 0;
    std::vector<HWND>* Seen = nullptr;
    std::vector<MessageBoxSeen>* Boxes = nullptr;
};

// The message text is the longest Static child: the icon is a Static without text.
BOOL CALLBACK LongestStatic(HWND window, LPARAM lParam) {
    auto* longest = reinterpret_cast<std::wstring*>(lParam);
    if (ClassOf(window) == L"Static") {
        std::wstring text = WindowText(window);
        if (text.size() > longest->size()) {
            *longest = std::move(text);
        }
    }
    return TRUE;
}

// The icon is a Static of style SS_ICON that holds an icon; the buttons are Buttons.
BOOL CALLBACK IconAndButtons(HWND window, LPARAM lParam) {
    auto* box = reinterpret_cast<MessageBoxSeen*>(lParam);
    const std::wstring className = ClassOf(window);
    if (className == L"Static" && (GetWindowLongW(window, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        DWORD_PTR icon = 0;
        SendMessageTimeoutW(window, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 1000, &icon);
        box->Icon = box->Icon || icon != 0;
    } else if (className == L"Button" && IsWindowVisible(window)) {
        box->Buttons += (box->Buttons.empty() ? L"" : L",") + WindowText(window);
    }
    return TRUE;
}

std::string OwnerName(HWND owner, DWORD childId) {
    if (owner == nullptr) {
        return "none";
    }
    DWORD process = 0;
    GetWindowThreadProcessId(owner, &process);
    return process == childId ? "tool" : process == GetCurrentProcessId() ? "ide" : "other";
}

BOOL CALLBACK CloseChildBox(HWND window, LPARAM lParam) {
    auto* scan = reinterpret_cast<BoxScan*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    // A box still being built is not visible yet; its texts may be missing until then.
    if (owner != scan->ChildId || !IsWindowVisible(window) || ClassOf(window) != L"#32770" ||
        std::find(scan->Seen->begin(), scan->Seen->end(), window) != scan->Seen->end()) {
        return TRUE;
    }
    scan->Seen->push_back(window);
    MessageBoxSeen box{WindowText(window), {}, false, {}, OwnerName(GetWindow(window, GW_OWNER), scan->ChildId)};
    EnumChildWindows(window, LongestStatic, reinterpret_cast<LPARAM>(&box.Text));
    EnumChildWindows(window, IconAndButtons, reinterpret_cast<LPARAM>(&box));
    scan->Boxes->push_back(std::move(box));
    PostMessageW(window, WM_COMMAND, IDOK, 0);
    return TRUE;
}

LARGE_INTEGER Now() {
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return now;
}

int64_t MillisecondsSince(const LARGE_INTEGER& start) {
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    return (Now().QuadPart - start.QuadPart) * 1000 / frequency.QuadPart;
}

} // namespace

ChildOutcome RunChild(const std::wstring& commandLine, const std::wstring& workingDirectory, DWORD timeoutMs,
                      Waiting waiting, const BeforeResume& beforeResume) {
    ChildOutcome outcome;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    std::wstring line = commandLine; // CreateProcessW may write into it
    // Suspended, so that the parent link can be checked before the child can end.
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                        workingDirectory.empty() ? nullptr : workingDirectory.c_str(), &startup, &started)) {
        outcome.StartError = GetLastError();
        return outcome;
    }
    const KernelHandle process(started.hProcess);
    const KernelHandle thread(started.hThread);
    const bool parentIsIde = ParentOf(started.dwProcessId) == GetCurrentProcessId();
    if (beforeResume) {
        beforeResume(process.Get(), parentIsIde);
    }
    ResumeThread(thread.Get());
    outcome = WatchChild(process.Get(), timeoutMs, waiting);
    outcome.ParentIsIde = parentIsIde;
    return outcome;
}

ChildOutcome WatchChild(HANDLE process, DWORD timeoutMs, Waiting waiting) {
    ChildOutcome outcome;
    const LARGE_INTEGER watched = Now();
    std::vector<HWND> seen;
    BoxScan scan{GetProcessId(process), &seen, &outcome.Boxes};
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    ULONGLONG nextScan = 0;
    HANDLE waitFor = process;
    for (;;) {
        // Waiting in steps, a message sent meanwhile waits for the step's end.
        const DWORD woken = waiting == Waiting::InSteps
                                ? WaitForSingleObject(waitFor, IdeWaitStepMs)
                                : MsgWaitForMultipleObjects(1, &waitFor, FALSE, BoxScanMs, QS_ALLINPUT);
        const int64_t before = CountsSoFar().Scintilla;
        PumpMessages();
        outcome.BusySteps += waiting == Waiting::InSteps && CountsSoFar().Scintilla != before ? 1 : 0;
        const ULONGLONG now = GetTickCount64();
        if (woken == WAIT_OBJECT_0) {
            outcome.WallMs = MillisecondsSince(watched);
            break;
        }
        if (now >= nextScan) {
            EnumWindows(CloseChildBox, reinterpret_cast<LPARAM>(&scan));
            nextScan = now + BoxScanMs;
        }
        if (now >= deadline) {
            TerminateProcess(process, 1);
            WaitForSingleObject(process, 5000);
            outcome.End = ChildEnd::TimedOut;
            return outcome;
        }
    }
    GetExitCodeProcess(process, &outcome.ExitCode);
    outcome.End = ChildEnd::Exited;
    return outcome;
}

std::string ExitText(const ChildOutcome& child) {
    switch (child.End) {
    case ChildEnd::Exited: return std::to_string(child.ExitCode);
    case ChildEnd::TimedOut: return "timeout";
    case ChildEnd::StartFailed: return "start-failed";
    }
    return {};
}

std::string BoxResultLines(const std::vector<MessageBoxSeen>& boxes) {
    std::string lines = "boxes=" + std::to_string(boxes.size()) + "\n";
    for (size_t i = 0; i < boxes.size(); ++i) {
        const std::string prefix = "box" + std::to_string(i + 1);
        lines += prefix + ".caption=" + EscapedLine(Utf8FromWide(boxes[i].Caption)) + "\n";
        lines += prefix + ".text=" + EscapedLine(Utf8FromWide(boxes[i].Text)) + "\n";
        lines += prefix + ".icon=" + std::to_string(boxes[i].Icon ? 1 : 0) + "\n";
        lines += prefix + ".buttons=" + Utf8FromWide(boxes[i].Buttons) + "\n";
        lines += prefix + ".owner=" + boxes[i].Owner + "\n";
    }
    return lines;
}

} // namespace brisklet::e2e
