// "/converttabtospace" and "/convertspacetotab": the leading white space of every line.
#include "cleaning/Indentation.h"

#include "cleaning/LineSteps.h"

namespace brisklet {

namespace {

// Exact growth of the text under the conversion, with the line ends that become shorter
// ignored; only the indentation of lines that hold something else grows.
template <class CharT>
int64_t TabExpansionGrowth(TextView<CharT> text, int32_t tabLength) {
    int64_t growth = 0;
    int64_t width = 0;
    int64_t blanks = 0;
    bool inIndent = true;
    for (const CharT c : text) {
        if (c == CharT('\n') || c == CharT('\r')) {
            inIndent = true;
            width = blanks = 0;
        } else if (!inIndent) {
            continue;
        } else if (IsBlank(c)) {
            width += c == CharT('\t') ? tabLength : 1;
            ++blanks;
        } else {
            growth += width - blanks;
            if (GrowsTooMuch(growth))
                return growth;
            inIndent = false;
        }
    }
    return growth;
}

} // namespace

template <class CharT>
void ConvertTabToSpace(Text<CharT>& text, int32_t tabLength, LineChanges* changes) {
    // Every tab counted as indentation bounds the growth; the exact count costs a pass of
    // its own and is needed only when that bound is too large.
    int64_t growth = std::count(text.begin(), text.end(), CharT('\t')) * (int64_t{tabLength} - 1);
    if (GrowsTooMuch(growth)) {
        growth = TabExpansionGrowth<CharT>(text, tabLength);
        if (GrowsTooMuch(growth))
            return;
    }
    const size_t resultBound = text.size() + static_cast<size_t>(std::max<int64_t>(growth, 0));
    RebuildByLinesGrowing<CharT>(text, resultBound, [tabLength](TextView<CharT> line) {
        return TabToSpaceStep(line, tabLength);
    }, changes);
}

template <class CharT>
void ConvertSpaceToTab(Text<CharT>& text, int32_t tabLength, LineChanges* changes) {
    RebuildByLines<CharT>(text, [tabLength](TextView<CharT> line) {
        return SpaceToTabStep(line, tabLength);
    }, {}, changes);
}

template void ConvertTabToSpace<char16_t>(Text<char16_t>&, int32_t, LineChanges*);
template void ConvertSpaceToTab<char16_t>(Text<char16_t>&, int32_t, LineChanges*);

} // namespace brisklet
