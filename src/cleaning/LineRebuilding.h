// The line-based operations on file bytes: every line through its step, the unchanged ones copied
// in runs.
#pragma once

#include <string_view>

#include "cleaning/ByteBuffer.h"
#include "cleaning/LineSkeleton.h"
#include "cleaning/StreamCleaning.h"

namespace brisklet {

// What the stage's line-based operation makes of one line (without its line end): the new line,
// or nullopt to drop it with its line end. "/converttabtospace" counts its growth in the stage
// and sets GrowthExceeded past MaxTabExpansionGrowth, leaving the line as it is from then on.
[[nodiscard]] LineResult<char> LineStep(CleaningPipeline& pipeline, CleaningStage& stage, std::string_view line);

// Appends to out every line of piece as LineStep makes it, each with its own line end. piece
// holds whole lines, except that the last piece of a text may end without a line end.
void RebuildLines(CleaningPipeline& pipeline, CleaningStage& stage, std::string_view piece, ByteBuffer& out);

} // namespace brisklet
