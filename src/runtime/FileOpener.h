// Opening an existing file for reading, as the preferences engine needs it from the platform.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace brisklet {

// What the opener may do with the file: read it, or read and write it. Asking for writing as
// well is how a reader keeps others from writing the file while it reads; each platform's
// opener maps this to its own terms.
enum class FileAccess { Read, ReadWrite };

// What others may do with the file while it is open: read it, or read and write it.
enum class FileShare { Read, ReadWrite };

// A file held open; the realisation closes it when the object goes away.
class OpenedFile {
public:
    virtual ~OpenedFile() = default;

    // The size in bytes, or nullopt when it cannot be taken.
    [[nodiscard]] virtual std::optional<int64_t> Size() = 0;

    // Up to count bytes from offset (fewer at the end of the file), or nullopt on a failed read.
    [[nodiscard]] virtual std::optional<std::string> Read(int64_t offset, int64_t count) = 0;
};

class FileOpener {
public:
    virtual ~FileOpener() = default;

    // Opens a file that already exists, never creating one; null when that fails, also for a
    // directory.
    [[nodiscard]] virtual std::unique_ptr<OpenedFile> OpenExisting(std::u16string_view path, FileAccess access,
                                                                  FileShare share) = 0;
};

} // namespace brisklet
