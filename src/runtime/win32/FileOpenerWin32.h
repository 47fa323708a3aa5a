// Opening files for the preferences engine through Win32 calls, for Brisklet.exe and brisklet-clean.exe.
#pragma once

#include <windows.h>

#include <algorithm>

#include "runtime/FileOpener.h"

namespace brisklet {

// CreateFileW with OPEN_EXISTING and FILE_ATTRIBUTE_NORMAL: FileAccess::Read is GENERIC_READ,
// ReadWrite adds GENERIC_WRITE; FileShare::Read is FILE_SHARE_READ, ReadWrite adds
// FILE_SHARE_WRITE.
class FileOpenerWin32 final : public FileOpener {
public:
    [[nodiscard]] std::unique_ptr<OpenedFile> OpenExisting(std::u16string_view path, FileAccess access,
                                                          FileShare share) override;
};

// ReadFile and WriteFile move at most a DWORD's worth of bytes per call: how much of remaining
// one call takes.
[[nodiscard]] inline DWORD ChunkSize(size_t remaining) {
    return static_cast<DWORD>(std::min<size_t>(remaining, MAXDWORD));
}

} // namespace brisklet
