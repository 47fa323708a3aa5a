// What each line-based operation makes of one line. How lines are cut and joined is the
// caller's: the editor's text and the file cleaner apply the same steps to their lines.
#pragma once

#include <algorithm>
#include <cstdint>

#include "cleaning/LineSkeleton.h"

namespace brisklet {

// What a line must hold for "/removecomments" and "/removedebuglines" to change it: the
// lines without it are copied unseen.
template <class CharT>
inline constexpr CharT Semicolon[] = {CharT(';'), CharT(0)};
template <class CharT>
inline constexpr CharT DebugWord[] = {CharT('D'), CharT('e'), CharT('b'), CharT('u'), CharT('g'), CharT(' '), CharT(0)};

namespace detail {

template <class CharT>
inline constexpr CharT EscapedQuote[] = {CharT('~'), CharT('"'), CharT(0)};

// Leading and trailing blanks that alternate more often than this keep their remainder.
inline constexpr int TrimPasses = 3;

// Position of the semicolon that opens the comment, or npos. Quotes are only counted for
// parity: a semicolon after an odd number of them lies inside a string literal. inString: the
// line is the rest of one whose start went on with an odd number of quotes and no ~".
template <class CharT>
size_t CommentStart(TextView<CharT> line, bool inString = false) {
    constexpr size_t None = TextView<CharT>::npos;
    size_t quotes = inString ? 1 : 0;
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

template <class CharT>
size_t IndentLength(TextView<CharT> line) {
    size_t length = 0;
    while (length < line.size() && IsBlank(line[length]))
        ++length;
    return length;
}

} // namespace detail

// "/removecomments": the line up to its comment; a line holding ~" anywhere stays whole.
template <class CharT>
LineResult<CharT> CommentStep(TextView<CharT> line) {
    return NewLine<CharT>{0, std::min(detail::CommentStart(line), line.size())};
}

// "/removedebuglines": a line holding "Debug " (case-sensitive, anywhere) goes.
template <class CharT>
LineResult<CharT> DebugLineStep(TextView<CharT> line) {
    if (line.find(DebugWord<CharT>) != TextView<CharT>::npos)
        return std::nullopt;
    return WholeLine(line);
}

// "/removeemptylines": a line of spaces and tabs only (or nothing) goes.
template <class CharT>
LineResult<CharT> EmptyLineStep(TextView<CharT> line) {
    if (detail::IndentLength(line) == line.size())
        return std::nullopt;
    return WholeLine(line);
}

// "/removespacesatstartoflines": three passes of (space run, tab run); not a loop to the end.
template <class CharT>
LineResult<CharT> TrimStartStep(TextView<CharT> line) {
    size_t start = 0;
    for (int pass = 0; pass < detail::TrimPasses; ++pass)
        start = detail::SkipRun(line, detail::SkipRun(line, start, CharT(' ')), CharT('\t'));
    return NewLine<CharT>{start, line.size()};
}

// "/removespacesatendoflines": the mirror image at the end.
template <class CharT>
LineResult<CharT> TrimEndStep(TextView<CharT> line) {
    size_t end = line.size();
    for (int pass = 0; pass < detail::TrimPasses; ++pass)
        end = detail::SkipRunBackwards(line, detail::SkipRunBackwards(line, end, CharT(' ')), CharT('\t'));
    return NewLine<CharT>{0, end};
}

// "/converttabtospace": every leading tab becomes tabLength spaces, every leading space stays
// one; no tab stops. A line of white space only becomes empty. The fill is the only part that
// can make a line longer: by FillCount - KeepFrom characters.
template <class CharT>
LineResult<CharT> TabToSpaceStep(TextView<CharT> line, int32_t tabLength) {
    const size_t indent = detail::IndentLength(line);
    if (indent == line.size())
        return NewLine<CharT>{}; // white space only: removed, not converted
    // 64 bits cannot overflow for any line a 64-bit process can hold.
    int64_t width = 0;
    for (size_t i = 0; i < indent; ++i)
        width += line[i] == CharT('\t') ? tabLength : 1;
    return NewLine<CharT>{indent, line.size(), static_cast<size_t>(std::max<int64_t>(width, 0)), CharT(' ')};
}

// "/convertspacetotab": every tabLength leading spaces become a tab, a tab absorbs the spaces
// pending before it, and spaces still pending at the first other character are dropped. Never
// lengthens a line: each tab it writes stands for at least one blank it removes.
template <class CharT>
LineResult<CharT> SpaceToTabStep(TextView<CharT> line, int32_t tabLength) {
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
}

} // namespace brisklet
