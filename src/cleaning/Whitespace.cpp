// The five whitespace removals: empty lines, leading and trailing runs, double and all spaces.
#include "cleaning/Whitespace.h"

namespace brisklet {

namespace {

// Indentation that alternates more often than this keeps its remainder.
constexpr int TrimPasses = 3;

template <class CharT>
size_t SkipRun(TextView<CharT> line, size_t at, CharT c) {
    while (at < line.size() && line[at] == c)
        ++at;
    return at;
}

template <class CharT>
size_t SkipRunBackwards(TextView<CharT> line, size_t end, CharT c) {
    while (end > 0 && line[end - 1] == c)
        --end;
    return end;
}

} // namespace

template <class CharT>
void RemoveEmptyLines(Text<CharT>& text) {
    RebuildByLines<CharT>(text, [](TextView<CharT> line, Text<CharT>& out) {
        const CharT blanks[] = {CharT(' '), CharT('\t'), CharT(0)};
        if (line.find_first_not_of(blanks) == TextView<CharT>::npos)
            return false;
        out.append(line);
        return true;
    });
}

template <class CharT>
void RemoveSpacesAtStartOfLines(Text<CharT>& text) {
    RebuildByLines<CharT>(text, [](TextView<CharT> line, Text<CharT>& out) {
        size_t start = 0;
        for (int pass = 0; pass < TrimPasses; ++pass)
            start = SkipRun(line, SkipRun(line, start, CharT(' ')), CharT('\t'));
        out.append(line.substr(start));
        return true;
    });
}

template <class CharT>
void RemoveSpacesAtEndOfLines(Text<CharT>& text) {
    RebuildByLines<CharT>(text, [](TextView<CharT> line, Text<CharT>& out) {
        size_t end = line.size();
        for (int pass = 0; pass < TrimPasses; ++pass)
            end = SkipRunBackwards(line, SkipRunBackwards(line, end, CharT(' ')), CharT('\t'));
        out.append(line.substr(0, end));
        return true;
    });
}

template <class CharT>
void RemoveDoubleSpaces(Text<CharT>& text) {
    const CharT doubleSpace[] = {CharT(' '), CharT(' '), CharT(0)};
    size_t write = text.find(doubleSpace);
    if (write == Text<CharT>::npos)
        return;
    // Compacts in place: a space directly behind a kept space is skipped.
    ++write;
    for (size_t read = write; read < text.size(); ++read) {
        if (text[read] == CharT(' ') && text[write - 1] == CharT(' '))
            continue;
        text[write++] = text[read];
    }
    text.resize(write);
}

template <class CharT>
void RemoveAllSpaces(Text<CharT>& text) {
    text.erase(std::remove(text.begin(), text.end(), CharT(' ')), text.end());
}

template void RemoveEmptyLines<char>(Text<char>&);
template void RemoveEmptyLines<char16_t>(Text<char16_t>&);
template void RemoveSpacesAtStartOfLines<char>(Text<char>&);
template void RemoveSpacesAtStartOfLines<char16_t>(Text<char16_t>&);
template void RemoveSpacesAtEndOfLines<char>(Text<char>&);
template void RemoveSpacesAtEndOfLines<char16_t>(Text<char16_t>&);
template void RemoveDoubleSpaces<char>(Text<char>&);
template void RemoveDoubleSpaces<char16_t>(Text<char16_t>&);
template void RemoveAllSpaces<char>(Text<char>&);
template void RemoveAllSpaces<char16_t>(Text<char16_t>&);

} // namespace brisklet
