// The stages of a cleaning run on file bytes, each with its carry from one block to the next,
// and the fused path that takes a line through every stage at once.
#include "cleaning/stream/Pipeline.h"

#include <algorithm>
#include <cstring>
#include <functional>

#include "cleaning/LineEndScan.h"
#include "cleaning/stream/LineRebuilding.h"
#include "cleaning/stream/WholeTextSteps.h"
#include "runtime/TextCodec.h"

namespace brisklet {

namespace {

// The rest of a line whose start has gone on, at the front of piece: passed or dropped up to
// and with its line end; what follows it.
std::string_view FinishLineRest(CleaningStage& stage, std::string_view piece, ByteBuffer& out) {
    const size_t end = NextLineEnd(piece, 0);
    const size_t next = end == std::string_view::npos ? piece.size() : AfterLineEnd(piece, end);
    if (stage.Rest == LineRest::Passes)
        AppendBytes(out, piece.substr(0, next));
    if (end != std::string_view::npos) {
        stage.Rest = LineRest::Undecided;
        stage.SawLineEnd = true;
    }
    return piece.substr(next);
}

// Notes whether a line end has come by the end of piece (more after it ends its line), and
// answers whether piece still lies in the text's first line with none after it: a text without
// any line end is one line, which the line-based operations leave alone.
bool InOnlyLine(CleaningStage& stage, std::string_view piece, bool last) {
    if (!stage.SawLineEnd)
        stage.SawLineEnd = !last || HasLineEnd(piece);
    return !stage.SawLineEnd;
}

// piece holds whole lines, or is the rest of the text when last is set.
void RunPiece(CleaningPipeline& pipeline, CleaningStage& stage, std::string_view piece, bool last, ByteBuffer& out) {
    if (stage.Rest != LineRest::Undecided)
        piece = FinishLineRest(stage, piece, out);
    if (piece.empty())
        return;
    if (InOnlyLine(stage, piece, last) && !IsWholeTextOperation(stage.Operation)) {
        AppendBytes(out, piece);
        return;
    }
    if (IsWholeTextOperation(stage.Operation)) {
        WholeTextStep(stage.Operation, pipeline.Encoding, piece, out);
        return;
    }
    RebuildLines(pipeline, stage, piece, out);
}

// Where the blanks (or for "/removedoublespaces" the spaces) at the end of bytes start.
size_t TrailingRunStart(std::string_view bytes, bool spacesOnly) {
    size_t at = bytes.size();
    while (at > 0 && (spacesOnly ? bytes[at - 1] == ' ' : IsBlank(bytes[at - 1])))
        --at;
    return at;
}

// "/removecomments" on a long part of a line: what comes before the comment's ";" goes on, for
// it stays whether the line is cut there or kept whole; the comment waits in the carry for the
// line's end, unless a ~" comes first and keeps the line whole. The carry keeps its last byte,
// a ~ that the next byte may make ~". Answers how much of the carry went.
size_t SettleCommentLine(CleaningStage& stage, ByteBuffer& out) {
    const std::string_view carry = BufferView(stage.Carry);
    if (carry.find(detail::EscapedQuote<char>, stage.Searched > 0 ? stage.Searched - 1 : 0) != std::string_view::npos) {
        AppendBytes(out, carry);
        stage.Rest = LineRest::Passes;
        stage.InString = false;
        return carry.size();
    }
    const size_t limit = carry.size() - 1;
    bool inString = stage.InString;
    size_t cut = limit;
    for (size_t at = 0;;) {
        const size_t semicolon = carry.find(';', at);
        const size_t stop = std::min(semicolon, limit);
        inString ^= std::count(carry.begin() + static_cast<ptrdiff_t>(at), carry.begin() + static_cast<ptrdiff_t>(stop),
                               '"') % 2 != 0;
        if (semicolon >= limit || !inString) {
            cut = stop;
            break;
        }
        at = semicolon + 1;
    }
    AppendBytes(out, carry.substr(0, cut));
    stage.InString = inString;
    stage.Searched = carry.size() - cut;
    return cut;
}

// The stage's carry holds a long part of a line, no line end: what the operation can already
// tell of it goes to out, and the carry keeps only what it cannot.
void SettleLongLine(CleaningPipeline& pipeline, CleaningStage& stage, ByteBuffer& out) {
    const std::string_view carry = BufferView(stage.Carry);
    const CleaningOperation operation = stage.Operation;
    const bool aLine = stage.SawLineEnd || pipeline.LineEndAhead;
    size_t settled = 0;
    if (stage.Rest == LineRest::Passes) {
        AppendBytes(out, carry);
        settled = carry.size();
    } else if (stage.Rest == LineRest::Goes) {
        settled = carry.size();
    } else if (operation == CleaningOperation::RemoveDoubleSpaces) {
        // A run of spaces at the end becomes one space whatever follows: one stands for it.
        settled = TrailingRunStart(carry, true);
        WholeTextStep(operation, pipeline.Encoding, carry.substr(0, settled), out);
        stage.Carry.Size = std::min(carry.size(), settled + 1);
    } else if (IsWholeTextOperation(operation)) {
        settled = operation == CleaningOperation::RemoveAllSpaces ? carry.size() : WholeSequencesEnd(carry);
        WholeTextStep(operation, pipeline.Encoding, carry.substr(0, settled), out);
    } else if (operation == CleaningOperation::RemoveSpacesAtEndOfLines) {
        // The blanks at the end are all the step can take, whether a line end follows or not.
        settled = TrailingRunStart(carry, false);
        AppendBytes(out, carry.substr(0, settled));
    } else if (operation == CleaningOperation::RemoveEmptyLines) {
        // A line with something besides blanks stays, whether a line end follows or not.
        if (TrailingRunStart(carry, false) > 0) {
            AppendBytes(out, carry);
            settled = carry.size();
            stage.Rest = LineRest::Passes;
        }
    } else if (operation == CleaningOperation::RemoveDebugLines) {
        // Only what came since the last look, and the word's length before it, is new.
        const size_t word = std::char_traits<char>::length(DebugWord<char>);
        if (aLine &&
            carry.find(DebugWord<char>, stage.Searched > word ? stage.Searched - word : 0) != std::string_view::npos) {
            settled = carry.size();
            stage.Rest = LineRest::Goes;
        }
        stage.Searched = aLine ? carry.size() - settled : 0;
    } else if (operation == CleaningOperation::RemoveComments) {
        settled = SettleCommentLine(stage, out);
    } else if (aLine ? std::any_of(carry.begin(), carry.end(), [](char c) { return !IsBlank(c); })
                     : !IsBlank(carry.front())) {
        // The indentation is passed: the step's new start, and the rest as it is. Within the
        // text's first line only a line without indentation goes on: the step leaves it as it
        // is, as does a text without a line end.
        const LineResult<char> result = LineStep(pipeline, stage, carry);
        AppendFill(out, result->FillCount, result->Fill);
        AppendBytes(out, carry.substr(result->KeepFrom));
        settled = carry.size();
        stage.Rest = LineRest::Passes;
    }
    DropFront(stage.Carry, settled);
}

// A carry that is part of a long line is settled; once the line's fate is known, at once. The
// carry's only line end can be a CR at its end.
void SettleIfLong(CleaningPipeline& pipeline, CleaningStage& stage, ByteBuffer& out) {
    const std::string_view carry = BufferView(stage.Carry);
    if ((carry.size() > pipeline.PieceLength || stage.Rest != LineRest::Undecided) && !carry.empty() &&
        carry.back() != '\r')
        SettleLongLine(pipeline, stage, out);
}

// A long line the stage held whole, now complete in its carry (its line end the carry's last
// bytes, or none at the text's end): where out is empty, the step's result is made where the
// line lies and its room becomes out's, so that the line is not held twice. False when it is
// left to RunPiece.
bool TakeHeldLine(CleaningPipeline& pipeline, CleaningStage& stage, bool last, ByteBuffer& out) {
    ByteBuffer& carry = stage.Carry;
    if (out.Size != 0 || carry.Size <= pipeline.PieceLength || stage.Rest != LineRest::Undecided ||
        IsWholeTextOperation(stage.Operation))
        return false;
    const std::string_view text = BufferView(carry);
    const size_t end = std::min(NextLineEnd(text, 0), text.size());
    if (!InOnlyLine(stage, text, last)) {
        const LineResult<char> result = LineStep(pipeline, stage, text.substr(0, end));
        if (!result) {
            carry.Size = 0;
        } else {
            // The kept part and the line end move left, or right after a longer fill, each
            // before the part whose place it takes.
            const size_t fill = result->FillCount;
            const size_t kept = result->KeepTo - result->KeepFrom;
            const size_t lineEnd = text.size() - end;
            if (fill > result->KeepFrom)
                ReserveBytes(carry, fill - result->KeepFrom);
            char* const bytes = carry.Data.get();
            if (fill > result->KeepFrom)
                std::memmove(bytes + fill + kept, bytes + end, lineEnd);
            std::memmove(bytes + fill, bytes + result->KeepFrom, kept);
            if (fill <= result->KeepFrom)
                std::memmove(bytes + fill + kept, bytes + end, lineEnd);
            std::memset(bytes, result->Fill, fill);
            carry.Size = fill + kept + lineEnd;
        }
    }
    std::swap(carry, out);
    return true;
}

// The stage works on whole lines only: what follows the last line end it can be sure of waits
// in its carry for the next block, and goes on in pieces when it grows long (SettleLongLine).
void RunStage(CleaningPipeline& pipeline, CleaningStage& stage, std::string_view in, bool last, ByteBuffer& out) {
    if (stage.Carry.Size != 0) {
        // At the end too the carry's line goes alone: InString is that line's.
        const size_t completing = CompletingLength(BufferView(stage.Carry), in);
        const size_t take = last && completing == std::string_view::npos ? in.size() : completing;
        if (take == std::string_view::npos) {
            AppendBytes(stage.Carry, in);
            SettleIfLong(pipeline, stage, out);
            return;
        }
        AppendBytes(stage.Carry, in.substr(0, take));
        in.remove_prefix(take);
        if (!TakeHeldLine(pipeline, stage, last && in.empty(), out))
            RunPiece(pipeline, stage, BufferView(stage.Carry), last && in.empty(), out);
        stage.InString = false;
        // A long line held whole is in out now: its room is given back, not kept beside it.
        if (stage.Carry.Capacity > pipeline.PieceLength)
            stage.Carry = ByteBuffer{};
        stage.Carry.Size = 0;
    }
    if (last) {
        RunPiece(pipeline, stage, in, true, out);
        return;
    }
    const size_t cut = CertainEnd(in);
    RunPiece(pipeline, stage, in.substr(0, cut), false, out);
    AppendBytes(stage.Carry, in.substr(cut));
    stage.Searched = 0;
    SettleIfLong(pipeline, stage, out);
}

// A line longer than this goes through the stages one by one, which hold two copies of it at
// most where the fused path holds three.
constexpr size_t LongLine = size_t{1} << 20;

// A long stretch from the stage before (a long line it held whole and let go at once) goes on
// in eighths, each taken off the front of its room as it goes, so that the stage's input and
// output together stay near the stretch's size.
void RunStageTakingFront(CleaningPipeline& pipeline, CleaningStage& stage, ByteBuffer& input, bool last,
                         ByteBuffer& out) {
    const size_t part = std::max(LongLine, input.Size / 8);
    while (input.Size > part && !pipeline.GrowthExceeded) {
        const size_t cut = WholeSequencesEnd(BufferView(input).substr(0, part));
        RunStage(pipeline, stage, BufferView(input).substr(0, cut), false, out);
        DropFront(input, cut);
        ShrinkBuffer(input);
    }
    RunStage(pipeline, stage, BufferView(input), last, out);
}

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
        if (i > 0 && in.size() > LongLine)
            RunStageTakingFront(pipeline, pipeline.Stages[i], pipeline.Between[(i - 1) % 2], last, target);
        else
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
    return std::all_of(pipeline.Stages.begin(), pipeline.Stages.end(), [](const CleaningStage& stage) {
        return stage.Carry.Size == 0 && stage.Rest == LineRest::Undecided;
    });
}

bool MayHoldLine(const CleaningPipeline& pipeline) {
    return std::any_of(pipeline.Stages.begin(), pipeline.Stages.end(), [&pipeline](const CleaningStage& stage) {
        using enum CleaningOperation;
        const CleaningOperation operation = stage.Operation;
        const bool firstLine = !stage.SawLineEnd && !pipeline.LineEndAhead;
        return operation == RemoveComments ||
               (firstLine && (operation == RemoveDebugLines || operation == RemoveSpacesAtStartOfLines ||
                              operation == ConvertTabToSpace || operation == ConvertSpaceToTab));
    });
}

void StartPipeline(CleaningPipeline& pipeline, const std::vector<CleaningOperation>& operations, int32_t tabLength) {
    pipeline.Stages.clear();
    for (const CleaningOperation operation : operations)
        pipeline.Stages.emplace_back().Operation = operation;
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
