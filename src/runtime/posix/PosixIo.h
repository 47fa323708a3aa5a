// Reads and writes on POSIX descriptors that go on after an interruption and after a short count.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace brisklet {

// The next bytes: their count, 0 at the end, -1 on failure (errno set).
[[nodiscard]] int64_t ReadSome(int fd, char* into, size_t capacity);
// All of bytes at the descriptor's position, or from offset when it is 0 or more; false on
// failure (errno set).
[[nodiscard]] bool WriteFully(int fd, std::string_view bytes, int64_t offset = -1);
// Up to count bytes from offset, fewer only at the end of the file; false on failure (errno set).
[[nodiscard]] bool ReadFullyAt(int fd, uint64_t offset, size_t count, std::string& into);

} // namespace brisklet
