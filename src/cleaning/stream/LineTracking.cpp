// The stream engine taken one line of the source at a time, every stage after the other.
#include "cleaning/stream/LineTracking.h"

#include "cleaning/LineEndScan.h"
#include "cleaning/stream/LineRebuilding.h"
#include "cleaning/stream/WholeTextSteps.h"

namespace brisklet {

namespace {

constexpr size_t None = std::string_view::npos;

// A line as one stage hands it to the next: its text and its line end ("", LF, CR or CR LF).
struct Unit {
    std::string_view Text;
    std::string_view End;
};

// An LF that comes right after a line ending in a lone CR completes that line end.
bool Completes(const TrackedStage& stage, const Unit& unit) {
    return stage.PendingCr && unit.Text.empty() && unit.End == "\n";
}

// What the stage makes of the unit; false when nothing comes of it.
bool RunStage(CleaningPipeline& pipeline, CleaningStage& stage, TrackedStage& state, ByteBuffer& spare, Unit& unit) {
    if (Completes(state, unit)) {
        state.PendingCr = false;
        return state.PendingKept;
    }
    state.PendingCr = unit.End == "\r";
    state.SawLineEnd = state.SawLineEnd || !unit.End.empty();
    state.PendingKept = true;
    if (IsWholeTextOperation(stage.Operation)) {
        spare.Size = 0;
        WholeTextStep(stage.Operation, pipeline.Encoding, unit.Text, spare);
        unit.Text = BufferView(spare);
        return true;
    }
    if (!state.SawLineEnd)
        return true;
    const LineResult<char> result = LineStep(pipeline, stage, unit.Text);
    if (!result) {
        state.PendingKept = false;
        return false;
    }
    if (result->FillCount == 0) {
        unit.Text = unit.Text.substr(result->KeepFrom, result->KeepTo - result->KeepFrom);
        return true;
    }
    spare.Size = 0;
    AppendFill(spare, result->FillCount, result->Fill);
    AppendBytes(spare, unit.Text.substr(result->KeepFrom, result->KeepTo - result->KeepFrom));
    unit.Text = BufferView(spare);
    return true;
}

// One whole line of the source, with its line end when it has one.
void TakeLine(CleaningPipeline& pipeline, LineTracking& tracking, std::string_view line, ByteBuffer& out,
              const LineWatch& watch, const PieceHandler& piece) {
    size_t textEnd = line.size();
    while (textEnd > 0 && IsLineEnd(line[textEnd - 1]))
        --textEnd;
    Unit unit{line.substr(0, textEnd), line.substr(textEnd)};
    bool comes = true;
    size_t spare = 0;
    for (size_t i = 0; comes && i < pipeline.Stages.size(); ++i) {
        comes = RunStage(pipeline, pipeline.Stages[i], tracking.Stages[i], tracking.Line[spare], unit);
        if (pipeline.GrowthExceeded)
            return;
        // A stage that wrote a new text leaves it for the next, which writes into the other.
        if (unit.Text.data() == tracking.Line[spare].Data.get())
            spare ^= 1;
    }
    bool kept = false;
    const size_t outStart = out.Size;
    if (comes) {
        kept = !Completes(tracking.Result, unit);
        tracking.Result.PendingCr = kept && unit.End == "\r";
        AppendBytes(out, unit.Text);
        AppendBytes(out, unit.End);
    }
    watch(TrackedLine{line.substr(0, textEnd), kept ? unit.Text : std::string_view(), kept});
    if (piece)
        piece(line, BufferView(out).substr(outStart), true);
}

} // namespace

void StartLineTracking(LineTracking& tracking, const CleaningPipeline& pipeline) {
    tracking.Stages.assign(pipeline.Stages.size(), TrackedStage{});
    tracking.Result = TrackedStage{};
    tracking.Carry.clear();
}

void FeedTrackedLines(CleaningPipeline& pipeline, LineTracking& tracking, std::string_view bytes, ByteBuffer& out,
                      const LineWatch& watch, const PieceHandler& piece) {
    if (!tracking.Carry.empty()) {
        const size_t take = CompletingLength(tracking.Carry, bytes);
        if (take == None) {
            tracking.Carry.append(bytes);
            return;
        }
        tracking.Carry.append(bytes.substr(0, take));
        bytes.remove_prefix(take);
        TakeLine(pipeline, tracking, tracking.Carry, out, watch, piece);
        tracking.Carry.clear();
    }
    while (!bytes.empty() && !pipeline.GrowthExceeded) {
        const size_t lineEnd = NextLineEnd(bytes, 0);
        // A CR at the end may be the first half of a CR LF.
        if (lineEnd == None || (bytes[lineEnd] == '\r' && lineEnd + 1 == bytes.size())) {
            tracking.Carry.assign(bytes);
            return;
        }
        const size_t next = AfterLineEnd(bytes, lineEnd);
        TakeLine(pipeline, tracking, bytes.substr(0, next), out, watch, piece);
        bytes.remove_prefix(next);
    }
}

void FinishTrackedLines(CleaningPipeline& pipeline, LineTracking& tracking, ByteBuffer& out, const LineWatch& watch,
                        const PieceHandler& piece) {
    if (!tracking.Carry.empty())
        TakeLine(pipeline, tracking, tracking.Carry, out, watch, piece);
    tracking.Carry.clear();
}

} // namespace brisklet
