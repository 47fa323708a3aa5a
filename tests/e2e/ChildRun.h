// Starts the tool as the test IDE's child and keeps the IDE answering until the child ends.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <windows.h>

namespace brisklet::e2e {

struct MessageBoxSeen {
    std::wstring Caption;
    std::wstring Text;
    bool Icon = false;    // an icon control with an icon in it
    std::wstring Buttons; // the buttons' texts, comma-separated
    std::string Owner;    // whose window owns the box: "none", "tool", "ide" (this process) or "other"
};

enum class ChildEnd { Exited, TimedOut, StartFailed };

struct ChildOutcome {
    ChildEnd End = ChildEnd::StartFailed;
    DWORD ExitCode = 0;      // for Exited
    DWORD StartError = 0;    // for StartFailed: GetLastError of CreateProcessW
    bool ParentIsIde = false; // the child's parent process, as a snapshot shows it, is this process
    int64_t WallMs = 0;       // for Exited: from the resume (the watch's start) to the end of the wait that saw it exit
    int64_t BusySteps = 0;    // waiting in steps: the breaks in which the visible editor got Scintilla messages
    std::vector<MessageBoxSeen> Boxes; // in the order they appeared, each closed with OK
};

// Called with the child's process while it is still suspended, and whether its parent is this process.
using BeforeResume = std::function<void(HANDLE process, bool parentIsIde)>;

// How the IDE waits for the child: answering every message as it comes, or, as the IDE does
// for a tool with "Wait until tool quits", waiting for the child's end in steps of 10 ms and
// handling the messages that came only between them.
enum class Waiting { Answering, InSteps };

// Messages keep being handled while the child runs; a child still running after the time
// limit is terminated.
[[nodiscard]] ChildOutcome RunChild(const std::wstring& commandLine, const std::wstring& workingDirectory,
                                    DWORD timeoutMs, Waiting waiting, const BeforeResume& beforeResume = {});

// The waiting half of RunChild, for a child that may have been started by another process:
// its boxes recorded and closed, the child ended after the time limit.
[[nodiscard]] ChildOutcome WatchChild(HANDLE process, DWORD timeoutMs, Waiting waiting = Waiting::Answering);

// The exit code, "timeout" or "start-failed", as result.txt writes it.
[[nodiscard]] std::string ExitText(const ChildOutcome& child);

// The result.txt lines of the boxes: "boxes=N", then each box's caption, text, icon and buttons.
[[nodiscard]] std::string BoxResultLines(const std::vector<MessageBoxSeen>& boxes);

} // namespace brisklet::e2e
