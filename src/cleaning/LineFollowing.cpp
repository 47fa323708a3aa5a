// Where a line of a document goes when a run cleans part of it.
#include "cleaning/LineFollowing.h"

#include <algorithm>

namespace brisklet {

MappedLine FollowLine(const LineMap& map, intptr_t line) {
    if (line < map.FirstLine + (map.StartsInsideLine ? 1 : 0))
        return {line, true};
    if (line >= map.FirstLine + map.LinesBefore - (map.EndsInsideLine ? 1 : 0))
        return {line + map.LinesAfter - map.LinesBefore, true};
    size_t inText = static_cast<size_t>(line - map.FirstLine);
    bool kept = true;
    for (const LineChanges& step : map.Steps) {
        const auto dropped = std::lower_bound(step.Dropped.begin(), step.Dropped.end(), inText);
        kept = kept && (dropped == step.Dropped.end() || *dropped != inText);
        inText -= static_cast<size_t>(dropped - step.Dropped.begin());
    }
    return {map.FirstLine + static_cast<intptr_t>(inText), kept};
}

} // namespace brisklet
