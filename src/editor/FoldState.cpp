// The caret line and the collapsed folds, captured before a write-back and restored after it.
#include "editor/FoldState.h"

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

} // namespace

FoldState CaptureFoldState(EditorPort& editor, intptr_t lineCount) {
    FoldState state;
    const intptr_t caret = editor.Call(SCI_GETCURRENTPOS);
    state.CaretLine = editor.Call(SCI_LINEFROMPOSITION, static_cast<uintptr_t>(caret));
    state.LineCount = lineCount;
    std::optional<std::vector<intptr_t>> headers = FindEveryLine(editor, SCI_CONTRACTEDFOLDNEXT, 0, lineCount);
    state.ContractedHeaders = headers ? std::move(*headers) : ContractedHeadersLineByLine(editor, lineCount);
    return state;
}

std::vector<EditorMessage> ShowFoldedLines(const FoldState& state) {
    if (state.ContractedHeaders.empty())
        return {};
    return {{SCI_SHOWLINES, 0, state.LineCount - 1}};
}

void RestoreFoldState(EditorPort& editor, const FoldState& state) {
    for (const intptr_t line : state.ContractedHeaders)
        editor.Command(SCI_FOLDLINE, static_cast<uintptr_t>(line), SC_FOLDACTION_CONTRACT);
    editor.Call(SCI_GOTOLINE, static_cast<uintptr_t>(state.CaretLine));
}

} // namespace brisklet
