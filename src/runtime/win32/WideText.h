// UTF-16 text of the portable code as the wide strings Windows takes and gives.
#pragma once

#include <string>
#include <string_view>

namespace brisklet {

// Windows text is UTF-16 in wchar_t; the tool's text is UTF-16 in char16_t. Here the two meet.
static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16 code units");

// A terminated copy: a view need not end in a zero.
[[nodiscard]] inline std::wstring Wide(std::u16string_view text) {
    return std::wstring(reinterpret_cast<const wchar_t*>(text.data()), text.size());
}

// The same units in place, for calls that read or change a buffer without a copy.
[[nodiscard]] inline const wchar_t* WideData(std::u16string_view text) {
    return reinterpret_cast<const wchar_t*>(text.data());
}

[[nodiscard]] inline wchar_t* WideData(std::u16string& text) {
    return reinterpret_cast<wchar_t*>(text.data());
}

[[nodiscard]] inline std::u16string_view FromWide(std::wstring_view text) {
    return std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size());
}

} // namespace brisklet
