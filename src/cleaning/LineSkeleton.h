// The shared skeleton of the line-based operations: cut at every line end, rebuild with LF.
#pragma once

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cleaning/LineEndScan.h"

namespace brisklet {

template <class CharT>
using Text = std::basic_string<CharT>;
template <class CharT>
using TextView = std::basic_string_view<CharT>;

template <class CharT>
bool IsBlank(CharT c) {
    return c == CharT(' ') || c == CharT('\t');
}

// What a per-line step makes of its line: FillCount copies of Fill, then the line's
// characters from KeepFrom to KeepTo.
template <class CharT>
struct NewLine {
    size_t KeepFrom = 0;
    size_t KeepTo = 0;
    size_t FillCount = 0;
    CharT Fill = CharT(' ');
};

template <class CharT>
NewLine<CharT> WholeLine(TextView<CharT> line) {
    return {0, line.size(), 0, CharT(' ')};
}

// A step takes one line, without its line end, and gives its new line, or nullopt to drop
// the line together with its line end.
template <class CharT>
using LineResult = std::optional<NewLine<CharT>>;

// The lines of a rebuild's input that went, numbered from 0 as an editor counts them: a CR LF
// pair, a lone LF and a lone CR each end a line, as they do for the rebuild. Filled only when
// asked for; the callers compose it into where each line of a document went.
struct LineChanges {
    std::vector<size_t> Dropped; // ascending
};

namespace detail {

template <class CharT>
inline constexpr CharT LineEnds[] = {CharT('\r'), CharT('\n'), CharT(0)};

// Writes the rebuilt text to out and returns its length. out may be the source's own buffer:
// nothing is written ahead of what has been read, as long as no new line is longer than its
// old one and every fill fits where the line's dropped start was. Lines that stay as they
// are wait in a run that is copied in one piece when a changed line ends it; with a trigger,
// the lines before the next one that holds it (or a CR) join the run without being looked at.
// A line ending in a CR is always changed, its line end becoming an LF, so the lines in a run
// all end in LF and changes needs only the changed ones.
template <class CharT, class Step>
size_t RebuildInto(TextView<CharT> source, CharT* out, TextView<CharT> trigger, Step step,
                   LineChanges* changes = nullptr) {
    using Traits = std::char_traits<CharT>;
    constexpr size_t None = TextView<CharT>::npos;
    size_t written = 0;
    size_t runStart = 0;
    // Library calls skipped where they would copy nothing: most lines are short.
    const auto flushRun = [&](size_t runEnd) {
        if (runEnd > runStart && out + written != source.data() + runStart)
            Traits::move(out + written, source.data() + runStart, runEnd - runStart);
        written += runEnd - runStart;
    };
    // All searched ahead rather than per line: most lines hold no CR and no trigger, and a
    // text of lone CRs holds no LF.
    size_t nextCr = source.find(CharT('\r'));
    size_t nextLf = source.find(CharT('\n'));
    size_t nextTrigger = trigger.empty() ? 0 : source.find(trigger);
    size_t lineStart = 0;
    // Counted up to the changed lines only, and only when changes are asked for.
    size_t linesBefore = 0;
    size_t countedTo = 0;
    for (;;) {
        if (nextCr < lineStart)
            nextCr = source.find(CharT('\r'), lineStart);
        if (!trigger.empty()) {
            if (nextTrigger < lineStart)
                nextTrigger = source.find(trigger, lineStart);
            const size_t stop = std::min(nextTrigger, nextCr);
            if (stop == None) {
                flushRun(source.size());
                return written;
            }
            const size_t lastEnd = stop == 0 ? None : source.find_last_of(LineEnds<CharT>, stop - 1);
            if (lastEnd != None && lastEnd >= lineStart)
                lineStart = lastEnd + 1;
        }
        if (nextLf < lineStart)
            nextLf = source.find(CharT('\n'), lineStart);
        const size_t lineEnd = std::min({nextCr, nextLf, source.size()});
        const bool endsInCr = lineEnd == nextCr;
        const size_t nextLine = lineEnd == source.size() ? lineEnd : AfterLineEnd<CharT>(source, lineEnd);
        const TextView<CharT> line = source.substr(lineStart, lineEnd - lineStart);
        const LineResult<CharT> kept = step(line);
        const bool unchanged = kept && !endsInCr && kept->FillCount == 0 && kept->KeepFrom == 0 &&
                               kept->KeepTo == line.size();
        if (!unchanged) {
            if (changes != nullptr) {
                // Counted before the run and this line are overwritten: the lines since the
                // last changed one still stand where they were read, each ending in an LF.
                linesBefore += static_cast<size_t>(std::count(source.begin() + static_cast<ptrdiff_t>(countedTo),
                                                              source.begin() + static_cast<ptrdiff_t>(lineStart),
                                                              CharT('\n')));
                if (!kept)
                    changes->Dropped.push_back(linesBefore);
                ++linesBefore;
                countedTo = nextLine;
            }
            flushRun(lineStart);
            if (kept) {
                if (kept->FillCount > 0)
                    Traits::assign(out + written, kept->FillCount, kept->Fill);
                written += kept->FillCount;
                Traits::move(out + written, line.data() + kept->KeepFrom, kept->KeepTo - kept->KeepFrom);
                written += kept->KeepTo - kept->KeepFrom;
                if (lineEnd != source.size())
                    out[written++] = CharT('\n');
            }
            runStart = nextLine;
        }
        if (lineEnd == source.size()) {
            flushRun(source.size());
            return written;
        }
        lineStart = nextLine;
    }
}

} // namespace detail

// Rebuilds text line by line, in place. A CR LF pair, a lone LF and a lone CR each end a
// line, and every line end becomes an LF; the last line, which has none, never gets one. A
// text without any line end stays exactly as it is: the step never runs on it. The step must
// keep at most its line, and its fill at most the part of the line's start that it does not
// keep. When trigger is given, the step leaves every line without it unchanged and is not
// asked about such lines. changes, when given, receives the lines that went; it stays empty
// when none did.
template <class CharT, class Step>
void RebuildByLines(Text<CharT>& text, Step step, TextView<CharT> trigger = {}, LineChanges* changes = nullptr) {
    if (text.find_first_of(detail::LineEnds<CharT>) == Text<CharT>::npos)
        return;
    text.resize(detail::RebuildInto<CharT>(text, text.data(), trigger, step, changes));
}

// The same for steps that may lengthen lines; the result must fit in resultBound characters.
template <class CharT, class Step>
void RebuildByLinesGrowing(Text<CharT>& text, size_t resultBound, Step step, LineChanges* changes = nullptr) {
    if (text.find_first_of(detail::LineEnds<CharT>) == Text<CharT>::npos)
        return;
    Text<CharT> result(resultBound, CharT(0));
    result.resize(detail::RebuildInto<CharT>(text, result.data(), TextView<CharT>(), step, changes));
    text.swap(result);
}

} // namespace brisklet
