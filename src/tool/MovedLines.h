// Where the editor's lines went when the run wrote its cleaned text back, for caret and folds.
#pragma once

#include <cstdint>
#include <string_view>

#include "cleaning/LineFollowing.h"
#include "editor/UserMarkers.h"

namespace brisklet {

struct FoldState;

// Lines of text on its own, as the editor counts them.
[[nodiscard]] intptr_t EditorLineCount(std::u16string_view text);

// Notes where the text lies: read from the editor's lines firstLine to lastLine, written back
// as written in their place.
void PlaceText(LineMap& map, intptr_t firstLine, intptr_t lastLine, std::u16string_view written);

// The captured state moved with its lines, into a document of lineCount lines. A collapsed
// header on a line that went is left out; a caret on such a line goes to the next line kept,
// or to the last line when none follows. Lines before the text keep their numbers; lines
// after it move by the change in its line count.
[[nodiscard]] FoldState FollowLines(const FoldState& state, const LineMap& map, intptr_t lineCount);

// The marked lines moved the same way; the markers of a line that went go with it, and lines
// that joined one line bring their markers together.
[[nodiscard]] std::vector<MarkedLine> FollowMarkers(const std::vector<MarkedLine>& marked, const LineMap& map,
                                                    intptr_t lineCount);

} // namespace brisklet
