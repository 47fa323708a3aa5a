// Where the editor's lines went when the run wrote its cleaned text back, for caret and folds.
#include "tool/MovedLines.h"

#include <algorithm>

#include "editor/FoldState.h"

namespace brisklet {

intptr_t EditorLineCount(std::u16string_view text) {
    intptr_t lines = 1;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\n' || (text[i] == u'\r' && (i + 1 == text.size() || text[i + 1] != u'\n')))
            ++lines;
    }
    return lines;
}

void PlaceText(LineMap& map, intptr_t firstLine, intptr_t lastLine, std::u16string_view written) {
    map.FirstLine = firstLine;
    map.LinesBefore = lastLine - firstLine + 1;
    map.LinesAfter = EditorLineCount(written);
}

FoldState FollowLines(const FoldState& state, const LineMap& map, intptr_t lineCount) {
    FoldState moved;
    moved.LineCount = lineCount;
    // The IDE takes the user's typing while the tool runs: a document changed since the capture
    // can have fewer lines than the map says. The lines stay in the document all the same.
    const intptr_t lastLine = std::max<intptr_t>(lineCount - 1, 0);
    for (const intptr_t header : state.ContractedHeaders) {
        const MappedLine mapped = FollowLine(map, header);
        // Lines that joined another can bring two headers onto one line.
        if (mapped.Kept && mapped.Line <= lastLine &&
            (moved.ContractedHeaders.empty() || moved.ContractedHeaders.back() != mapped.Line))
            moved.ContractedHeaders.push_back(mapped.Line);
    }
    moved.CaretLine = std::min(FollowLine(map, state.CaretLine).Line, lastLine);
    // Once an outermost header went, the folds inside it are outermost: collapsing them all
    // would collapse those that were open too.
    moved.EveryShownHeaderContracted =
        state.EveryShownHeaderContracted &&
        std::all_of(state.OutermostHeaders.begin(), state.OutermostHeaders.end(),
                    [&](intptr_t header) { return FollowLine(map, header).Kept; });
    return moved;
}

std::vector<MarkedLine> FollowMarkers(const std::vector<MarkedLine>& marked, const LineMap& map, intptr_t lineCount) {
    std::vector<MarkedLine> moved;
    for (const MarkedLine& line : marked) {
        const MappedLine mapped = FollowLine(map, line.Line);
        if (!mapped.Kept || mapped.Line >= lineCount)
            continue;
        if (!moved.empty() && moved.back().Line == mapped.Line)
            moved.back().Markers |= line.Markers;
        else
            moved.push_back({mapped.Line, line.Markers});
    }
    return moved;
}

} // namespace brisklet
