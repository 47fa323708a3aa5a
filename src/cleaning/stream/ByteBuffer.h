// A growable byte buffer whose new room is not cleared, for the stream engine's blocks and lines.
#pragma once

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

namespace brisklet {

struct FreeBytes {
    void operator()(char* bytes) const { std::free(bytes); }
};

// The stages write every byte they keep, and clearing each block first would cost a pass of its
// own. The room grows by realloc: a large block is moved by the system without a copy, so that
// a long line's room does not exist twice while it grows.
struct ByteBuffer {
    std::unique_ptr<char[], FreeBytes> Data;
    size_t Size = 0;
    size_t Capacity = 0;

    ByteBuffer() = default;
    ByteBuffer(ByteBuffer&&) noexcept = default;
    ByteBuffer& operator=(ByteBuffer&&) noexcept = default;
    // A copy holds the bytes only (a stage's state is copied to be tried and put back).
    ByteBuffer(const ByteBuffer& other);
    ByteBuffer& operator=(const ByteBuffer& other);
    ~ByteBuffer() = default;
};

void GrowBuffer(ByteBuffer& buffer, size_t more);

// Gives back the room behind Size.
void ShrinkBuffer(ByteBuffer& buffer);

// Room for at least more bytes behind Size; the returned pointer is where they go.
inline char* ReserveBytes(ByteBuffer& buffer, size_t more) {
    if (buffer.Capacity - buffer.Size < more)
        GrowBuffer(buffer, more);
    return buffer.Data.get() + buffer.Size;
}

void AppendBytes(ByteBuffer& buffer, std::string_view bytes);

// count copies of fill.
inline void AppendFill(ByteBuffer& buffer, size_t count, char fill) {
    if (count == 0)
        return;
    std::memset(ReserveBytes(buffer, count), fill, count);
    buffer.Size += count;
}

// Takes count bytes (at most Size) off the front.
inline void DropFront(ByteBuffer& buffer, size_t count) {
    if (count == 0)
        return;
    buffer.Size -= count;
    std::memmove(buffer.Data.get(), buffer.Data.get() + count, buffer.Size);
}

[[nodiscard]] inline std::string_view BufferView(const ByteBuffer& buffer) {
    return {buffer.Data.get(), buffer.Size};
}

} // namespace brisklet
