// The string functions the plain reference is written in.
#include "support/ReferenceStrings.h"

#include "runtime/CaseTable.h"

namespace brisklet::test {

int64_t TextLength(std::u16string_view text) {
    return static_cast<int64_t>(text.size());
}

int64_t CountOccurrences(std::u16string_view text, std::u16string_view pattern) {
    if (text.empty() || pattern.empty())
        return 0;
    int64_t count = 0;
    for (size_t at = text.find(pattern); at != std::u16string_view::npos; at = text.find(pattern, at + pattern.size()))
        ++count;
    return count;
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

std::u16string Spaces(int64_t n) {
    return n > 0 ? std::u16string(static_cast<size_t>(n), u' ') : std::u16string();
}

std::u16string RepeatChar(std::u16string_view character, int64_t n) {
    if (character.empty() || n <= 0)
        return {};
    return std::u16string(static_cast<size_t>(n), character.front());
}

std::u16string UpperCase(std::u16string_view text) {
    std::u16string result(text);
    for (char16_t& unit : result)
        unit = UpperCaseMap()[unit];
    return result;
}

} // namespace brisklet::test
