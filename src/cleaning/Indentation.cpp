// "/converttabtospace" and "/convertspacetotab": the leading white space of every line.
#include "cleaning/Indentation.h"

namespace brisklet {

namespace {

template <class CharT>
bool IsBlank(CharT c) {
    return c == CharT(' ') || c == CharT('\t');
}

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
void ConvertTabToSpace(Text<CharT>& text, int32_t tabLength) {
    const int64_t tabs = std::count(text.begin(), text.end(), CharT('\t'));
    if (tabs * (int64_t{tabLength} - 1) > MaxTabExpansionGrowth &&
        TabExpansionGrowth<CharT>(text, tabLength) > MaxTabExpansionGrowth)
        return;
    RebuildByLines<CharT>(text, [tabLength](TextView<CharT> line, Text<CharT>& out) {
        const size_t indent = IndentLength(line);
        if (indent == line.size())
            return true; // white space only: removed, not converted
        const int64_t width = IndentWidth(line, indent, tabLength);
        if (width > 0)
            out.append(static_cast<size_t>(width), CharT(' '));
        out.append(line.substr(indent));
        return true;
    });
}

template <class CharT>
void ConvertSpaceToTab(Text<CharT>& text, int32_t tabLength) {
    RebuildByLines<CharT>(text, [tabLength](TextView<CharT> line, Text<CharT>& out) {
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
            return true;
        out.append(tabs, CharT('\t'));
        out.append(line.substr(at));
        return true;
    });
}

template void ConvertTabToSpace<char>(Text<char>&, int32_t);
template void ConvertTabToSpace<char16_t>(Text<char16_t>&, int32_t);
template void ConvertSpaceToTab<char>(Text<char>&, int32_t);
template void ConvertSpaceToTab<char16_t>(Text<char16_t>&, int32_t);

} // namespace brisklet
