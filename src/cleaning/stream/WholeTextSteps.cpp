// The whole-text operations on file bytes: the two space compactions and the case conversions.
#include "cleaning/stream/WholeTextSteps.h"

#include "cleaning/stream/ByteCase.h"
#include "cleaning/stream/SpaceDropping.h"

namespace brisklet {

void WholeTextStep(CleaningOperation operation, ByteEncoding encoding, std::string_view piece, ByteBuffer& out) {
    if (operation == CleaningOperation::RemoveDoubleSpaces) {
        DropSpaces(piece, SpaceRule::Doubled, out);
    } else if (operation == CleaningOperation::RemoveAllSpaces) {
        DropSpaces(piece, SpaceRule::Every, out);
    } else {
        ConvertCaseBytes(piece, CaseOf(operation), encoding, out);
    }
}

} // namespace brisklet
