// "/converttexttouppercaseletters" and "/converttexttolowercaseletters".
#include "cleaning/LetterCase.h"

#include <memory>

#include "runtime/CaseTable.h"

namespace brisklet {

namespace {

std::unique_ptr<char16_t[]> WithinBytes(const char16_t* map) {
    auto within = std::make_unique<char16_t[]>(0x10000);
    for (uint32_t unit = 0; unit < 0x10000; ++unit)
        within[unit] = unit <= 0xFF && map[unit] > 0xFF ? static_cast<char16_t>(unit) : map[unit];
    return within;
}

} // namespace

CaseMaps UnicodeCaseMaps() {
    return {UpperCaseMap(), LowerCaseMap()};
}

CaseMaps SingleByteCaseMaps() {
    static const std::unique_ptr<char16_t[]> upper = WithinBytes(UpperCaseMap());
    static const std::unique_ptr<char16_t[]> lower = WithinBytes(LowerCaseMap());
    return {upper.get(), lower.get()};
}

void ConvertLetterCase(std::u16string& text, LetterCase letterCase) {
    ConvertLetterCase(text, letterCase, UnicodeCaseMaps());
}

void ConvertLetterCase(std::u16string& text, LetterCase letterCase, const CaseMaps& maps) {
    const char16_t* map = letterCase == LetterCase::Upper ? maps.Upper : maps.Lower;
    for (char16_t& unit : text)
        unit = map[unit];
}

} // namespace brisklet
