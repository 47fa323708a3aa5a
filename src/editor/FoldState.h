// The caret line and the collapsed folds, captured before a write-back and restored after it.
#pragma once

#include <cstdint>
#include <vector>

#include "editor/EditorPort.h"

namespace brisklet {

struct FoldState {
    intptr_t CaretLine = 0;
    intptr_t LineCount = 0;
    std::vector<intptr_t> ContractedHeaders; // fold header lines that were collapsed, ascending
    // Those of them not inside another collapsed fold, and whether they are all the headers the
    // editor shows: then one SCI_FOLDALL collapses them together, where a SCI_FOLDLINE each would
    // make the control lay out its scroll bars and view once per fold.
    std::vector<intptr_t> OutermostHeaders;
    bool EveryShownHeaderContracted = false;
};

// Asks for the collapsed headers with SCI_CONTRACTEDFOLDNEXT from several lines at once: a few
// messages per collapsed fold, in a handful of round trips. A control that does not know the
// message gets two queries per line. With many collapsed folds, and few lines shown beside them,
// asks whether one of those heads a fold.
[[nodiscard]] FoldState CaptureFoldState(EditorPort& editor, intptr_t lineCount);

// What shows the lines of the captured collapsed folds, to be sent right before the whole
// document is replaced. With lines hidden, the control looks for the last child of every line
// it deletes (asking the IDE to style the text up to each), a walk over the whole document;
// with none hidden it skips that. RestoreFoldState hides them again.
[[nodiscard]] std::vector<EditorMessage> ShowFoldedLines(const FoldState& state);

// Collapses the captured headers again, at the captured line numbers, without waiting for each
// (all the outermost ones with one SCI_FOLDALL when every header shown was collapsed, then each
// by its flag alone), then moves the caret to the start of the captured line and waits for
// that. Expanded headers get nothing: expanding a header hidden in a collapsed fold would reveal
// it and open the fold around it.
void RestoreFoldState(EditorPort& editor, const FoldState& state);

} // namespace brisklet
