// UTF-16 text of the portable code as the wide strings Windows takes, without copies.
#pragma once

#include <string>
#include <string_view>

namespace brisklet {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16 code units");

inline const wchar_t* WidePointer(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

inline std::u16string_view FromWide(const wchar_t* text) {
    return text == nullptr ? std::u16string_view() : std::u16string_view(reinterpret_cast<const char16_t*>(text));
}

} // namespace brisklet
