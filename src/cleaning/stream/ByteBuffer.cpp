// A growable byte buffer whose new room is not cleared, for the stream engine's blocks and lines.
#include "cleaning/stream/ByteBuffer.h"

#include <algorithm>

namespace brisklet {

void GrowBuffer(ByteBuffer& buffer, size_t more) {
    const size_t capacity = std::max(buffer.Size + more, buffer.Capacity * 2);
    std::unique_ptr<char[]> data(new char[capacity]);
    if (buffer.Size > 0)
        std::memcpy(data.get(), buffer.Data.get(), buffer.Size);
    buffer.Data = std::move(data);
    buffer.Capacity = capacity;
}

void AppendBytes(ByteBuffer& buffer, std::string_view bytes) {
    if (bytes.empty())
        return;
    std::memcpy(ReserveBytes(buffer, bytes.size()), bytes.data(), bytes.size());
    buffer.Size += bytes.size();
}

} // namespace brisklet
