// Stand-ins for the system's conversions and case functions: a few characters of a code page,
// with the ways the real ones refuse to round-trip.
#include "support/FakeCodePage.h"

namespace brisklet::test {

bool FakeCodePage::IsLeadByte(uint8_t byte) {
    return LeadBytes.contains(byte);
}

std::u16string FakeCodePage::Decode(std::string_view bytes) {
    const auto found = Characters.find(std::string(bytes));
    if (found != Characters.end())
        return std::u16string(1, found->second);
    if (bytes.size() == 1 && static_cast<unsigned char>(bytes[0]) < 0x80 && !IsLeadByte(static_cast<uint8_t>(bytes[0])))
        return std::u16string(1, static_cast<char16_t>(bytes[0]));
    return bytes.size() == 2 ? u"\u30FB" : u"?";
}

std::string FakeCodePage::Encode(std::u16string_view text) {
    std::string bytes;
    for (const char16_t unit : text) {
        const auto bestFit = WrittenAs.find(unit);
        if (bestFit != WrittenAs.end()) {
            bytes += bestFit->second;
            continue;
        }
        if (unit < 0x80) {
            bytes.push_back(static_cast<char>(unit));
            continue;
        }
        std::string written = "?";
        for (const auto& [characterBytes, character] : Characters) {
            if (character == unit)
                written = characterBytes;
        }
        bytes += written;
    }
    return bytes;
}

void FakeCodePage::ToUpper(std::u16string& text) {
    for (char16_t& unit : text) {
        if (unit >= u'a' && unit <= u'z')
            unit = static_cast<char16_t>(unit - 32);
        else if (UpperOf.contains(unit))
            unit = UpperOf.at(unit);
    }
}

void FakeCodePage::ToLower(std::u16string& text) {
    for (char16_t& unit : text) {
        if (unit >= u'A' && unit <= u'Z')
            unit = static_cast<char16_t>(unit + 32);
        else if (LowerOf.contains(unit))
            unit = LowerOf.at(unit);
    }
}

FakeCodePage GreekCodePage() {
    FakeCodePage page;
    page.Characters = {
        {"\xB8", u'\u0388'}, {"\xDD", u'\u03AD'}, // Έ έ
        {"\xBC", u'\u038C'}, {"\xFC", u'\u03CC'}, // Ό ό
        {"\xC4", u'\u0394'}, {"\xE4", u'\u03B4'}, // Δ δ
        {"\xD3", u'\u03A3'}, {"\xF3", u'\u03C3'}, // Σ σ
        {"\xF2", u'\u03C2'},                      // ς
        {"\xCC", u'\u039C'}, {"\xEC", u'\u03BC'}, // Μ μ
        {"\xB5", u'\u00B5'},                      // µ, whose capital is Μ
        {"\xC0", u'\u0390'},                      // ΐ, no capital of one code unit
        {"\xFF", u'\u00FF'},                      // ÿ, whose capital Ÿ is not in the page
        {"\x80", u'\u20AC'},                      // €, written back as "E" by best fit
    };
    page.WrittenAs = {{u'\u20AC', "E"}};
    page.UpperOf = {{u'\u03AD', u'\u0388'}, {u'\u03CC', u'\u038C'}, {u'\u03B4', u'\u0394'}, {u'\u03C3', u'\u03A3'},
                    {u'\u03C2', u'\u03A3'}, {u'\u03BC', u'\u039C'}, {u'\u00B5', u'\u039C'}, {u'\u00FF', u'\u0178'}};
    page.LowerOf = {{u'\u0388', u'\u03AD'}, {u'\u038C', u'\u03CC'}, {u'\u0394', u'\u03B4'}, {u'\u03A3', u'\u03C3'},
                    {u'\u039C', u'\u03BC'}};
    return page;
}

FakeCodePage JapaneseCodePage() {
    FakeCodePage page;
    page.LeadBytes = {0x81, 0x82, 0x83, 0x84, 0x85, 0x95};
    page.Characters = {
        {"\x83\x69", u'\u30CA'}, // ナ, trail byte "i"
        {"\x83\x7E", u'\u30DF'}, // ミ, trail byte "~"
        {"\x83\x5C", u'\u30BD'}, // ソ, trail byte "\"
        {"\x95\x5C", u'\u8868'}, // 表, trail byte "\"
        {"\x83\x41", u'\u30A2'}, // ア, trail byte "A"
        {"\x83\x40", u'\u30A1'}, // ァ, trail byte "@", the lowest
        {"\x82\x81", u'\uFF41'}, {"\x82\x60", u'\uFF21'}, // ａ Ａ
        {"\x84\x74", u'\u0434'}, {"\x84\x45", u'\u0414'}, // д Д, trail bytes "t" and "E"
        {"\x81\x9A", u'\u00FC'}, {"\xA0", u'\u00DC'},     // ü as a pair, Ü as a single byte
        {"\xB1", u'\uFF71'},                              // ｱ, half-width
    };
    page.UpperOf = {{u'\uFF41', u'\uFF21'}, {u'\u0434', u'\u0414'}, {u'\u00FC', u'\u00DC'}};
    page.LowerOf = {{u'\uFF21', u'\uFF41'}, {u'\u0414', u'\u0434'}, {u'\u00DC', u'\u00FC'}};
    return page;
}

} // namespace brisklet::test
