// Where lines end in bytes: CR and LF found eight bytes at a time, and the line ends that no
// later byte can change.
#include "cleaning/LineEndScan.h"

#include <algorithm>
#include <cstring>

namespace brisklet {

namespace {

constexpr size_t None = std::string_view::npos;

size_t FindByte(std::string_view bytes, char c, size_t from) {
    if (from >= bytes.size())
        return None;
    const void* found = std::memchr(bytes.data() + from, c, bytes.size() - from);
    return found == nullptr ? None : static_cast<size_t>(static_cast<const char*>(found) - bytes.data());
}

} // namespace

bool HasLineEnd(std::string_view bytes) {
    return FindByte(bytes, '\n', 0) != None || FindByte(bytes, '\r', 0) != None;
}

size_t CertainEnd(std::string_view bytes) {
    size_t limit = bytes.size();
    if (limit > 0 && bytes[limit - 1] == '\r')
        --limit;
    return LineStartBefore(bytes, 0, limit);
}

size_t CompletingLength(std::string_view carry, std::string_view next) {
    if (carry.back() == '\r') {
        if (next.empty())
            return None;
        return next[0] == '\n' ? 1 : 0;
    }
    const size_t end = std::min(FindByte(next, '\n', 0), FindByte(next, '\r', 0));
    if (end == None || next[end] == '\n')
        return end == None ? None : end + 1;
    if (end + 1 == next.size())
        return None;
    return end + 1 + (next[end + 1] == '\n' ? 1 : 0);
}

} // namespace brisklet
