// The line-based operations on file bytes: every line through its step, the unchanged ones copied
// in runs.
#include "cleaning/LineRebuilding.h"

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

} // namespace

// A line with the stage's trigger is the only kind its step changes when it has one, so the
// lines before the next one holding it are copied unseen.
void RebuildLines(CleaningPipeline& pipeline, CleaningStage& stage, std::string_view piece, ByteBuffer& out) {
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
        size_t lineEnd = NextLineEnd(piece, lineStart);
        size_t next = size;
        if (lineEnd == None)
            lineEnd = size;
        else
            next = lineEnd + (piece[lineEnd] == '\r' && lineEnd + 1 < size && piece[lineEnd + 1] == '\n' ? 2 : 1);
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
