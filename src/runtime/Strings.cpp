// Text primitives over UTF-16 code units, with the exact edge behaviour the cleaning rules rely on.
#include "runtime/Strings.h"

#include <cstring>

#include "runtime/CaseTable.h"
#include "runtime/TextCodec.h"

namespace brisklet {

int64_t TextLength(std::u16string_view text) {
    return static_cast<int64_t>(text.size());
}

bool TextEquals(std::u16string_view a, std::u16string_view b) {
    return a == b;
}

int64_t FindFrom(std::u16string_view text, std::u16string_view pattern, int64_t start) {
    if (text.empty() || pattern.empty())
        return 0;
    if (start < 1)
        start = 1;
    if (start > TextLength(text))
        return 0;
    const size_t found = text.find(pattern, static_cast<size_t>(start - 1));
    return found == std::u16string_view::npos ? 0 : static_cast<int64_t>(found) + 1;
}

int64_t CountOccurrences(std::u16string_view text, std::u16string_view pattern) {
    if (text.empty() || pattern.empty())
        return 0;
    int64_t count = 0;
    for (size_t at = text.find(pattern); at != std::u16string_view::npos; at = text.find(pattern, at + pattern.size()))
        ++count;
    return count;
}

std::u16string FieldAt(std::u16string_view text, int64_t index, std::u16string_view separator) {
    if (index < 1)
        return {};
    if (separator.empty())
        return index == 1 ? std::u16string(text) : std::u16string();
    size_t fieldStart = 0;
    for (int64_t field = 1; field < index; ++field) {
        const size_t cut = text.find(separator, fieldStart);
        if (cut == std::u16string_view::npos)
            return {};
        fieldStart = cut + separator.size();
    }
    const size_t fieldEnd = text.find(separator, fieldStart);
    return std::u16string(text.substr(fieldStart, fieldEnd == std::u16string_view::npos ? fieldEnd : fieldEnd - fieldStart));
}

std::u16string ReplaceAll(std::u16string_view text, std::u16string_view find, std::u16string_view replacement) {
    if (find.empty())
        return std::u16string(text);
    std::u16string result;
    result.reserve(text.size());
    size_t at = 0;
    for (size_t match = text.find(find); match != std::u16string_view::npos; match = text.find(find, at)) {
        result.append(text.substr(at, match - at));
        result.append(replacement);
        at = match + find.size();
    }
    result.append(text.substr(at));
    return result;
}

std::u16string TrimLeadingRun(std::u16string_view text, std::u16string_view character) {
    if (character.empty())
        return std::u16string(text);
    const size_t first = text.find_first_not_of(character.front());
    return first == std::u16string_view::npos ? std::u16string() : std::u16string(text.substr(first));
}

std::u16string TrimTrailingRun(std::u16string_view text, std::u16string_view character) {
    if (character.empty())
        return std::u16string(text);
    const size_t last = text.find_last_not_of(character.front());
    return last == std::u16string_view::npos ? std::u16string() : std::u16string(text.substr(0, last + 1));
}

std::u16string Substring(std::u16string_view text, int64_t start, int64_t length) {
    if (start < 1)
        start = 1;
    if (start > TextLength(text) || length < 1)
        return {};
    return std::u16string(text.substr(static_cast<size_t>(start - 1), static_cast<size_t>(length)));
}

std::u16string LeftPart(std::u16string_view text, int64_t n) {
    if (n < 0)
        return {};
    return std::u16string(text.substr(0, static_cast<size_t>(n)));
}

std::u16string Spaces(int64_t n) {
    return n > 0 ? std::u16string(static_cast<size_t>(n), u' ') : std::u16string();
}

std::u16string RepeatChar(std::u16string_view character, int64_t n) {
    if (character.empty() || n <= 0)
        return {};
    return std::u16string(static_cast<size_t>(n), character.front());
}

namespace {

std::u16string MapCodeUnits(std::u16string_view text, const char16_t* map) {
    std::u16string result(text);
    for (char16_t& unit : result)
        unit = map[unit];
    return result;
}

int DigitValue(char16_t unit, int base) {
    int value = 99;
    if (unit >= u'0' && unit <= u'9')
        value = unit - u'0';
    else if (unit >= u'a' && unit <= u'f')
        value = unit - u'a' + 10;
    else if (unit >= u'A' && unit <= u'F')
        value = unit - u'A' + 10;
    return value < base ? value : -1;
}

} // namespace

std::u16string UpperCase(std::u16string_view text) {
    return MapCodeUnits(text, UpperCaseMap());
}

std::u16string LowerCase(std::u16string_view text) {
    return MapCodeUnits(text, LowerCaseMap());
}

int64_t ParseInteger(std::u16string_view text) {
    size_t at = 0;
    while (at < text.size() && (text[at] == u' ' || text[at] == u'\t'))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == u'-' || text[at] == u'+')) {
        negative = text[at] == u'-';
        ++at;
    }
    int base = 10;
    if (at < text.size() && text[at] == u'$') {
        base = 16;
        ++at;
    } else if (at < text.size() && text[at] == u'%') {
        base = 2;
        ++at;
    }
    // Accumulated without an overflow check, wrapping as a 64-bit register would.
    uint64_t value = 0;
    for (; at < text.size(); ++at) {
        const int digit = DigitValue(text[at], base);
        if (digit < 0)
            break;
        value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    }
    if (negative)
        value = 0 - value;
    return static_cast<int64_t>(value);
}

