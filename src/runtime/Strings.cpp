// Text primitives over UTF-16 code units, with the exact edge behaviour the cleaning rules rely on.
#include "runtime/Strings.h"

#include <cstring>

#include "runtime/CaseTable.h"

namespace brisklet {

bool TextEquals(std::u16string_view a, std::u16string_view b) {
    return a == b;
}

int64_t FindFrom(std::u16string_view text, std::u16string_view pattern, int64_t start) {
    if (text.empty() || pattern.empty())
        return 0;
    if (start < 1)
        start = 1;
    if (start > static_cast<int64_t>(text.size()))
        return 0;
    const size_t found = text.find(pattern, static_cast<size_t>(start - 1));
    return found == std::u16string_view::npos ? 0 : static_cast<int64_t>(found) + 1;
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

} // namespace brisklet
