// Every line that a "next such line from here" message names, found in few round trips.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace brisklet {

class EditorPort;

// Every line from 0 to lineCount - 1 that message (SCI_CONTRACTEDFOLDNEXT, or SCI_MARKERNEXT with
// a mask as lParam) names when asked from some line, ascending. The lines still to search are
// asked about together and, behind each line found, split in halves: one message, and two more
// per line found; the round trips grow with the logarithm of lineCount, not with the lines
// found. nullopt when an answer lies before the line asked from: the control does not know the
// message (an unknown message answers 0).
[[nodiscard]] std::optional<std::vector<intptr_t>> FindEveryLine(EditorPort& editor, unsigned message,
                                                                 intptr_t lParam, intptr_t lineCount);

} // namespace brisklet
