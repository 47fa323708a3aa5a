// The line-based operations on file bytes: every line through its step, the unchanged ones copied
// in runs.
#pragma once

#include <string_view>

#include "cleaning/stream/ByteBuffer.h"
#include "cleaning/Indentation.h"
#include "cleaning/LineSkeleton.h"
#include "cleaning/LineSteps.h"
#include "cleaning/stream/Pipeline.h"

namespace brisklet {

// The growth is counted over the whole text so that a corrupt tab length stops the run
// instead of writing gigabytes of spaces.
[[nodiscard]] inline LineResult<char> TabToSpaceStepCounted(CleaningPipeline& pipeline, CleaningStage& stage,
                                                             std::string_view line) {
    const LineResult<char> converted = TabToSpaceStep(line, pipeline.TabLength);
    stage.Growth += static_cast<int64_t>(converted->FillCount) - static_cast<int64_t>(converted->KeepFrom);
    if (GrowsTooMuch(stage.Growth) || pipeline.GrowthExceeded) {
        pipeline.GrowthExceeded = true;
        return WholeLine(line);
    }
    return converted;
}

// What the stage's line-based operation makes of one line (without its line end): the new line,
// or nullopt to drop it with its line end. "/converttabtospace" counts its growth in the stage
// and sets GrowthExceeded past MaxTabExpansionGrowth, leaving the line as it is from then on.
// Inline, as it runs once a line for each stage.
[[nodiscard]] inline LineResult<char> LineStep(CleaningPipeline& pipeline, CleaningStage& stage,
                                                std::string_view line) {
    switch (stage.Operation) {
    case CleaningOperation::RemoveEmptyLines:
        return EmptyLineStep(line);
    case CleaningOperation::RemoveDebugLines:
        return DebugLineStep(line);
    case CleaningOperation::RemoveComments:
        return NewLine<char>{0, std::min(detail::CommentStart(line, stage.InString), line.size())};
    case CleaningOperation::RemoveSpacesAtEndOfLines:
        return TrimEndStep(line);
    case CleaningOperation::RemoveSpacesAtStartOfLines:
        return TrimStartStep(line);
    case CleaningOperation::ConvertTabToSpace:
        return TabToSpaceStepCounted(pipeline, stage, line);
    case CleaningOperation::ConvertSpaceToTab:
        return SpaceToTabStep(line, pipeline.TabLength);
    case CleaningOperation::RemoveDoubleSpaces:
    case CleaningOperation::RemoveAllSpaces:
    case CleaningOperation::ConvertTextToLowerCase:
    case CleaningOperation::ConvertTextToUpperCase:
        break;
    }
    return WholeLine(line);
}

// Appends to out every line of piece as LineStep makes it, each with its own line end. piece
// holds whole lines, except that the last piece of a text may end without a line end.
void RebuildLines(CleaningPipeline& pipeline, CleaningStage& stage, std::string_view piece, ByteBuffer& out);

} // namespace brisklet
