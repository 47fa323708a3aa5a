// The stages of a cleaning run on file bytes, each with its carry from one block to the next,
// and the fused path that takes a line through every stage at once.
#include "cleaning/stream/Pipeline.h"

#include <algorithm>
#include <functional>

#include "cleaning/LineEndScan.h"
#include "cleaning/stream/LineRebuilding.h"
#include "cleaning/stream/WholeTextSteps.h"

namespace brisklet {

namespace {

// piece holds whole lines, or is the rest of the text when last is set.
void RunPiece(CleaningPipeline& pipeline, CleaningStage& stage, std::string_view piece, bool last, ByteBuffer& out) {
    if (piece.empty())
        return;
    if (!stage.SawLineEnd)
        stage.SawLineEnd = !last || HasLineEnd(piece);
    // A text without any line end is one line, which the line-based operations leave alone.
    if (!stage.SawLineEnd && !IsWholeTextOperation(stage.Operation)) {
        AppendBytes(out, piece);
        return;
    }
    if (IsWholeTextOperation(stage.Operation)) {
        WholeTextStep(stage.Operation, pipeline.Encoding, piece, out);
        return;
    }
    RebuildLines(pipeline, stage, piece, out);
}

// The stage works on whole lines only: what follows the last line end it can be sure of waits
// in its carry for the next block.
void RunStage(CleaningPipeline& pipeline, CleaningStage& stage, std::string_view in, bool last, ByteBuffer& out) {
    if (!stage.Carry.empty()) {
        const size_t take = last ? in.size() : CompletingLength(stage.Carry, in);
        if (take == std::string_view::npos) {
            stage.Carry.append(in);
            return;
        }
        stage.Carry.append(in.substr(0, take));
        in.remove_prefix(take);
        RunPiece(pipeline, stage, stage.Carry, last, out);
        stage.Carry.clear();
    }
    if (last) {
        RunPiece(pipeline, stage, in, true, out);
        return;
    }
    const size_t cut = CertainEnd(in);
    RunPiece(pipeline, stage, in.substr(0, cut), false, out);
    stage.Carry.assign(in.substr(cut));
}

// A line longer than this goes through the stages one by one, which hold two copies of it at
// most where the fused path holds three.
constexpr size_t LongLine = size_t{1} << 20;

// Every stage on one line after the other, while the line is in the cache; the length of
// piece done. It stops before a line that ends in a lone CR: a later stage may see that CR
// join the LF of a line an earlier stage emptied, which only the stages one by one get right.
size_t RunFused(CleaningPipeline& pipeline, std::string_view piece, ByteBuffer& out) {
    size_t runStart = 0;
    size_t lineStart = 0;
    while (lineStart < piece.size() && !pipeline.GrowthExceeded) {
        const size_t lineEnd = NextLineEnd(piece, lineStart);
        if (lineEnd - lineStart > LongLine)
            break;
        size_t next = lineEnd + 1;
        if (piece[lineEnd] == '\r') {
            if (lineEnd + 1 == piece.size() || piece[lineEnd + 1] != '\n')
                break;
            ++next;
        }
        std::string_view line = piece.substr(lineStart, lineEnd - lineStart);
        bool kept = true;
        bool changed = false;
        size_t spare = 0;
        for (CleaningStage& stage : pipeline.Stages) {
            stage.SawLineEnd = true;
            if (IsWholeTextOperation(stage.Operation)) {
                ByteBuffer& into = pipeline.Line[spare];
                into.Size = 0;
                WholeTextStep(stage.Operation, pipeline.Encoding, line, into);
                if (BufferView(into) == line)
                    continue;
                line = BufferView(into);
                spare ^= 1;
                changed = true;
                continue;
            }
            const LineResult<char> result = LineStep(pipeline, stage, line);
            if (!result) {
                kept = false;
                break;
            }
            if (result->FillCount == 0 && result->KeepFrom == 0 && result->KeepTo == line.size())
                continue;
            changed = true;
            // Without a fill the new line is a part of the old one: no copy needed.
            if (result->FillCount == 0) {
                line = line.substr(result->KeepFrom, result->KeepTo - result->KeepFrom);
                continue;
            }
            ByteBuffer& into = pipeline.Line[spare];
            into.Size = 0;
            AppendFill(into, result->FillCount, result->Fill);
            AppendBytes(into, line.substr(result->KeepFrom, result->KeepTo - result->KeepFrom));
            line = BufferView(into);
            spare ^= 1;
        }
        if (!kept) {
            AppendBytes(out, piece.substr(runStart, lineStart - runStart));
            runStart = next;
        } else if (changed) {
            // A line cut at its end or its start is still a part of the piece: a hole in the run.
            const char* const at = piece.data() + lineStart;
            const char* const end = piece.data() + lineEnd;
            const std::less_equal<const char*> notAfter;
            if (line.data() == at) {
                AppendBytes(out, piece.substr(runStart, lineStart + line.size() - runStart));
                runStart = lineEnd;
            } else if (line.data() + line.size() == end && notAfter(at, line.data()) && notAfter(line.data(), end)) {
                AppendBytes(out, piece.substr(runStart, lineStart - runStart));
                runStart = static_cast<size_t>(line.data() - piece.data());
            } else {
                AppendBytes(out, piece.substr(runStart, lineStart - runStart));
                AppendBytes(out, line);
                runStart = lineEnd;
            }
        }
        lineStart = next;
    }
    AppendBytes(out, piece.substr(runStart, lineStart - runStart));
    return lineStart;
}

void RunStages(CleaningPipeline& pipeline, std::string_view bytes, bool last, ByteBuffer& out) {
    if (pipeline.Stages.empty()) {
        AppendBytes(out, bytes);
        return;
    }
    // One stage alone runs faster by itself: it skips the lines it cannot change.
    if (!last && pipeline.Stages.size() > 1 && CarriesNothing(pipeline))
        bytes.remove_prefix(RunFused(pipeline, bytes.substr(0, CertainEnd(bytes)), out));
    std::string_view in = bytes;
    const size_t count = pipeline.Stages.size();
    for (size_t i = 0; i < count && !pipeline.GrowthExceeded; ++i) {
        ByteBuffer& target = i + 1 == count ? out : pipeline.Between[i % 2];
        if (i + 1 < count)
            target.Size = 0;
        RunStage(pipeline, pipeline.Stages[i], in, last, target);
        // The stage's input has gone into target: after a long line, its room is given back
        // rather than kept beside the next stage's.
        if (i > 0 && pipeline.Between[(i - 1) % 2].Capacity > LongLine)
            pipeline.Between[(i - 1) % 2] = ByteBuffer{};
        in = BufferView(target);
    }
}

} // namespace

bool CarriesNothing(const CleaningPipeline& pipeline) {
    return std::all_of(pipeline.Stages.begin(), pipeline.Stages.end(),
                       [](const CleaningStage& stage) { return stage.Carry.empty(); });
}

void StartPipeline(CleaningPipeline& pipeline, const std::vector<CleaningOperation>& operations, int32_t tabLength) {
    pipeline.Stages.clear();
    for (const CleaningOperation operation : operations)
        pipeline.Stages.push_back(CleaningStage{operation, {}, false, 0});
    pipeline.TabLength = tabLength;
    pipeline.Encoding = ByteEncoding::SingleByte;
    pipeline.GrowthExceeded = false;
}

void FeedPipeline(CleaningPipeline& pipeline, std::string_view bytes, ByteBuffer& out) {
    RunStages(pipeline, bytes, false, out);
}

void FinishPipeline(CleaningPipeline& pipeline, ByteBuffer& out) {
    RunStages(pipeline, {}, true, out);
}

} // namespace brisklet
