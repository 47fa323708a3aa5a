// The caret line and the collapsed folds, captured before a write-back and restored after it.
#pragma once

#include <cstdint>
#include <vector>

namespace brisklet {

class EditorPort;

struct FoldState {
    intptr_t CaretLine = 0;
    intptr_t LineCount = 0;
    std::vector<intptr_t> ContractedHeaders; // fold header lines that were collapsed, ascending
};

// Asks for the collapsed headers with SCI_CONTRACTEDFOLDNEXT, a handful of messages for the
// whole document; a control that does not know the message gets two queries per line.
[[nodiscard]] FoldState CaptureFoldState(EditorPort& editor);

// Before the whole document is replaced: shows the lines of the captured collapsed folds. With
// lines hidden, the control looks for the last child of every line it deletes (asking the IDE to
// style the text up to each), a walk over the whole document; with none hidden it skips that.
// RestoreFoldState hides them again, also when the write does not happen.
void ShowFoldedLines(EditorPort& editor, const FoldState& state);

// Collapses the captured headers again, at the captured line numbers, then moves the caret
// to the start of the captured line. Expanded headers get nothing: expanding a header hidden
// in a collapsed fold would reveal it and open the fold around it.
void RestoreFoldState(EditorPort& editor, const FoldState& state);

} // namespace brisklet
