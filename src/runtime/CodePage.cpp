// The system's ANSI code page as tables: built once from the platform's own conversions and case
// functions, then used for every byte of a document that is not UTF-8.
#include "runtime/CodePage.h"

namespace brisklet {

namespace {

constexpr size_t CodeUnits = 0x10000;
constexpr uint8_t LowestTrailByte = 0x40;
constexpr char16_t CarriedByteBase = 0xDC00;

bool IsSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDFFF;
}

size_t ByteCount(CodePageBytes bytes) {
    return bytes > 0xFF ? 2 : 1;
}

// Keeps the character of these bytes only when the code page writes it back as the same bytes.
void AddCharacter(CodePagePlatform& platform, AnsiCodePage& codePage, std::string_view bytes, CodePageBytes key) {
    const std::u16string decoded = platform.Decode(bytes);
    if (decoded.size() != 1 || decoded[0] == 0 || IsSurrogate(decoded[0]) || codePage.Bytes[decoded[0]] != 0)
        return;
    if (platform.Encode(decoded) != bytes)
        return;
    codePage.Characters[key] = decoded[0];
    codePage.Bytes[decoded[0]] = key;
}

// One call for all characters: CharUpperBuffW and CharLowerBuffW map code unit by code unit.
void AddCase(const AnsiCodePage& codePage, const std::u16string& characters, std::u16string other,
             std::vector<char16_t>& map) {
    for (size_t i = 0; i < characters.size(); ++i) {
        const CodePageBytes otherBytes = codePage.Bytes[other[i]];
        if (otherBytes != 0 && ByteCount(otherBytes) == ByteCount(codePage.Bytes[characters[i]]))
            map[characters[i]] = other[i];
    }
}

} // namespace

AnsiCodePage BuildAnsiCodePage(CodePagePlatform& platform) {
    AnsiCodePage codePage;
    codePage.Characters.assign(CodeUnits, 0);
    codePage.Bytes.assign(CodeUnits, 0);
    for (unsigned byte = 1; byte <= 0xFF; ++byte) {
        codePage.LeadBytes[byte] = platform.IsLeadByte(static_cast<uint8_t>(byte));
        codePage.DoubleByte = codePage.DoubleByte || codePage.LeadBytes[byte];
    }
    for (unsigned byte = 1; byte <= 0xFF; ++byte) {
        if (!codePage.LeadBytes[byte]) {
            const char single = static_cast<char>(byte);
            AddCharacter(platform, codePage, std::string_view(&single, 1), static_cast<CodePageBytes>(byte));
            continue;
        }
        for (unsigned trail = LowestTrailByte; trail <= 0xFF; ++trail) {
            const char pair[2] = {static_cast<char>(byte), static_cast<char>(trail)};
            AddCharacter(platform, codePage, std::string_view(pair, 2), static_cast<CodePageBytes>(byte << 8 | trail));
        }
    }

    std::u16string characters;
    for (const char16_t character : codePage.Characters) {
        if (character != 0)
            characters.push_back(character);
    }
    codePage.Upper.resize(CodeUnits);
    codePage.Lower.resize(CodeUnits);
    for (size_t unit = 0; unit < CodeUnits; ++unit)
        codePage.Upper[unit] = codePage.Lower[unit] = static_cast<char16_t>(unit);
    std::u16string upper = characters;
    platform.ToUpper(upper);
    AddCase(codePage, characters, upper, codePage.Upper);
    std::u16string lower = characters;
    platform.ToLower(lower);
    AddCase(codePage, characters, lower, codePage.Lower);
    return codePage;
}

size_t CharacterLength(const AnsiCodePage& codePage, std::string_view bytes, size_t at) {
    const auto lead = static_cast<unsigned char>(bytes[at]);
    if (!codePage.LeadBytes[lead] || at + 1 >= bytes.size())
        return 1;
    return static_cast<unsigned char>(bytes[at + 1]) >= LowestTrailByte ? 2 : 1;
}

std::u16string DecodeAnsi(const AnsiCodePage& codePage, std::string_view bytes) {
    std::u16string text;
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    if (!codePage.DoubleByte) {
        // One byte, one unit: the common case needs no walk for trail bytes.
        text.resize(bytes.size());
        for (size_t at = 0; at < bytes.size(); ++at) {
            const char16_t character = codePage.Characters[byte(at)];
            text[at] = character != 0 ? character : static_cast<char16_t>(CarriedByteBase + byte(at));
        }
        return text;
    }
    text.reserve(bytes.size());
    for (size_t at = 0; at < bytes.size();) {
        const size_t length = CharacterLength(codePage, bytes, at);
        const auto key = static_cast<CodePageBytes>(length == 2 ? byte(at) << 8 | byte(at + 1) : byte(at));
        const char16_t character = codePage.Characters[key];
        if (character != 0) {
            text.push_back(character);
        } else {
            for (size_t i = 0; i < length; ++i)
                text.push_back(static_cast<char16_t>(CarriedByteBase + byte(at + i)));
        }
        at += length;
    }
    return text;
}

bool EncodeAnsi(const AnsiCodePage& codePage, std::u16string_view text, std::string& out) {
    out.reserve(text.size());
    for (const char16_t unit : text) {
        if (unit >= CarriedByteBase && unit <= CarriedByteBase + 0xFF) {
            out.push_back(static_cast<char>(unit - CarriedByteBase));
            continue;
        }
        const CodePageBytes bytes = codePage.Bytes[unit];
        if (bytes == 0)
            return false;
        if (bytes > 0xFF)
            out.push_back(static_cast<char>(bytes >> 8));
        out.push_back(static_cast<char>(bytes & 0xFF));
    }
    return true;
}

} // namespace brisklet
