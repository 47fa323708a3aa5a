// "/removecomments" and "/removedebuglines".
#include "cleaning/CommentsAndDebug.h"

namespace brisklet {

namespace {

template <class CharT>
constexpr CharT EscapedQuote[] = {CharT('~'), CharT('"'), CharT(0)};
template <class CharT>
constexpr CharT DebugWord[] = {CharT('D'), CharT('e'), CharT('b'), CharT('u'), CharT('g'), CharT(' '), CharT(0)};

// Position of the semicolon that opens the comment, or npos. Quotes are only counted for
// parity: a semicolon after an odd number of them lies inside a string literal.
template <class CharT>
size_t CommentStart(TextView<CharT> line) {
    if (line.find(EscapedQuote<CharT>) != TextView<CharT>::npos)
        return TextView<CharT>::npos;
    bool insideString = false;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == CharT('"'))
            insideString = !insideString;
        else if (line[i] == CharT(';') && !insideString)
            return i;
    }
    return TextView<CharT>::npos;
}

} // namespace

template <class CharT>
void RemoveComments(Text<CharT>& text) {
    RebuildByLines<CharT>(text, [](TextView<CharT> line, Text<CharT>& out) {
        out.append(line.substr(0, CommentStart(line)));
        return true;
    });
}

template <class CharT>
void RemoveDebugLines(Text<CharT>& text) {
    RebuildByLines<CharT>(text, [](TextView<CharT> line, Text<CharT>& out) {
        if (line.find(DebugWord<CharT>) != TextView<CharT>::npos)
            return false;
        out.append(line);
        return true;
    });
}

template void RemoveComments<char>(Text<char>&);
template void RemoveComments<char16_t>(Text<char16_t>&);
template void RemoveDebugLines<char>(Text<char>&);
template void RemoveDebugLines<char16_t>(Text<char16_t>&);

} // namespace brisklet
