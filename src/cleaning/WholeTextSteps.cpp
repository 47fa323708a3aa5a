// The whole-text operations on file bytes: the two space compactions and the case conversions.
#include "cleaning/WholeTextSteps.h"

#include <cstring>

#include "cleaning/ByteCase.h"

namespace brisklet {

namespace {

// Both compactions write without branching on the character: spaces are too frequent in
// source text for a branch to be predicted. A piece starts at a line start, so no space
// run comes in from the piece before.
void RemoveDoubleSpaces(std::string_view piece, ByteBuffer& out) {
    const size_t first = piece.find("  ");
    if (first == std::string_view::npos) {
        AppendBytes(out, piece);
        return;
    }
    char* const write = ReserveBytes(out, piece.size());
    std::memcpy(write, piece.data(), first + 1);
    size_t written = first + 1;
    bool afterSpace = true;
    for (size_t read = first + 2; read < piece.size(); ++read) {
        const char c = piece[read];
        const bool space = c == ' ';
        write[written] = c;
        written += !(space && afterSpace);
        afterSpace = space;
    }
    out.Size += written;
}

void RemoveAllSpaces(std::string_view piece, ByteBuffer& out) {
    char* const write = ReserveBytes(out, piece.size());
    size_t written = 0;
    for (const char c : piece) {
        write[written] = c;
        written += c != ' ';
    }
    out.Size += written;
}

} // namespace

void WholeTextStep(CleaningOperation operation, ByteEncoding encoding, std::string_view piece, ByteBuffer& out) {
    if (operation == CleaningOperation::RemoveDoubleSpaces) {
        RemoveDoubleSpaces(piece, out);
    } else if (operation == CleaningOperation::RemoveAllSpaces) {
        RemoveAllSpaces(piece, out);
    } else {
        ConvertCaseBytes(piece, CaseOf(operation), encoding, out);
    }
}

} // namespace brisklet
