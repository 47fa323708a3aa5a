// Reads and writes on POSIX descriptors that go on after an interruption and after a short count.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace brisklet {

// A descriptor that is closed when it goes out of scope, errno left as it was, unless it is
// released to an owner of its own.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor() { Reset(); }
    Descriptor(Descriptor&& other) noexcept : fd_(other.Release()) {}
    Descriptor& operator=(Descriptor&& other) noexcept {
        if (this != &other) {
            Reset();
            fd_ = other.Release();
        }
        return *this;
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    [[nodiscard]] int Get() const { return fd_; }
    [[nodiscard]] bool Valid() const { return fd_ >= 0; }
    [[nodiscard]] int Release() { return std::exchange(fd_, -1); }
    void Reset();

private:
    int fd_;
};

// The next bytes: their count, 0 at the end, -1 on failure (errno set).
[[nodiscard]] int64_t ReadSome(int fd, char* into, size_t capacity);
// All of bytes at the descriptor's position, or from offset when it is 0 or more; false on
// failure (errno set).
[[nodiscard]] bool WriteFully(int fd, std::string_view bytes, int64_t offset = -1);
// Up to count bytes from offset, fewer only at the end of the file; false on failure (errno set).
[[nodiscard]] bool ReadFullyAt(int fd, uint64_t offset, size_t count, std::string& into);

} // namespace brisklet
