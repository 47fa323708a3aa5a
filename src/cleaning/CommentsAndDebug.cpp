// "/removecomments" and "/removedebuglines".
#include "cleaning/CommentsAndDebug.h"

#include <algorithm>

namespace brisklet {

namespace {

template <class CharT>
constexpr CharT Semicolon[] = {CharT(';'), CharT(0)};
template <class CharT>
constexpr CharT EscapedQuote[] = {CharT('~'), CharT('"'), CharT(0)};
template <class CharT>
constexpr CharT DebugWord[] = {CharT('D'), CharT('e'), CharT('b'), CharT('u'), CharT('g'), CharT(' '), CharT(0)};

// Position of the semicolon that opens the comment, or npos. Quotes are only counted for
// parity: a semicolon after an odd number of them lies inside a string literal.
template <class CharT>
size_t CommentStart(TextView<CharT> line) {
    constexpr size_t None = TextView<CharT>::npos;
    size_t quotes = 0;
    size_t from = 0;
    for (size_t semicolon = line.find(CharT(';')); semicolon != None; semicolon = line.find(CharT(';'), from)) {
        quotes += static_cast<size_t>(std::count(line.begin() + static_cast<ptrdiff_t>(from),
                                                 line.begin() + static_cast<ptrdiff_t>(semicolon), CharT('"')));
        if (quotes % 2 == 0)
            return line.find(EscapedQuote<CharT>) == None ? semicolon : None;
        from = semicolon + 1;
    }
    return None;
}

} // namespace

template <class CharT>
void RemoveComments(Text<CharT>& text, LineChanges* changes) {
    RebuildByLines<CharT>(text, [](TextView<CharT> line) -> LineResult<CharT> {
        return NewLine<CharT>{0, std::min(CommentStart(line), line.size())};
    }, Semicolon<CharT>, changes);
}

template <class CharT>
void RemoveDebugLines(Text<CharT>& text, LineChanges* changes) {
    RebuildByLines<CharT>(text, [](TextView<CharT> line) -> LineResult<CharT> {
        if (line.find(DebugWord<CharT>) != TextView<CharT>::npos)
            return std::nullopt;
        return WholeLine(line);
    }, DebugWord<CharT>, changes);
}

template void RemoveComments<char>(Text<char>&, LineChanges*);
template void RemoveComments<char16_t>(Text<char16_t>&, LineChanges*);
template void RemoveDebugLines<char>(Text<char>&, LineChanges*);
template void RemoveDebugLines<char16_t>(Text<char16_t>&, LineChanges*);

} // namespace brisklet
