// "/converttabtospace" and "/convertspacetotab": the leading white space of every line.
#include "cleaning/Indentation.h"

namespace brisklet {

namespace {

// Columns of the leading white space, each tab a full tabLength; 64 bits cannot overflow
// for any line a 64-bit process can hold.
template <class CharT>
int64_t IndentWidth(TextView<CharT> line, size_t indentLength, int32_t tabLength) {
    int64_t width = 0;
    for (size_t i = 0; i < indentLength; ++i)
        width += line[i] == CharT('\t') ? tabLength : 1;
    return width;
}

template <class CharT>
size_t IndentLength(TextView<CharT> line) {
    size_t length = 0;
    while (length < line.size() && IsBlank(line[length]))
        ++length;
    return length;
}

// Exact growth of the text under the conversion, with the CRs the lines lose ignored;
// only the indentation of lines that hold something else grows.
template <class CharT>
int64_t TabExpansionGrowth(TextView<CharT> text, int32_t tabLength) {
    int64_t growth = 0;
    int64_t width = 0;
    int64_t blanks = 0;
    bool inIndent = true;
    for (const CharT c : text) {
        if (c == CharT('\n')) {
            inIndent = true;
            width = blanks = 0;
        } else if (!inIndent || c == CharT('\r')) {
            continue;
        } else if (IsBlank(c)) {
            width += c == CharT('\t') ? tabLength : 1;
            ++blanks;
        } else {
            growth += width - blanks;
            if (growth > MaxTabExpansionGrowth)
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
    if (growth > MaxTabExpansionGrowth) {
        growth = TabExpansionGrowth<CharT>(text, tabLength);
        if (growth > MaxTabExpansionGrowth)
            return;
    }
    const size_t resultBound = text.size() + static_cast<size_t>(std::max<int64_t>(growth, 0));
    RebuildByLinesGrowing<CharT>(text, resultBound, [tabLength](TextView<CharT> line) -> LineResult<CharT> {
        const size_t indent = IndentLength(line);
        if (indent == line.size())
            return NewLine<CharT>{}; // white space only: removed, not converted
        const int64_t width = IndentWidth(line, indent, tabLength);
        return NewLine<CharT>{indent, line.size(), static_cast<size_t>(std::max<int64_t>(width, 0)), CharT(' ')};
    }, changes);
}

// Never lengthens a line: each tab it writes stands for at least one blank it removes.
template <class CharT>
void ConvertSpaceToTab(Text<CharT>& text, int32_t tabLength, LineChanges* changes) {
    RebuildByLines<CharT>(text, [tabLength](TextView<CharT> line) -> LineResult<CharT> {
        int64_t pending = 0;
        size_t tabs = 0;
        size_t at = 0;
        for (; at < line.size() && IsBlank(line[at]); ++at) {
            if (line[at] == CharT('\t')) {
                ++tabs;
                pending = 0;
            } else if (++pending == tabLength) {
                ++tabs;
                pending = 0;
            }
        }
        if (at == line.size())
            return NewLine<CharT>{};
        return NewLine<CharT>{at, line.size(), tabs, CharT('\t')};
    }, {}, changes);
}

template void ConvertTabToSpace<char>(Text<char>&, int32_t, LineChanges*);
template void ConvertTabToSpace<char16_t>(Text<char16_t>&, int32_t, LineChanges*);
template void ConvertSpaceToTab<char>(Text<char>&, int32_t, LineChanges*);
template void ConvertSpaceToTab<char16_t>(Text<char16_t>&, int32_t, LineChanges*);

} // namespace brisklet
