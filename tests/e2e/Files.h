// Whole-file reads and writes and the text conversions of the test IDE's run and result files.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace brisklet::e2e {

[[nodiscard]] std::optional<std::string> ReadFileBytes(const std::wstring& path);
[[nodiscard]] bool WriteFileBytes(const std::wstring& path, std::string_view bytes);

[[nodiscard]] std::wstring WideFromUtf8(std::string_view text);
[[nodiscard]] std::string Utf8FromWide(std::wstring_view text);

// Backslash, CR, LF and tab written as \\, \r, \n and \t, so any text fits on one line.
[[nodiscard]] std::string EscapedLine(std::string_view text);

} // namespace brisklet::e2e
