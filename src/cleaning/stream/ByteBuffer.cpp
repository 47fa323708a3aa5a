// A growable byte buffer whose new room is not cleared, for the stream engine's blocks and lines.
#include "cleaning/stream/ByteBuffer.h"

#include <algorithm>
#include <new>

namespace brisklet {

void GrowBuffer(ByteBuffer& buffer, size_t more) {
    const size_t capacity = std::max(buffer.Size + more, buffer.Capacity * 2);
    void* grown = std::realloc(buffer.Data.get(), capacity);
    if (grown == nullptr)
        throw std::bad_alloc(); // as new would: the run ends with "out of memory"
    static_cast<void>(buffer.Data.release());
    buffer.Data.reset(static_cast<char*>(grown));
    buffer.Capacity = capacity;
}

void ShrinkBuffer(ByteBuffer& buffer) {
    if (buffer.Size == buffer.Capacity || buffer.Size == 0)
        return;
    // A smaller block is never refused; if it were, the larger one would simply stay.
    if (void* shrunk = std::realloc(buffer.Data.get(), buffer.Size)) {
        static_cast<void>(buffer.Data.release());
        buffer.Data.reset(static_cast<char*>(shrunk));
        buffer.Capacity = buffer.Size;
    }
}

ByteBuffer::ByteBuffer(const ByteBuffer& other) {
    AppendBytes(*this, BufferView(other));
}

ByteBuffer& ByteBuffer::operator=(const ByteBuffer& other) {
    if (this != &other) {
        Size = 0;
        AppendBytes(*this, BufferView(other));
    }
    return *this;
}

void AppendBytes(ByteBuffer& buffer, std::string_view bytes) {
    if (bytes.empty())
        return;
    std::memcpy(ReserveBytes(buffer, bytes.size()), bytes.data(), bytes.size());
    buffer.Size += bytes.size();
}

} // namespace brisklet
