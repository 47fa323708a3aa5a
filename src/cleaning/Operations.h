// The eleven cleaning operations on the editor's UTF-16 text.
#pragma once

#include <cstdint>
#include <string>

#include "cleaning/LetterCase.h"
#include "runtime/TextCodec.h"

namespace brisklet {

struct LineChanges;

enum class CleaningOperation {
    RemoveEmptyLines,
    RemoveDebugLines,
    RemoveComments,
    RemoveDoubleSpaces,
    RemoveAllSpaces,
    RemoveSpacesAtEndOfLines,
    RemoveSpacesAtStartOfLines,
    ConvertTextToLowerCase,
    ConvertTextToUpperCase,
    ConvertTabToSpace,
    ConvertSpaceToTab,
};

// Replaces text with the operation's result. tabLength is read by the two tab conversions.
// changes, when given, receives what a line operation did to the lines; the whole-text
// operations leave every CR and LF in place, and it empty. caseMaps, when given, take the
// place of UnicodeCaseMaps in the case conversions.
void ApplyOperation(CleaningOperation operation, std::u16string& text, int32_t tabLength,
                    LineChanges* changes = nullptr, const CaseMaps* caseMaps = nullptr);

[[nodiscard]] inline bool IsCaseConversion(CleaningOperation operation) {
    return operation == CleaningOperation::ConvertTextToUpperCase ||
           operation == CleaningOperation::ConvertTextToLowerCase;
}

// The case a case conversion converts to.
[[nodiscard]] LetterCase CaseOf(CleaningOperation operation);

} // namespace brisklet
