// The shared skeleton of the line-based operations: cut at LF, drop CRs, rebuild with LF.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

namespace brisklet {

template <class CharT>
using Text = std::basic_string<CharT>;
template <class CharT>
using TextView = std::basic_string_view<CharT>;

// Rebuilds text line by line. step(line, out) appends the new line to out and returns true,
// or appends nothing and returns false to drop the line together with its LF. A text without
// any LF stays exactly as it is: the step never runs on it. Every CR disappears from the
// lines; the last line never gets an LF of its own.
template <class CharT, class Step>
void RebuildByLines(Text<CharT>& text, Step step) {
    const TextView<CharT> source(text);
    if (source.find(CharT('\n')) == TextView<CharT>::npos)
        return;
    Text<CharT> result;
    result.reserve(source.size());
    Text<CharT> scratch;
    size_t lineStart = 0;
    for (;;) {
        const size_t lf = source.find(CharT('\n'), lineStart);
        const bool last = lf == TextView<CharT>::npos;
        TextView<CharT> line = source.substr(lineStart, last ? TextView<CharT>::npos : lf - lineStart);
        if (line.find(CharT('\r')) != TextView<CharT>::npos) {
            scratch.assign(line);
            scratch.erase(std::remove(scratch.begin(), scratch.end(), CharT('\r')), scratch.end());
            line = scratch;
        }
        if (step(line, result) && !last)
            result.push_back(CharT('\n'));
        if (last)
            break;
        lineStart = lf + 1;
    }
    text.swap(result);
}

} // namespace brisklet