std::u16string IntegerText(int64_t value) {
    const bool negative = value < 0;
    uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    std::u16string digits;
    do {
        digits.insert(digits.begin(), static_cast<char16_t>(u'0' + magnitude % 10));
        magnitude /= 10;
    } while (magnitude != 0);
    if (negative)
        digits.insert(digits.begin(), u'-');
    return digits;
}

std::u16string ReadTextAt(const void* address, int64_t length, MemoryEncoding encoding, bool lengthInBytes) {
    if (address == nullptr || length == 0 || length < -1)
        return {};
    if (encoding == MemoryEncoding::Utf16) {
        const auto* units = static_cast<const char16_t*>(address);
        std::u16string result;
        for (int64_t i = 0; (length == -1 || i < length) && units[i] != 0; ++i)
            result.push_back(units[i]);
        return result;
    }
    const auto* bytes = static_cast<const unsigned char*>(address);
    size_t count = 0;
    if (encoding == MemoryEncoding::Utf8 && length != -1 && !lengthInBytes) {
        // Count characters: a lead byte opens one, continuation bytes belong to it.
        int64_t characters = 0;
        while (bytes[count] != 0) {
            if ((bytes[count] & 0xC0) != 0x80) {
                if (characters == length)
                    break;
                ++characters;
            }
            ++count;
        }
    } else {
        while ((length == -1 || static_cast<int64_t>(count) < length) && bytes[count] != 0)
            ++count;
    }
    const std::string_view view(reinterpret_cast<const char*>(bytes), count);
    return encoding == MemoryEncoding::Utf8 ? Utf16FromUtf8(view) : DecodeSingleBytes(view);
}

int64_t WriteTextAt(void* address, std::u16string_view text, int64_t count, MemoryEncoding encoding, bool terminator) {
    if (count >= 0 && count < TextLength(text))
        text = text.substr(0, static_cast<size_t>(count));
    auto* out = static_cast<char*>(address);
    if (encoding == MemoryEncoding::Utf16) {
        std::memcpy(out, text.data(), text.size() * 2);
        if (terminator)
            std::memset(out + text.size() * 2, 0, 2);
        return static_cast<int64_t>(text.size() * 2);
    }
    const std::string bytes = encoding == MemoryEncoding::Utf8 ? Utf8FromUtf16(text) : EncodeSingleBytes(text);
    std::memcpy(out, bytes.data(), bytes.size());
    if (terminator)
        out[bytes.size()] = 0;
    return static_cast<int64_t>(bytes.size());
}

int64_t EncodedByteLength(std::u16string_view text, MemoryEncoding encoding) {
    switch (encoding) {
    case MemoryEncoding::Utf16:
        return TextLength(text) * 2;
    case MemoryEncoding::Utf8:
        return static_cast<int64_t>(Utf8FromUtf16(text).size());
    case MemoryEncoding::Ansi:
        break;
    }
    return TextLength(text);
}

std::u16string Utf16FromAscii(std::string_view ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

std::string Utf8FromUtf16(std::u16string_view text) {
    return EncodeUtf8(text);
}

std::u16string Utf16FromUtf8(std::string_view bytes) {
    return DecodeUtf8Lenient(bytes);
}

} // namespace brisklet
