// A growable byte buffer whose new room is not cleared, for the stream engine's blocks and lines.
#pragma once

#include <cstring>
#include <memory>
#include <string_view>

namespace brisklet {

// The stages write every byte they keep, and clearing each block first would cost a pass of its
// own.
struct ByteBuffer {
    std::unique_ptr<char[]> Data;
    size_t Size = 0;
    size_t Capacity = 0;
};

void GrowBuffer(ByteBuffer& buffer, size_t more);

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

[[nodiscard]] inline std::string_view BufferView(const ByteBuffer& buffer) {
    return {buffer.Data.get(), buffer.Size};
}

} // namespace brisklet
