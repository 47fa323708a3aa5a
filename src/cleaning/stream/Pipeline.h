// The cleaning operations on file bytes, block by block, with every line end kept as it was.
// A file is read the way the IDE reads a source: CR LF, LF and a lone CR each end a line.
// A kept line keeps its own line end and a dropped line goes with its own; the line rules are
// otherwise those of the editor's text, and the whole-text operations never touch line ends.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cleaning/stream/ByteBuffer.h"
#include "cleaning/Operations.h"
// The engine fed piece by piece for a diff, for the callers that pair input and output.
#include "cleaning/stream/PieceFeeding.h"

namespace brisklet {

enum class LineRest { Undecided, Passes, Goes };

// One operation of a run and what it keeps from one block to the next.
struct CleaningStage {
    CleaningOperation Operation = CleaningOperation::RemoveEmptyLines;
    // The stage's input behind the last line end it can be sure of: a CR at the end of a block
    // may be the first half of a CR LF.
    ByteBuffer Carry;
    bool SawLineEnd = false;
    // "/converttabtospace": characters added so far.
    int64_t Growth = 0;
    // Where a long line's start has gone on before its end came: the rest of that line, up to
    // and with its line end, passes as it is (Passes) or goes (Goes).
    LineRest Rest = LineRest::Undecided;
    // "/removedebuglines": the carry's start that holds no "Debug ", looked at already;
    // "/removecomments": the carry's start that holds no ~".
    size_t Searched = 0;
    // "/removecomments": the start of a long line has gone on with an odd number of quotes, so
    // that the carry begins inside a string literal.
    bool InString = false;
};

// The operations of a run in order, each fed the previous one's output block by block, so a
// block passes every operation while it is in the cache.
struct CleaningPipeline {
    std::vector<CleaningStage> Stages;
    int32_t TabLength = 0;
    // Read by the case conversions: a UTF-8 text is converted sequence by sequence and a byte
    // that belongs to no well-formed sequence stays as it is.
    ByteEncoding Encoding = ByteEncoding::SingleByte;
    // "/converttabtospace" would make the text grow by more than MaxTabExpansionGrowth; the
    // pipeline then stops.
    bool GrowthExceeded = false;
    ByteBuffer Between[2];
    ByteBuffer Line[2];
    // A line longer than this goes through a stage in pieces where its operation allows: the
    // whole-text ones and "/removespacesatendoflines" hold back only what may yet change,
    // "/removeemptylines" and "/removedebuglines" hold the line until they know its fate,
    // "/removecomments" holds its comment until the line's end says whether a ~" keeps it, and
    // the operations on its start hold it until they have passed its indentation (within the
    // text's first line, which stays as it is when no line end follows, they hold it whole
    // unless it has none).
    size_t PieceLength = size_t{1} << 20;
    // The text is known to hold a line end further on, so that its first line is a line to
    // every stage before that line end has come: set by a caller that can read ahead.
    bool LineEndAhead = false;
};

// Some stage may hold a long line whole, or the text's first line until its end: then a caller
// that keeps the input until the result has caught up with it holds the line twice.
[[nodiscard]] bool MayHoldLine(const CleaningPipeline& pipeline);

void StartPipeline(CleaningPipeline& pipeline, const std::vector<CleaningOperation>& operations, int32_t tabLength);

// Runs the next bytes of the text through every stage and appends what is final to out. The
// bytes may be cut anywhere, except inside a UTF-8 sequence when a case conversion runs.
void FeedPipeline(CleaningPipeline& pipeline, std::string_view bytes, ByteBuffer& out);

// The end of the text: appends the rest.
void FinishPipeline(CleaningPipeline& pipeline, ByteBuffer& out);

// No stage holds back part of a line or stands within one: the output so far is all the input
// so far becomes, and the next byte starts a line for every stage.
[[nodiscard]] bool CarriesNothing(const CleaningPipeline& pipeline);

} // namespace brisklet
