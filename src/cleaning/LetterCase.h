// "/converttexttouppercaseletters" and "/converttexttolowercaseletters".
#pragma once

#include <string>

namespace brisklet {

enum class LetterCase { Upper, Lower };

// Per code unit (65,536 entries each), the unit it becomes in each case.
struct CaseMaps {
    const char16_t* Upper = nullptr;
    const char16_t* Lower = nullptr;
};

// The one-to-one mappings of Unicode, for UTF-8 documents.
[[nodiscard]] CaseMaps UnicodeCaseMaps();
// The same for a document read one byte per character, which must go back to bytes: a character
// whose other case lies beyond the first 256 (ÿ, whose capital is Ÿ) keeps its case.
[[nodiscard]] CaseMaps SingleByteCaseMaps();

// Every code unit becomes its other case where that is one code unit; the length in code
// units never changes, and line ends, digits and surrogate halves stay.
void ConvertLetterCase(std::u16string& text, LetterCase letterCase);
// The same through other maps, such as those of the system code page a text was read in.
void ConvertLetterCase(std::u16string& text, LetterCase letterCase, const CaseMaps& maps);

} // namespace brisklet
