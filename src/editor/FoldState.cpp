// The caret line and the collapsed folds, captured before a write-back and restored after it.
#include "editor/FoldState.h"

#include <optional>

#include "editor/EditorPort.h"
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

// nullopt when the control answers with a line before the one asked: it does not know the
// message (an unknown message answers 0).
std::optional<std::vector<intptr_t>> ContractedHeadersFast(EditorPort& editor, intptr_t lineCount) {
    std::vector<intptr_t> headers;
    intptr_t from = 0;
    while (from < lineCount) {
        const intptr_t next = editor.Call(SCI_CONTRACTEDFOLDNEXT, static_cast<uintptr_t>(from));
        if (next < 0 || next >= lineCount)
            break;
        if (next < from)
            return std::nullopt;
        headers.push_back(next);
        from = next + 1;
    }
    return headers;
}

} // namespace

FoldState CaptureFoldState(EditorPort& editor) {
    FoldState state;
    const intptr_t caret = editor.Call(SCI_GETCURRENTPOS);
    state.CaretLine = editor.Call(SCI_LINEFROMPOSITION, static_cast<uintptr_t>(caret));
    state.LineCount = editor.Call(SCI_GETLINECOUNT);
    std::optional<std::vector<intptr_t>> headers = ContractedHeadersFast(editor, state.LineCount);
    state.ContractedHeaders = headers ? std::move(*headers) : ContractedHeadersLineByLine(editor, state.LineCount);
    return state;
}

void ShowFoldedLines(EditorPort& editor, const FoldState& state) {
    if (!state.ContractedHeaders.empty())
        editor.Call(SCI_SHOWLINES, 0, state.LineCount - 1);
}

void RestoreFoldState(EditorPort& editor, const FoldState& state) {
    for (const intptr_t line : state.ContractedHeaders)
        editor.Call(SCI_FOLDLINE, static_cast<uintptr_t>(line), SC_FOLDACTION_CONTRACT);
    editor.Call(SCI_GOTOLINE, static_cast<uintptr_t>(state.CaretLine));
}

} // namespace brisklet
