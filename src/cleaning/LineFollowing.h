// Where a line of a document goes when a run cleans part of it: the line map both programs keep
// of a run, for the caret, the folds and the markers.
#pragma once

#include <cstdint>
#include <vector>

#include "cleaning/LineSkeleton.h"

namespace brisklet {

// Lines are numbered as the editor counts them: a CR LF pair, a lone LF and a lone CR each end
// a line.
struct LineMap {
    std::vector<LineChanges> Steps; // what the line operations did, in the order they ran
    intptr_t FirstLine = 0;         // the document line where the text cleaned begins
    intptr_t LinesBefore = 0;       // document lines the text cleaned spans
    intptr_t LinesAfter = 0;        // document lines the cleaned text spans
    // A line the text holds only in part stays with what lies outside the text: the first
    // keeps its number, the last moves with the lines after the text.
    bool StartsInsideLine = false;
    bool EndsInsideLine = false;
};

struct MappedLine {
    intptr_t Line = 0;
    bool Kept = true;
};

// Where line went. A line that went maps to where the next kept line stands, through every
// later step too. Lines before the text keep their numbers; lines after it move by the change
// in its line count.
[[nodiscard]] MappedLine FollowLine(const LineMap& map, intptr_t line);

} // namespace brisklet
