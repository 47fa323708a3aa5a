// "/converttexttouppercaseletters" and "/converttexttolowercaseletters".
#include "cleaning/LetterCase.h"

#include "runtime/CaseTable.h"

namespace brisklet {

CaseMaps UnicodeCaseMaps() {
    return {UpperCaseMap(), LowerCaseMap()};
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
