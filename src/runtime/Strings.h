// Text primitives over UTF-16 code units: 1-based positions, absent strings as "".
#pragma once

#include <charconv>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace brisklet {

[[nodiscard]] bool TextEquals(std::u16string_view a, std::u16string_view b);
[[nodiscard]] int64_t FindFrom(std::u16string_view text, std::u16string_view pattern, int64_t start = 1);
[[nodiscard]] std::u16string FieldAt(std::u16string_view text, int64_t index, std::u16string_view separator);
[[nodiscard]] std::u16string LowerCase(std::u16string_view text);
[[nodiscard]] int64_t ParseInteger(std::u16string_view text);
[[nodiscard]] std::u16string IntegerText(int64_t value);

// The whole text as a number of type Number, in its range; nullopt for anything else ("", "4x",
// "+4", a number beyond the range). A minus sign is taken.
template <class Number>
[[nodiscard]] std::optional<Number> ParseWhole(std::string_view text) {
    Number value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

} // namespace brisklet
