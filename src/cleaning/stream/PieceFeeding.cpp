// The stream engine fed piece by piece, each stretch of input handed on with its result, so that a
// diff can pair the lines.
#include "cleaning/stream/PieceFeeding.h"

#include <algorithm>
#include <vector>

#include "cleaning/stream/Pipeline.h"

namespace brisklet {

void FeedPipelineInPieces(CleaningPipeline& pipeline, PieceTrials& trials, std::string_view bytes,
                          const PieceHandler& piece, ByteBuffer& out) {
    // Most lines of most texts stay as they are: a stretch is tried in one go, from where the
    // stages hold nothing, and only when it changed is it run again line by line. The tries
    // grow while they pay; where changes come thick, ever longer stretches go line by line
    // before the next try.
    constexpr size_t ShortestTrial = size_t{1} << 10;
    constexpr size_t LongestTrial = size_t{1} << 16;
    constexpr size_t LongestBackoff = size_t{1} << 20;
    // Where the line that holds from ends, its LF included.
    const auto lineEnd = [](std::string_view text, size_t from) {
        return std::min(text.find('\n', from), text.size() - 1) + 1;
    };
    while (!bytes.empty() && !pipeline.GrowthExceeded) {
        trials.TrialLength = std::clamp(trials.TrialLength, ShortestTrial, LongestTrial);
        trials.Backoff = std::clamp(trials.Backoff, ShortestTrial, LongestBackoff);
        const bool trying = trials.LineByLine == 0 && CarriesNothing(pipeline);
        const size_t wanted = trying ? trials.TrialLength : std::max<size_t>(trials.LineByLine, 1);
        const std::string_view stretch = bytes.substr(0, lineEnd(bytes, wanted - 1));
        bytes.remove_prefix(stretch.size());
        trials.LineByLine -= std::min(trials.LineByLine, stretch.size());
        if (trying) {
            const std::vector<CleaningStage> before = pipeline.Stages;
            out.Size = 0;
            FeedPipeline(pipeline, stretch, out);
            if (!pipeline.GrowthExceeded && BufferView(out) == stretch && CarriesNothing(pipeline)) {
                piece(stretch, stretch, true);
                trials.TrialLength *= 2;
                trials.Backoff = ShortestTrial;
                continue;
            }
            pipeline.Stages = before;
            pipeline.GrowthExceeded = false;
            trials.TrialLength = ShortestTrial;
            trials.LineByLine = trials.Backoff;
            trials.Backoff *= 2;
        }
        for (size_t at = 0; at < stretch.size();) {
            const std::string_view line = stretch.substr(at, lineEnd(stretch, at) - at);
            out.Size = 0;
            FeedPipeline(pipeline, line, out);
            if (pipeline.GrowthExceeded)
                return;
            piece(line, BufferView(out), CarriesNothing(pipeline));
            // A long line's result has gone to piece: its room is not kept beside piece's copy.
            if (out.Capacity > pipeline.PieceLength)
                out = ByteBuffer{};
            at += line.size();
        }
    }
}

} // namespace brisklet
