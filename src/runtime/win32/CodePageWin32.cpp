// The system's ANSI code page, as Windows converts and cases its characters.
#include "runtime/win32/CodePageWin32.h"

#include <windows.h>

#include "runtime/win32/WideText.h"

namespace brisklet {

namespace {

// Conversions of one character at a time: a few bytes in, a few units out.
constexpr int ShortBuffer = 8;

} // namespace

bool CodePagePlatformWin32::IsLeadByte(uint8_t byte) {
    return IsDBCSLeadByteEx(GetACP(), byte) != FALSE;
}

std::u16string CodePagePlatformWin32::Decode(std::string_view bytes) {
    wchar_t units[ShortBuffer];
    const int count = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), units, ShortBuffer);
    return std::u16string(FromWide(std::wstring_view(units, static_cast<size_t>(count > 0 ? count : 0))));
}

std::string CodePagePlatformWin32::Encode(std::u16string_view text) {
    char bytes[ShortBuffer];
    const int count = WideCharToMultiByte(CP_ACP, 0, WideData(text),
                                          static_cast<int>(text.size()), bytes, ShortBuffer, nullptr, nullptr);
    return std::string(bytes, static_cast<size_t>(count > 0 ? count : 0));
}

void CodePagePlatformWin32::ToUpper(std::u16string& text) {
    CharUpperBuffW(WideData(text), static_cast<DWORD>(text.size()));
}

void CodePagePlatformWin32::ToLower(std::u16string& text) {
    CharLowerBuffW(WideData(text), static_cast<DWORD>(text.size()));
}

const AnsiCodePage& SystemAnsiCodePage() {
    static const AnsiCodePage codePage = [] {
        CodePagePlatformWin32 platform;
        return BuildAnsiCodePage(platform);
    }();
    return codePage;
}

} // namespace brisklet
