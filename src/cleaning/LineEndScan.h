// Where lines end in bytes: CR and LF found eight bytes at a time, and the line ends that no
// later byte can change.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "runtime/TextCodec.h"

namespace brisklet {

// The first CR or LF from from on, or npos. Lines are short, so a library search per line costs
// more in calls than it saves: eight bytes are looked at a time instead, for both bytes at once.
// A byte equal to c becomes a zero byte of word ^ RepeatedByte(c); the lowest high bit of
// (x - 0x01..) & ~x & 0x80.. marks the first zero byte exactly. Inline, as it runs once a line.
[[nodiscard]] inline size_t NextLineEnd(std::string_view bytes, size_t from) {
    static_assert(std::endian::native == std::endian::little, "the byte order of the search below");
    const char* const data = bytes.data();
    size_t at = from;
    for (; at + 8 <= bytes.size(); at += 8) {
        uint64_t word = 0;
        std::memcpy(&word, data + at, sizeof word);
        const uint64_t lf = word ^ RepeatedByte('\n');
        const uint64_t cr = word ^ RepeatedByte('\r');
        const uint64_t found = (((lf - RepeatedByte(1)) & ~lf) | ((cr - RepeatedByte(1)) & ~cr)) & RepeatedByte(0x80);
        if (found != 0)
            return at + static_cast<size_t>(std::countr_zero(found)) / 8;
    }
    for (; at < bytes.size(); ++at) {
        if (IsLineEnd(data[at]))
            return at;
    }
    return std::string_view::npos;
}

[[nodiscard]] bool HasLineEnd(std::string_view bytes);

// Past the line end at text[at] (a CR LF counts as one), in bytes or in the editor's UTF-16.
template <class CharT>
[[nodiscard]] size_t AfterLineEnd(std::basic_string_view<CharT> text, size_t at) {
    return at + (text[at] == CharT('\r') && at + 1 < text.size() && text[at + 1] == CharT('\n') ? 2 : 1);
}
[[nodiscard]] inline size_t AfterLineEnd(std::string_view bytes, size_t at) {
    return AfterLineEnd<char>(bytes, at);
}

// Where the line that holds position at starts, looking back no further than from.
[[nodiscard]] inline size_t LineStartBefore(std::string_view bytes, size_t from, size_t at) {
    while (at > from && !IsLineEnd(bytes[at - 1]))
        --at;
    return at;
}

// The end of the last line end in bytes that no later byte can change: a CR at the very end
// may yet be followed by the LF of a CR LF. 0 when there is none.
[[nodiscard]] size_t CertainEnd(std::string_view bytes);

// How many bytes of next complete the line that carry (not empty) holds, or npos when next
// does not.
[[nodiscard]] size_t CompletingLength(std::string_view carry, std::string_view next);

} // namespace brisklet
