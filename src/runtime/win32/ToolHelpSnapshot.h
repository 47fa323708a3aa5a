// Tool Help snapshots of processes that may be loading modules at that moment.
#pragma once

#include <windows.h>
#include <tlhelp32.h>

#include <optional>

#include "runtime/win32/OwnedHandle.h"

namespace brisklet {

// A module snapshot fails with ERROR_BAD_LENGTH while the process is loading or unloading
// modules; asked again it succeeds. Invalid when it keeps failing.
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

// The first module of a process, which is its executable; nullopt when the modules cannot be
// listed, as for a process of the other bitness seen from a 32-bit one.
[[nodiscard]] inline std::optional<MODULEENTRY32W> ExecutableModule(DWORD processId) {
    const KernelHandle snapshot(TakeToolHelpSnapshot(TH32CS_SNAPMODULE | TH32CS_SNAPMODULE32, processId));
    MODULEENTRY32W module{};
    module.dwSize = sizeof module; // 1064 in a 32-bit process
    if (!snapshot.Valid() || !Module32FirstW(snapshot.Get(), &module))
        return std::nullopt;
    return module;
}

} // namespace brisklet
