// Stand-ins for the system's conversions and case functions: a few characters of a code page,
// with the ways the real ones refuse to round-trip.
#pragma once

#include <map>
#include <set>
#include <string>

#include "runtime/CodePage.h"

namespace brisklet::test {

// ASCII plus the characters listed. A byte or pair not listed decodes to the code page's
// default character, which encodes to other bytes; a character not listed encodes to "?".
struct FakeCodePage : CodePagePlatform {
    std::set<uint8_t> LeadBytes;
    std::map<std::string, char16_t> Characters;
    std::map<char16_t, std::string> WrittenAs; // best fits: a character written as other bytes
    std::map<char16_t, char16_t> UpperOf;      // beside a-z
    std::map<char16_t, char16_t> LowerOf;      // beside A-Z

    bool IsLeadByte(uint8_t byte) override;
    std::u16string Decode(std::string_view bytes) override;
    std::string Encode(std::u16string_view text) override;
    void ToUpper(std::u16string& text) override;
    void ToLower(std::u16string& text) override;
};

// Single bytes as in Windows-1253 (Greek), with "ÿ" at 0xFF and a best-fit "€" at 0x80.
[[nodiscard]] FakeCodePage GreekCodePage();
// Pairs as in code page 932 (Japanese) on the lead bytes 0x81 to 0x85 and 0x95, with "ü"
// as a pair whose capital is a single byte.
[[nodiscard]] FakeCodePage JapaneseCodePage();

} // namespace brisklet::test
