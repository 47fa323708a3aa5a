// Opening files for the preferences engine through POSIX calls, for brisklet-clean.
#include "runtime/posix/PosixFileOpener.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "runtime/TextCodec.h"

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
        std::string bytes(static_cast<size_t>(count), '\0');
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t got = ::pread(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset) + static_cast<off_t>(done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                return std::nullopt;
            if (got == 0)
                break;
            done += static_cast<size_t>(got);
        }
        bytes.resize(done);
        return bytes;
    }

private:
    int fd;
};

} // namespace

std::unique_ptr<OpenedFile> PosixFileOpener::OpenExisting(std::u16string_view path, FileAccess, FileShare) {
    const std::string local = EncodeUtf8(path);
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
