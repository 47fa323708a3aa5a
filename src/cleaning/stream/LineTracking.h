// The stream engine taken one line of the source at a time, every stage after the other, so that
// the fate of each line is known: for a settings block whose view entries must follow their
// lines. The bytes are those the stages give one after the other, merges of line ends included:
// a line that ends in a lone CR and an LF that comes to stand right after it (the lines between
// gone, or a line emptied) make one CR LF line end, and the line the LF ended is gone.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "cleaning/stream/ByteBuffer.h"
#include "cleaning/stream/PieceFeeding.h"
#include "cleaning/stream/Pipeline.h"

namespace brisklet {

// A line of the source and what the run made of it, both without line end.
struct TrackedLine {
    std::string_view Input;
    std::string_view Output;
    bool Kept = false; // it is a line of the result
};
using LineWatch = std::function<void(const TrackedLine& line)>;

// What each stage knows of the lines it was given: whether the last ended in a lone CR and
// whether it kept that one, and whether any line end came at all (a text without one is one
// line, which the line-based operations leave alone).
struct TrackedStage {
    bool PendingCr = false;
    bool PendingKept = false;
    bool SawLineEnd = false;
};

struct LineTracking {
    std::vector<TrackedStage> Stages;
    TrackedStage Result; // the same of the result
    std::string Carry;   // the start of a line whose end has not come yet
    ByteBuffer Line[2];
};

// For the stages of a started pipeline.
void StartLineTracking(LineTracking& tracking, const CleaningPipeline& pipeline);

// Runs the next bytes of the source through every stage, line by line, and appends the result
// to out. Each line goes to watch, and, when piece is set, to piece with what became of it. The
// bytes may be cut anywhere, except inside a UTF-8 sequence when a case conversion runs. Stops
// when GrowthExceeded is set.
void FeedTrackedLines(CleaningPipeline& pipeline, LineTracking& tracking, std::string_view bytes, ByteBuffer& out,
                      const LineWatch& watch, const PieceHandler& piece);

// The end of the source: its last line, when it has no line end.
void FinishTrackedLines(CleaningPipeline& pipeline, LineTracking& tracking, ByteBuffer& out, const LineWatch& watch,
                        const PieceHandler& piece);

} // namespace brisklet
