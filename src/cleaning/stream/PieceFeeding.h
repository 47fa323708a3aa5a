// The stream engine fed piece by piece, each stretch of input handed on with its result, so that a
// diff can pair the lines.
#pragma once

#include <functional>
#include <string_view>

namespace brisklet {

struct ByteBuffer;
struct CleaningPipeline;

// Gets a stretch of input with what the pipeline made of it; settled as CarriesNothing after it.
using PieceHandler = std::function<void(std::string_view input, std::string_view output, bool settled)>;

// What FeedPipelineInPieces keeps from one call to the next: how much it next tries to run in
// one go, how much it runs line by line before it tries again, and how much that will be after
// the next failed try. One for each text, beside its pipeline.
struct PieceTrials {
    size_t TrialLength = 0;
    size_t LineByLine = 0;
    size_t Backoff = 0;
};

// FeedPipeline that hands every stretch of bytes to piece with its result, in order: a run of
// whole lines that came out as they went in at once, else one line up to its LF at a time, so
// that a diff can pair the lines. Stops when GrowthExceeded is set.
void FeedPipelineInPieces(CleaningPipeline& pipeline, PieceTrials& trials, std::string_view bytes,
                          const PieceHandler& piece, ByteBuffer& out);

} // namespace brisklet
