// Starts the tool as the test IDE's child and keeps the IDE answering until the child ends.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <windows.h>

namespace brisklet::e2e {

struct MessageBoxSeen {
    std::wstring Caption;
    std::wstring Text;
    bool Icon = false;    // an icon control with an icon in it
    std::wstring Buttons; // the buttons' texts, comma-separated
};

enum class ChildEnd { Exited, TimedOut, StartFailed };

struct ChildOutcome {
    ChildEnd End = ChildEnd::StartFailed;
    DWORD ExitCode = 0;      // for Exited
    DWORD StartError = 0;    // for StartFailed: GetLastError of CreateProcessW
    bool ParentIsIde = false; // the child's parent process, as a snapshot shows it, is this process
    int64_t WallMs = 0;       // for Exited: from the child's resume to the end of the wait that saw it exit
    std::vector<MessageBoxSeen> Boxes; // in the order they appeared, each closed with OK
};

// Messages keep being handled while the child runs; a child still running after the time
// limit is terminated.
[[nodiscard]] ChildOutcome RunChild(const std::wstring& commandLine, const std::wstring& workingDirectory,
                                    DWORD timeoutMs);

} // namespace brisklet::e2e
