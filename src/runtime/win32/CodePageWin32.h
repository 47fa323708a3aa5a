// The system's ANSI code page, as Windows converts and cases its characters.
#pragma once

#include "runtime/CodePage.h"

namespace brisklet {

class CodePagePlatformWin32 : public CodePagePlatform {
public:
    bool IsLeadByte(uint8_t byte) override;
    std::u16string Decode(std::string_view bytes) override;
    std::string Encode(std::u16string_view text) override;
    void ToUpper(std::u16string& text) override;
    void ToLower(std::u16string& text) override;
};

// Built on first use and kept for the rest of the run. May throw std::bad_alloc.
[[nodiscard]] const AnsiCodePage& SystemAnsiCodePage();

} // namespace brisklet
