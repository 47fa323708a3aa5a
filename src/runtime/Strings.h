// Text primitives over UTF-16 code units: 1-based positions, absent strings as "".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace brisklet {

[[nodiscard]] bool TextEquals(std::u16string_view a, std::u16string_view b);
[[nodiscard]] int64_t FindFrom(std::u16string_view text, std::u16string_view pattern, int64_t start = 1);
[[nodiscard]] std::u16string FieldAt(std::u16string_view text, int64_t index, std::u16string_view separator);
[[nodiscard]] std::u16string LowerCase(std::u16string_view text);
[[nodiscard]] int64_t ParseInteger(std::u16string_view text);
[[nodiscard]] std::u16string IntegerText(int64_t value);

} // namespace brisklet
