// The line-based operations on file bytes: every line through its step, the unchanged ones copied
// in runs.
#include "cleaning/stream/LineRebuilding.h"

#include <algorithm>

#include "cleaning/LineEndScan.h"

namespace brisklet {

namespace {

constexpr size_t None = std::string_view::npos;

// What a line must hold for the step to change it, where there is such a thing: the lines
// without it are copied unseen.
std::string_view TriggerOf(CleaningOperation operation) {
    if (operation == CleaningOperation::RemoveComments)
        return Semicolon<char>;
    return operation == CleaningOperation::RemoveDebugLines ? DebugWord<char> : "";
}

struct LineBounds {
    size_t End;  // the line end, or the end of the piece
    size_t Next; // where the next line starts
};

// The end of the line that goes on at from.
LineBounds LineFrom(std::string_view piece, size_t from) {
    const size_t end = NextLineEnd(piece, from);
    return end == None ? LineBounds{piece.size(), piece.size()} : LineBounds{end, AfterLineEnd(piece, end)};
}

// The two indentation conversions without the general step, for they change nearly every line:
// the indentation is measured as it is passed, and a line whose indentation is already what the
// conversion makes is copied unseen. The same rules as the steps: white space only becomes
// empty, and "/converttabtospace" counts its growth, which stops the stage past the limit.
void Reindent(CleaningPipeline& pipeline, CleaningStage& stage, std::string_view piece, ByteBuffer& out) {
    const bool toSpaces = stage.Operation == CleaningOperation::ConvertTabToSpace;
    const char* const data = piece.data();
    const size_t size = piece.size();
    const int64_t tabLength = pipeline.TabLength;
    size_t runStart = 0;
    size_t lineStart = 0;
    while (lineStart < size && !pipeline.GrowthExceeded) {
        size_t at = lineStart;
        int64_t width = 0; // to spaces: the columns
        int64_t pending = 0; // to tabs: the spaces not yet a tab
        size_t tabs = 0;
        bool other = false; // a blank of the kind the conversion replaces
        for (; at < size && IsBlank(data[at]); ++at) {
            const bool tab = data[at] == '\t';
            other = other || tab == toSpaces;
            if (toSpaces) {
                width += tab ? tabLength : 1;
            } else if (tab || ++pending == tabLength) {
                ++tabs;
                pending = 0;
            }
        }
        const auto [lineEnd, next] = LineFrom(piece, at);
        const bool blanksOnly = at == lineEnd;
        if (at > lineStart && (other || blanksOnly)) {
            size_t fill = 0;
            if (!blanksOnly && toSpaces) {
                fill = static_cast<size_t>(std::max<int64_t>(width, 0));
                stage.Growth += static_cast<int64_t>(fill) - static_cast<int64_t>(at - lineStart);
                if (GrowsTooMuch(stage.Growth)) {
                    pipeline.GrowthExceeded = true;
                    break;
                }
            } else if (!blanksOnly) {
                fill = tabs;
            }
            AppendBytes(out, piece.substr(runStart, lineStart - runStart));
            AppendFill(out, fill, toSpaces ? ' ' : '\t');
            runStart = at;
        }
        lineStart = next;
    }
    AppendBytes(out, piece.substr(runStart));
}

} // namespace

// A line with the stage's trigger is the only kind its step changes when it has one, so the
// lines before the next one holding it are copied unseen.
void RebuildLines(CleaningPipeline& pipeline, CleaningStage& stage, std::string_view piece, ByteBuffer& out) {
    // Room for the whole result at once but for a tab conversion's fills: grown one append
    // at a time, a long line's result would be copied when it is nearly whole, holding it twice.
    ReserveBytes(out, piece.size());
    if (stage.Operation == CleaningOperation::ConvertTabToSpace ||
        stage.Operation == CleaningOperation::ConvertSpaceToTab) {
        Reindent(pipeline, stage, piece, out);
        return;
    }
    const std::string_view trigger = TriggerOf(stage.Operation);
    const size_t size = piece.size();
    size_t runStart = 0;
    const auto flushRun = [&](size_t runEnd) {
        if (runEnd > runStart)
            AppendBytes(out, piece.substr(runStart, runEnd - runStart));
    };
    size_t nextTrigger = trigger.empty() ? None : piece.find(trigger);
    size_t lineStart = 0;
    while (lineStart < size) {
        if (!trigger.empty()) {
            if (nextTrigger != None && nextTrigger < lineStart)
                nextTrigger = piece.find(trigger, lineStart);
            if (nextTrigger == None)
                break;
            lineStart = LineStartBefore(piece, lineStart, nextTrigger);
        }
        const auto [lineEnd, next] = LineFrom(piece, lineStart);
        const std::string_view line = piece.substr(lineStart, lineEnd - lineStart);
        const LineResult<char> kept = LineStep(pipeline, stage, line);
        // What a step removes is a hole in the copied runs: at the line's start, at its end, or
        // all of it with its line end; only a fill or a part kept from the middle is copied apart.
        if (!kept) {
            flushRun(lineStart);
            runStart = next;
        } else if (kept->FillCount != 0 || kept->KeepFrom != 0 || kept->KeepTo != line.size()) {
            flushRun(lineStart + (kept->KeepFrom == 0 && kept->FillCount == 0 ? kept->KeepTo : 0));
            AppendFill(out, kept->FillCount, kept->Fill);
            if (kept->KeepTo == line.size()) {
                runStart = lineStart + kept->KeepFrom;
            } else {
                if (kept->KeepFrom != 0 || kept->FillCount != 0)
                    AppendBytes(out, line.substr(kept->KeepFrom, kept->KeepTo - kept->KeepFrom));
                runStart = lineEnd;
            }
        }
        lineStart = next;
    }
    flushRun(size);
}

} // namespace brisklet
