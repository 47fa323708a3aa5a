// Reads and writes on POSIX descriptors that go on after an interruption and after a short count.
#include "runtime/posix/PosixIo.h"

#include <unistd.h>

#include <cerrno>

namespace brisklet {

int64_t ReadSome(int fd, char* into, size_t capacity) {
    for (;;) {
        const ssize_t got = ::read(fd, into, capacity);
        if (got >= 0 || errno != EINTR)
            return got;
    }
}

bool WriteFully(int fd, std::string_view bytes, int64_t offset) {
    while (!bytes.empty()) {
        const ssize_t put = offset < 0 ? ::write(fd, bytes.data(), bytes.size())
                                       : ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset));
        if (put < 0 && errno == EINTR)
            continue;
        if (put < 0)
            return false;
        if (put == 0) {
            errno = EIO;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(put));
        if (offset >= 0)
            offset += put;
    }
    return true;
}

void Descriptor::Reset() {
    if (fd_ < 0)
        return;
    const int error = errno;
    ::close(fd_);
    errno = error;
    fd_ = -1;
}

bool ReadFullyAt(int fd, uint64_t offset, size_t count, std::string& into) {
    into.resize(count);
    size_t done = 0;
    while (done < count) {
        const ssize_t got = ::pread(fd, into.data() + done, count - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            break;
        done += static_cast<size_t>(got);
    }
    into.resize(done);
    return true;
}

} // namespace brisklet
