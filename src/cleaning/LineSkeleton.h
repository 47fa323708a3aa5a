// The shared skeleton of the line-based operations: cut at LF, drop CRs, rebuild with LF.
#pragma once

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// A step takes one line without CRs and gives its new line, or nullopt to drop the line
// together with its LF.
template <class CharT>
using LineResult = std::optional<NewLine<CharT>>;

// What a rebuild did to the lines of its input, in the numbering of an editor, where a CR LF
// pair, a lone LF and a lone CR each end a line. A lone CR is deleted with the other CRs, so
// the line behind it joins the one before. Filled only when asked for; the callers compose it
// into where each line of a document went.
struct LineChanges {
    std::vector<size_t> Dropped; // input lines that went, ascending
    std::vector<size_t> Joined;  // input lines that joined the line before, ascending
};

namespace detail {

// Notes what became of one input line that starts at editor line first and holds loneCrs
// lone CRs: it goes whole, or the editor lines behind its lone CRs join it.
inline void NoteLine(LineChanges& changes, size_t first, size_t loneCrs, bool kept) {
    std::vector<size_t>& lines = kept ? changes.Joined : changes.Dropped;
    for (size_t line = kept ? first + 1 : first; line <= first + loneCrs; ++line)
        lines.push_back(line);
}

// Writes the rebuilt text to out and returns its length. out may be the source's own buffer:
// nothing is written ahead of what has been read, as long as no new line is longer than its
// old one and every fill fits where the line's dropped start was. Lines that stay as they
// are wait in a run that is copied in one piece when a changed line ends it; with a trigger,
// the lines before the next one that holds it (or a CR) join the run without being looked at.
// Such lines are neither dropped nor hold a CR, so changes needs only the changed ones.
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
    Text<CharT> withoutCr;
    // Both searched ahead rather than per line: most lines hold neither.
    size_t nextCr = source.find(CharT('\r'));
    size_t nextTrigger = trigger.empty() ? 0 : source.find(trigger);
    size_t lineStart = 0;
    // Counted up to the changed lines only, and only when changes are asked for.
    size_t lfsBefore = 0;
    size_t loneCrsBefore = 0;
    size_t countedTo = 0;
    for (;;) {
        if (!trigger.empty()) {
            if (nextTrigger < lineStart)
                nextTrigger = source.find(trigger, lineStart);
            const size_t stop = std::min(nextTrigger, nextCr);
            if (stop == None) {
                flushRun(source.size());
                return written;
            }
            const size_t lastLf = source.rfind(CharT('\n'), stop);
            if (lastLf != None && lastLf >= lineStart)
                lineStart = lastLf + 1;
        }
        const size_t lf = source.find(CharT('\n'), lineStart);
        const size_t lineEnd = lf == None ? source.size() : lf;
        const size_t nextLine = lf == None ? source.size() : lf + 1;
        TextView<CharT> line = source.substr(lineStart, lineEnd - lineStart);
        const bool hadCr = nextCr < lineEnd;
        if (hadCr) {
            withoutCr.assign(line);
            withoutCr.erase(std::remove(withoutCr.begin(), withoutCr.end(), CharT('\r')), withoutCr.end());
            line = withoutCr;
            nextCr = source.find(CharT('\r'), lineEnd);
        }
        const LineResult<CharT> kept = step(line);
        const bool unchanged = kept && !hadCr && kept->FillCount == 0 && kept->KeepFrom == 0 &&
                               kept->KeepTo == line.size();
        if (!unchanged) {
            if (changes != nullptr) {
                // Counted before the run and this line are overwritten: the lines since the
                // last changed one still stand where they were read.
                lfsBefore += static_cast<size_t>(std::count(source.begin() + static_cast<ptrdiff_t>(countedTo),
                                                            source.begin() + static_cast<ptrdiff_t>(lineStart),
                                                            CharT('\n')));
                // Every CR of the line but one that pairs with the LF ending it.
                const size_t crs = hadCr ? lineEnd - lineStart - line.size() : 0;
                const size_t loneCrs = crs - (crs > 0 && lf != None && source[lineEnd - 1] == CharT('\r') ? 1 : 0);
                NoteLine(*changes, lfsBefore + loneCrsBefore, loneCrs, kept.has_value());
                loneCrsBefore += loneCrs;
                lfsBefore += lf != None ? 1 : 0;
                countedTo = nextLine;
            }
            flushRun(lineStart);
            if (kept) {
                if (kept->FillCount > 0)
                    Traits::assign(out + written, kept->FillCount, kept->Fill);
                written += kept->FillCount;
                Traits::move(out + written, line.data() + kept->KeepFrom, kept->KeepTo - kept->KeepFrom);
                written += kept->KeepTo - kept->KeepFrom;
                if (lf != None)
                    out[written++] = CharT('\n');
            }
            runStart = nextLine;
        }
        if (lf == None) {
            flushRun(source.size());
            return written;
        }
        lineStart = nextLine;
    }
}

} // namespace detail

// Rebuilds text line by line, in place. A text without any LF stays exactly as it is: the
// step never runs on it. Every CR disappears from the lines; the last line never gets an LF
// of its own. The step must keep at most its line, and its fill at most the part of the
// line's start that it does not keep. When trigger is given, the step leaves every line
// without it unchanged and is not asked about such lines. changes, when given, receives what
// became of the lines; it stays empty when no line went or joined another.
template <class CharT, class Step>
void RebuildByLines(Text<CharT>& text, Step step, TextView<CharT> trigger = {}, LineChanges* changes = nullptr) {
    if (text.find(CharT('\n')) == Text<CharT>::npos)
        return;
    text.resize(detail::RebuildInto<CharT>(text, text.data(), trigger, step, changes));
}

// The same for steps that may lengthen lines; the result must fit in resultBound characters.
template <class CharT, class Step>
void RebuildByLinesGrowing(Text<CharT>& text, size_t resultBound, Step step, LineChanges* changes = nullptr) {
    if (text.find(CharT('\n')) == Text<CharT>::npos)
        return;
    Text<CharT> result(resultBound, CharT(0));
    result.resize(detail::RebuildInto<CharT>(text, result.data(), TextView<CharT>(), step, changes));
    text.swap(result);
}

} // namespace brisklet
