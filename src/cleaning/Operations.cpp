// Runs one cleaning operation by name on the editor's UTF-16 text.
#include "cleaning/Operations.h"

#include "cleaning/CommentsAndDebug.h"
#include "cleaning/Indentation.h"
#include "cleaning/LetterCase.h"
#include "cleaning/Whitespace.h"

namespace brisklet {

namespace {

// The operations that never look beyond ASCII.
void ApplyAsciiOperation(CleaningOperation operation, std::u16string& text, int32_t tabLength, LineChanges* changes) {
    switch (operation) {
    case CleaningOperation::RemoveEmptyLines:
        RemoveEmptyLines(text, changes);
        break;
    case CleaningOperation::RemoveDebugLines:
        RemoveDebugLines(text, changes);
        break;
    case CleaningOperation::RemoveComments:
        RemoveComments(text, changes);
        break;
    case CleaningOperation::RemoveDoubleSpaces:
        RemoveDoubleSpaces(text);
        break;
    case CleaningOperation::RemoveAllSpaces:
        RemoveAllSpaces(text);
        break;
    case CleaningOperation::RemoveSpacesAtEndOfLines:
        RemoveSpacesAtEndOfLines(text, changes);
        break;
    case CleaningOperation::RemoveSpacesAtStartOfLines:
        RemoveSpacesAtStartOfLines(text, changes);
        break;
    case CleaningOperation::ConvertTabToSpace:
        ConvertTabToSpace(text, tabLength, changes);
        break;
    case CleaningOperation::ConvertSpaceToTab:
        ConvertSpaceToTab(text, tabLength, changes);
        break;
    case CleaningOperation::ConvertTextToLowerCase:
    case CleaningOperation::ConvertTextToUpperCase:
        break;
    }
}

} // namespace

LetterCase CaseOf(CleaningOperation operation) {
    return operation == CleaningOperation::ConvertTextToUpperCase ? LetterCase::Upper : LetterCase::Lower;
}

void ApplyOperation(CleaningOperation operation, std::u16string& text, int32_t tabLength, LineChanges* changes,
                    const CaseMaps* caseMaps) {
    if (IsCaseConversion(operation))
        ConvertLetterCase(text, CaseOf(operation), caseMaps != nullptr ? *caseMaps : UnicodeCaseMaps());
    else
        ApplyAsciiOperation(operation, text, tabLength, changes);
}

} // namespace brisklet
