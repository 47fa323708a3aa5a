// The view entries of a source's settings block followed through a run that cleans the source.
#include "cleaning/view/ViewFollowing.h"

#include <algorithm>

#include "cleaning/LineEndScan.h"
#include "runtime/TextCodec.h"

namespace brisklet {

namespace {

constexpr size_t None = std::string_view::npos;

std::vector<intptr_t> FoldLinesOf(const std::vector<std::string_view>& lines, const FoldWords& startWords) {
    FoldScan scan;
    std::vector<intptr_t> folds;
    for (size_t line = 0; line < lines.size(); ++line) {
        if (TakeFoldLine(scan, startWords, lines[line]))
            folds.push_back(static_cast<intptr_t>(line));
    }
    return folds;
}

const std::vector<bool>& StatesOf(const ViewEntries& entries) {
    static const std::vector<bool> none;
    return entries.Folding ? *entries.Folding : none;
}

// The lines the entries name: the caret's (the first line without CursorPosition), the first
// line shown and the markers'.
std::vector<intptr_t> LinesAsked(const ViewEntries& entries) {
    std::vector<intptr_t> lines{entries.CursorPosition.value_or(0)};
    if (entries.FirstLine)
        lines.push_back(*entries.FirstLine);
    if (entries.Markers) {
        for (const intptr_t marker : *entries.Markers)
            lines.push_back(marker - 1);
    }
    std::sort(lines.begin(), lines.end());
    lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
    return lines;
}

} // namespace

FoldWords FoldWordsFor(const std::optional<std::vector<std::string>>& configured, const ViewEntries& entries) {
    return MakeFoldWords(configured ? *configured : DefaultFoldStartWords(entries.SpiderBasic));
}

bool StartViewFollowing(ViewFollowing& following, std::string block,
                        const std::optional<std::vector<std::string>>& configuredWords) {
    const ViewEntries entries = ReadViewEntries(block);
    if (!HasViewEntries(entries))
        return false;
    following = ViewFollowing{};
    following.Block = std::move(block);
    following.Entries = entries;
    following.StartWords = FoldWordsFor(configuredWords, entries);
    following.Asked = LinesAsked(entries);
    following.CaretLine = entries.CursorPosition.value_or(0);
    following.Answers.resize(following.Asked.size());
    return true;
}

void TakeTrackedLine(ViewFollowing& following, const TrackedLine& line) {
    // A line the run left as it was, after lines that leave both scans alike, is what it was.
    const bool alike = following.Before.InMacro == following.After.InMacro && line.Kept && line.Output == line.Input;
    const bool wasFold = TakeFoldLine(following.Before, following.StartWords, line.Input);
    const size_t foldIndex = wasFold ? following.FoldsBefore++ : None;
    bool isFold = false;
    // A line that went maps to where the next kept line stands: the lines kept so far.
    while (following.Answered < following.Asked.size() && following.Asked[following.Answered] == following.Lines)
        following.Answers[following.Answered++] = MappedLine{following.Kept, line.Kept};
    if (line.Kept) {
        if (alike)
            following.After = following.Before;
        isFold = alike ? wasFold : TakeFoldLine(following.After, following.StartWords, line.Output);
        if (isFold)
            following.FoldStates.push_back(!wasFold || FoldStateOf(StatesOf(following.Entries), foldIndex));
        following.LastLength = static_cast<intptr_t>(line.Output.size());
        if (following.CaretKeptAs < 0 && following.Lines >= following.CaretLine) {
            following.CaretKeptAs = following.Kept;
            following.CaretLength = following.LastLength;
        }
        ++following.Kept;
    }
    following.FoldsMoved = following.FoldsMoved || wasFold != isFold;
    ++following.Lines;
}

std::string MovedBlock(ViewFollowing& following, std::string_view block) {
    if (block != following.Block)
        return std::string(block);
    const intptr_t linesBefore = std::max<intptr_t>(following.Lines, 1);
    const intptr_t linesAfter = std::max<intptr_t>(following.Kept, 1);
    ViewMove move;
    move.Follow = [&](intptr_t line) {
        const auto asked = std::lower_bound(following.Asked.begin(), following.Asked.end(), line);
        const auto index = static_cast<size_t>(asked - following.Asked.begin());
        if (index < following.Answered && *asked == line)
            return following.Answers[index];
        return MappedLine{line + linesAfter - linesBefore, true}; // beyond the source
    };
    move.LineLength = [&following](intptr_t line) {
        return line == following.CaretKeptAs ? following.CaretLength
               : line == following.Kept - 1  ? following.LastLength
                                             : 0;
    };
    move.LineCount = linesAfter;
    move.LinesMoved = following.Kept != following.Lines;
    move.FoldsMoved = following.FoldsMoved;
    move.FoldStates = following.FoldStates;
    return WriteViewEntries(block, following.Entries, MoveViewEntries(following.Entries, move));
}

std::vector<bool> FoldStatesAfter(const LineMap& map, const std::vector<intptr_t>& foldsBefore,
                                  const std::vector<intptr_t>& foldsAfter, const std::vector<bool>& states) {
    std::vector<bool> moved(foldsAfter.size(), true);
    size_t after = 0;
    for (size_t before = 0; before < foldsBefore.size() && after < moved.size(); ++before) {
        const MappedLine line = FollowLine(map, foldsBefore[before]);
        while (after < moved.size() && foldsAfter[after] < line.Line)
            ++after;
        if (line.Kept && after < moved.size() && foldsAfter[after] == line.Line)
            moved[after] = FoldStateOf(states, before);
    }
    return moved;
}

std::string MovedBlockOfText(std::string_view sourceBefore, std::string_view sourceAfter, LineMap map,
                             const FoldWords& startWords, std::string_view block) {
    const ViewEntries entries = ReadViewEntries(block);
    const std::vector<std::string_view> before = SourceLines(sourceBefore);
    const std::vector<std::string_view> after = SourceLines(sourceAfter);
    const std::vector<intptr_t> foldsBefore = FoldLinesOf(before, startWords);
    const std::vector<intptr_t> foldsAfter = FoldLinesOf(after, startWords);
    ViewMove move;
    move.Follow = [&map](intptr_t line) { return FollowLine(map, line); };
    move.LineLength = [&after](intptr_t line) {
        return static_cast<intptr_t>(
            after[static_cast<size_t>(std::clamp<intptr_t>(line, 0, static_cast<intptr_t>(after.size()) - 1))].size());
    };
    move.LineCount = static_cast<intptr_t>(after.size());
    move.LinesMoved = map.LinesBefore != map.LinesAfter;
    move.FoldsMoved = foldsBefore != foldsAfter;
    move.FoldStates = FoldStatesAfter(map, foldsBefore, foldsAfter, StatesOf(entries));
    return WriteViewEntries(block, entries, MoveViewEntries(entries, move));
}

void PieceBlock(const PieceHandler& piece, std::string_view block, std::string_view moved) {
    while (!block.empty() || !moved.empty()) {
        const size_t blockLine = std::min(block.find('\n'), block.size() - 1) + 1;
        const size_t movedLine = std::min(moved.find('\n'), moved.size() - 1) + 1;
        piece(block.substr(0, blockLine), moved.substr(0, movedLine), true);
        block.remove_prefix(std::min(blockLine, block.size()));
        moved.remove_prefix(std::min(movedLine, moved.size()));
    }
}

std::vector<std::string_view> SourceLines(std::string_view source) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    for (size_t at = NextLineEnd(source, 0); at != std::string_view::npos; at = NextLineEnd(source, start)) {
        lines.push_back(source.substr(start, at - start));
        start = AfterLineEnd(source, at);
    }
    if (start < source.size() || lines.empty())
        lines.push_back(source.substr(start));
    return lines;
}

} // namespace brisklet
