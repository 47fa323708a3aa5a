// Opening files for the preferences engine through POSIX calls, for brisklet-clean.
#pragma once

#include "runtime/FileOpener.h"

namespace brisklet {

// Paths are UTF-8 on these systems. Access and sharing have no meaning here: a file is only
// read. Anything but a regular file is refused, as CreateFileW refuses a directory, and a FIFO
// is never opened, which would wait for a writer.
class PosixFileOpener : public FileOpener {
public:
    std::unique_ptr<OpenedFile> OpenExisting(std::u16string_view path, FileAccess access, FileShare share) override;
};

} // namespace brisklet
