// The whole-text operations on file bytes: the two space compactions and the case conversions.
#pragma once

#include <string_view>

#include "cleaning/stream/ByteBuffer.h"
#include "cleaning/Operations.h"

namespace brisklet {

// "/removedoublespaces", "/removeallspaces" and the case conversions: none of them reaches
// across a line end or changes one.
[[nodiscard]] inline bool IsWholeTextOperation(CleaningOperation operation) {
    return operation == CleaningOperation::RemoveDoubleSpaces || operation == CleaningOperation::RemoveAllSpaces ||
           IsCaseConversion(operation);
}

// Appends what a whole-text operation makes of piece, whole lines (or the end of the text) in
// the given encoding, to out.
void WholeTextStep(CleaningOperation operation, ByteEncoding encoding, std::string_view piece, ByteBuffer& out);

} // namespace brisklet
