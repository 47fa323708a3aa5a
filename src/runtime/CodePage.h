// The system's ANSI code page as tables: built once from the platform's own conversions and case
// functions, then used for every byte of a document that is not UTF-8.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brisklet {

// What the tables are built from: on Windows GetACP, IsDBCSLeadByteEx, MultiByteToWideChar,
// WideCharToMultiByte, CharUpperBuffW and CharLowerBuffW.
class CodePagePlatform {
public:
    virtual ~CodePagePlatform() = default;

    [[nodiscard]] virtual bool IsLeadByte(uint8_t byte) = 0;
    // The code page's conversions, with no flags: undefined bytes and characters come out as
    // the conversion's default characters.
    [[nodiscard]] virtual std::u16string Decode(std::string_view bytes) = 0;
    [[nodiscard]] virtual std::string Encode(std::u16string_view text) = 0;
    // Each code unit to its other case, in place.
    virtual void ToUpper(std::u16string& text) = 0;
    virtual void ToLower(std::u16string& text) = 0;
};

// A character's bytes as one number: the byte itself, or lead byte * 256 + trail byte.
using CodePageBytes = uint16_t;

struct AnsiCodePage {
    std::array<bool, 256> LeadBytes{};
    bool DoubleByte = false; // some byte is a lead byte
    // By CodePageBytes: the character those bytes stand for, 0 where they do not come back
    // from the character as the same bytes (undefined, or written otherwise).
    std::vector<char16_t> Characters;
    // By code unit: the bytes of the character, 0 where the code page has none.
    std::vector<CodePageBytes> Bytes;
    // By code unit: the other case where it takes as many bytes of this code page, else itself.
    std::vector<char16_t> Upper;
    std::vector<char16_t> Lower;
};

// Asks the platform for every byte and every lead byte with every possible trail byte.
[[nodiscard]] AnsiCodePage BuildAnsiCodePage(CodePagePlatform& platform);

// A lead byte takes the next byte as its trail when that byte is 0x40 or above, as in every
// double-byte code page; line ends, blanks, quotes and semicolons are never trail bytes.
// Gives 1 or 2, never more than the bytes left from at.
[[nodiscard]] size_t CharacterLength(const AnsiCodePage& codePage, std::string_view bytes, size_t at);

// Every character the code page round-trips becomes that character; every other byte, a lone
// lead byte or both bytes of an undefined pair, is carried as a lone surrogate (U+DC00 plus
// the byte) that no cleaning rule takes for anything and EncodeAnsi writes back as that byte.
[[nodiscard]] std::u16string DecodeAnsi(const AnsiCodePage& codePage, std::string_view bytes);
// False when a character has no bytes in the code page; out is then incomplete.
[[nodiscard]] bool EncodeAnsi(const AnsiCodePage& codePage, std::u16string_view text, std::string& out);

} // namespace brisklet
