// Text primitives over UTF-16 code units: 1-based positions, absent strings as "".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace brisklet {

// How ReadTextAt, WriteTextAt and EncodedByteLength see memory. Ansi maps every
// byte to the character of the same number (ISO-8859-1) on every platform, so
// any byte sequence survives a round trip whatever the system code page is.
enum class MemoryEncoding { Utf16, Utf8, Ansi };

[[nodiscard]] int64_t TextLength(std::u16string_view text);
[[nodiscard]] bool TextEquals(std::u16string_view a, std::u16string_view b);
[[nodiscard]] int64_t FindFrom(std::u16string_view text, std::u16string_view pattern, int64_t start = 1);
[[nodiscard]] int64_t CountOccurrences(std::u16string_view text, std::u16string_view pattern);
[[nodiscard]] std::u16string FieldAt(std::u16string_view text, int64_t index, std::u16string_view separator);
[[nodiscard]] std::u16string ReplaceAll(std::u16string_view text, std::u16string_view find,
                                        std::u16string_view replacement);
[[nodiscard]] std::u16string TrimLeadingRun(std::u16string_view text, std::u16string_view character = u" ");
[[nodiscard]] std::u16string TrimTrailingRun(std::u16string_view text, std::u16string_view character = u" ");
[[nodiscard]] std::u16string Substring(std::u16string_view text, int64_t start, int64_t length);
[[nodiscard]] std::u16string LeftPart(std::u16string_view text, int64_t n);
[[nodiscard]] std::u16string Spaces(int64_t n);
[[nodiscard]] std::u16string RepeatChar(std::u16string_view character, int64_t n);
[[nodiscard]] std::u16string UpperCase(std::u16string_view text);
[[nodiscard]] std::u16string LowerCase(std::u16string_view text);
[[nodiscard]] int64_t ParseInteger(std::u16string_view text);
[[nodiscard]] std::u16string IntegerText(int64_t value);

// Reads a string out of memory. length -1 reads up to the terminator; below -1 counts as 0.
// For Utf8 a length counts characters unless lengthInBytes is set.
[[nodiscard]] std::u16string ReadTextAt(const void* address, int64_t length, MemoryEncoding encoding,
                                        bool lengthInBytes = false);
// Writes the first count code units of text (all of them when count is negative or too large),
// then a terminator when asked. Returns the bytes written, the terminator not counted.
int64_t WriteTextAt(void* address, std::u16string_view text, int64_t count, MemoryEncoding encoding,
                    bool terminator = true);
[[nodiscard]] int64_t EncodedByteLength(std::u16string_view text, MemoryEncoding encoding);

// Plain conversions used at the edges of the system (paths, messages, log files).
[[nodiscard]] std::u16string Utf16FromAscii(std::string_view ascii);
[[nodiscard]] std::string Utf8FromUtf16(std::u16string_view text);
[[nodiscard]] std::u16string Utf16FromUtf8(std::string_view bytes);

} // namespace brisklet
