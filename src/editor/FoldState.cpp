// The caret line and the collapsed folds, captured before a write-back and restored after it.
#include "editor/FoldState.h"

#include <algorithm>
#include <optional>

#include "editor/LineSearch.h"
#include "editor/ScintillaMessages.h"

namespace brisklet {

namespace {

std::vector<intptr_t> ContractedHeadersLineByLine(EditorPort& editor, intptr_t lineCount) {
    std::vector<intptr_t> headers;
    for (intptr_t line = 0; line < lineCount; ++line) {
        const intptr_t level = editor.Call(SCI_GETFOLDLEVEL, static_cast<uintptr_t>(line));
        if ((level & SC_FOLDLEVELHEADERFLAG) != 0 && editor.Call(SCI_GETFOLDEXPANDED, static_cast<uintptr_t>(line)) == 0)
            headers.push_back(line);
    }
    return headers;
}

// Whether every fold shown is collapsed costs three round trips and a few messages per fold to
// find out; it pays only with many folds, and only while the lines shown beside them are not
// many more than the folds, so that no message is asked per line.
constexpr intptr_t FoldsWorthOneFoldAll = 8;
constexpr intptr_t ShownLinesPerFold = 2;

std::vector<intptr_t> AnswersTo(EditorPort& editor, unsigned message, const std::vector<intptr_t>& lines, intptr_t lParam) {
    std::vector<EditorMessage> asks;
    for (const intptr_t line : lines)
        asks.push_back({message, static_cast<uintptr_t>(line), lParam});
    return editor.CallAll(asks);
}

// Notes the outermost collapsed headers, and whether no line shown outside them heads a fold.
void NoteOutermostHeaders(EditorPort& editor, FoldState& state) {
    const auto contracted = static_cast<intptr_t>(state.ContractedHeaders.size());
    if (contracted < FoldsWorthOneFoldAll)
        return;
    const intptr_t shown = editor.Call(SCI_VISIBLEFROMDOCLINE, static_cast<uintptr_t>(state.LineCount));
    if (shown - contracted > ShownLinesPerFold * contracted)
        return;
    const std::vector<intptr_t> lastChildren = AnswersTo(editor, SCI_GETLASTCHILD, state.ContractedHeaders, -1);
    std::vector<intptr_t> outside;
    intptr_t next = 0; // the first line not inside an outermost collapsed fold
    for (size_t i = 0; i < state.ContractedHeaders.size(); ++i) {
        const intptr_t header = state.ContractedHeaders[i];
        if (header < next)
            continue;
        for (intptr_t line = next; line < header; ++line)
            outside.push_back(line);
        state.OutermostHeaders.push_back(header);
        next = std::max(header, lastChildren[i]) + 1;
    }
    for (intptr_t line = next; line < state.LineCount; ++line)
        outside.push_back(line);
    if (static_cast<intptr_t>(outside.size()) > ShownLinesPerFold * contracted)
        return;
    const std::vector<intptr_t> levels = AnswersTo(editor, SCI_GETFOLDLEVEL, outside, 0);
    state.EveryShownHeaderContracted =
        std::none_of(levels.begin(), levels.end(), [](intptr_t level) { return (level & SC_FOLDLEVELHEADERFLAG) != 0; });
}

} // namespace

FoldState CaptureFoldState(EditorPort& editor, intptr_t lineCount) {
    FoldState state;
    const intptr_t caret = editor.Call(SCI_GETCURRENTPOS);
    state.CaretLine = editor.Call(SCI_LINEFROMPOSITION, static_cast<uintptr_t>(caret));
    state.LineCount = lineCount;
    std::optional<std::vector<intptr_t>> headers = FindEveryLine(editor, SCI_CONTRACTEDFOLDNEXT, 0, lineCount);
    state.ContractedHeaders = headers ? std::move(*headers) : ContractedHeadersLineByLine(editor, lineCount);
    NoteOutermostHeaders(editor, state);
    return state;
}

std::vector<EditorMessage> ShowFoldedLines(const FoldState& state) {
    if (state.ContractedHeaders.empty())
        return {};
    return {{SCI_SHOWLINES, 0, state.LineCount - 1}};
}

void RestoreFoldState(EditorPort& editor, const FoldState& state) {
    if (state.EveryShownHeaderContracted) {
        // The cleaning may have put an outermost header inside another fold: every flag is set.
        editor.Command(SCI_FOLDALL, SC_FOLDACTION_CONTRACT);
        for (const intptr_t line : state.ContractedHeaders)
            editor.Command(SCI_SETFOLDEXPANDED, static_cast<uintptr_t>(line), 0);
    } else {
        for (const intptr_t line : state.ContractedHeaders)
            editor.Command(SCI_FOLDLINE, static_cast<uintptr_t>(line), SC_FOLDACTION_CONTRACT);
    }
    editor.Call(SCI_GOTOLINE, static_cast<uintptr_t>(state.CaretLine));
}

} // namespace brisklet
