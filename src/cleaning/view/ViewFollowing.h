// The view entries of a source's settings block followed through a run that cleans the source:
// over the whole source line by line as it goes, or over a part of a source held whole.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cleaning/view/FoldPoints.h"
#include "cleaning/stream/LineTracking.h"
#include "cleaning/view/ViewEntries.h"

namespace brisklet {

// The start words the fold points are found by: those of the IDE's preferences, else the IDE's
// defaults for the IDE the block names.
[[nodiscard]] FoldWords FoldWordsFor(const std::optional<std::vector<std::string>>& configured,
                                     const ViewEntries& entries);

// A run over the whole source, fed its lines by FeedTrackedLines. The source is what comes
// before the block; its last line end only parts it from the block, so its lines are those
// that end before it. What the entries ask of the line map is answered as the lines go by, so
// that nothing grows with the source but the fold states.
struct ViewFollowing {
    std::string Block; // as it was read before the run
    ViewEntries Entries;
    FoldWords StartWords;
    LineTracking Tracking;
    intptr_t Lines = 0; // of the source so far
    intptr_t Kept = 0;  // of the result so far
    // The lines the entries name, ascending, and where each went.
    std::vector<intptr_t> Asked;
    std::vector<MappedLine> Answers;
    size_t Answered = 0;
    FoldScan Before;
    FoldScan After;
    size_t FoldsBefore = 0; // fold points of the source so far
    std::vector<bool> FoldStates;
    bool FoldsMoved = false;
    // The length of the first line kept from the caret's line on, and of the last line kept: the
    // caret's new line is one of them.
    intptr_t CaretLine = 0;
    intptr_t CaretKeptAs = -1;
    intptr_t CaretLength = 0;
    intptr_t LastLength = 0;
};

// False when block has no entry to follow. configuredWords: the preferences' fold start words.
[[nodiscard]] bool StartViewFollowing(ViewFollowing& following, std::string block,
                                      const std::optional<std::vector<std::string>>& configuredWords);

// The LineWatch of FeedTrackedLines.
void TakeTrackedLine(ViewFollowing& following, const TrackedLine& line);

// The block with its entries moved as the source's lines went; a block other than the one read
// before the run (the file changed, which a rewrite finds and refuses) as it is.
[[nodiscard]] std::string MovedBlock(ViewFollowing& following, std::string_view block);

// Each fold point after a run with the state of the fold point before it that stayed on its
// line (through map) and still is one; expanded where none did. states: the Folding value's.
[[nodiscard]] std::vector<bool> FoldStatesAfter(const LineMap& map, const std::vector<intptr_t>& foldsBefore,
                                                const std::vector<intptr_t>& foldsAfter,
                                                const std::vector<bool>& states);

// The same for a run over part of a source held whole: sourceBefore and sourceAfter are the source
// before and after the run (without the block), map says where the part lay and what became of
// its lines.
[[nodiscard]] std::string MovedBlockOfText(std::string_view sourceBefore, std::string_view sourceAfter, LineMap map,
                                           const FoldWords& startWords, std::string_view block);

// Hands the block and what the run made of it to piece a line at a time, so that a diff names
// only the lines whose values changed: a value changes within its line, never a line end.
void PieceBlock(const PieceHandler& piece, std::string_view block, std::string_view moved);

// The lines of a source as the IDE has them once the block is cut off: a line end at its end
// only parts it from the block. Always at least one line.
[[nodiscard]] std::vector<std::string_view> SourceLines(std::string_view source);

} // namespace brisklet
