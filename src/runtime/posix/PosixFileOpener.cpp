// Opening files for the preferences engine through POSIX calls, for brisklet-clean.
#include "runtime/posix/PosixFileOpener.h"

#include "runtime/TextCodec.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "runtime/Strings.h"
#include "runtime/posix/PosixIo.h"

namespace brisklet {

namespace {

class PosixOpenedFile : public OpenedFile {
public:
    explicit PosixOpenedFile(int descriptor) : fd(descriptor) {}
    ~PosixOpenedFile() override { ::close(fd); }
    PosixOpenedFile(const PosixOpenedFile&) = delete;
    PosixOpenedFile& operator=(const PosixOpenedFile&) = delete;

    std::optional<int64_t> Size() override {
        struct stat status {};
        if (::fstat(fd, &status) != 0)
            return std::nullopt;
        return static_cast<int64_t>(status.st_size);
    }

    std::optional<std::string> Read(int64_t offset, int64_t count) override {
        std::string bytes;
        if (offset < 0 || count < 0 ||
            !ReadFullyAt(fd, static_cast<uint64_t>(offset), static_cast<size_t>(count), bytes))
            return std::nullopt;
        return bytes;
    }

private:
    int fd;
};

} // namespace

std::unique_ptr<OpenedFile> PosixFileOpener::OpenExisting(std::u16string_view path, FileAccess, FileShare) {
    // Names are bytes here: one that is not UTF-8 came in with its stray bytes carried as lone
    // surrogates, which go back to those bytes.
    const std::string local = EncodeDocument(path, ByteEncoding::Utf8).value_or(std::string());
    struct stat named {};
    if (::stat(local.c_str(), &named) != 0 || !S_ISREG(named.st_mode))
        return nullptr;
    const int fd = ::open(local.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return nullptr;
    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<PosixOpenedFile>(fd);
}

} // namespace brisklet
