// Taking a Tool Help snapshot of a process that may be loading modules at that moment.
#pragma once

#include <windows.h>
#include <tlhelp32.h>

namespace brisklet {

// A module snapshot fails with ERROR_BAD_LENGTH while the process is loading or unloading
// modules; asked again it succeeds. INVALID_HANDLE_VALUE when it keeps failing.
inline HANDLE TakeToolHelpSnapshot(DWORD flags, DWORD processId) {
    constexpr int Attempts = 8;
    HANDLE snapshot = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        snapshot = CreateToolhelp32Snapshot(flags, processId);
        if (snapshot != INVALID_HANDLE_VALUE || GetLastError() != ERROR_BAD_LENGTH)
            break;
    }
    return snapshot;
}

} // namespace brisklet
