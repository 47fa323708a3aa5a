// The string functions the plain reference is written in, beside those of src/runtime/Strings.h:
// 1-based positions, absent strings as "", one code unit to one in case mapping.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/Strings.h"

namespace brisklet::test {

[[nodiscard]] int64_t TextLength(std::u16string_view text);
[[nodiscard]] int64_t CountOccurrences(std::u16string_view text, std::u16string_view pattern);
[[nodiscard]] std::u16string ReplaceAll(std::u16string_view text, std::u16string_view find,
                                        std::u16string_view replacement);
[[nodiscard]] std::u16string TrimLeadingRun(std::u16string_view text, std::u16string_view character = u" ");
[[nodiscard]] std::u16string TrimTrailingRun(std::u16string_view text, std::u16string_view character = u" ");
[[nodiscard]] std::u16string Substring(std::u16string_view text, int64_t start, int64_t length);
[[nodiscard]] std::u16string Spaces(int64_t n);
[[nodiscard]] std::u16string RepeatChar(std::u16string_view character, int64_t n);
[[nodiscard]] std::u16string UpperCase(std::u16string_view text);

} // namespace brisklet::test
