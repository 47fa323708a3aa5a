// Only the IDE's selection of a whole text cleaned, as Brisklet.exe cleans a selection in the
// editor: the selection is a text of its own, without byte order mark or settings block, in the
// encoding of the whole text, and everything around it stays byte for byte.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cleaning/stream/SelectionRange.h"
#include "cleaning/stream/TextRun.h"

namespace brisklet {

struct SelectionRun {
    CleanRules Rules;
    ToolSelection Selection;
    std::string Name;    // of the text, for the reason below
    std::string Trouble; // set when the selection does not fit the text
};

// Reads the whole text and gives its result to the sink as CleanText would. A selection that
// reaches into the settings block is cut short before it: the block stays as the IDE wrote it.
[[nodiscard]] CleanOutcome CleanSelectedText(const ReadBytes& read, const CleanSink& sink,
                                             SelectionRun& cleaning);

} // namespace brisklet
