// The view entries of a source's settings block followed through a run that cleans the source.
#include "cleaning/ViewFollowing.h"

#include <algorithm>

#include "runtime/TextCodec.h"

namespace brisklet {

namespace {

std::vector<intptr_t> FoldLinesOf(const std::vector<std::string_view>& lines,
                                  const std::vector<std::string>& startWords) {
    FoldScan scan;
    std::vector<intptr_t> folds;
    for (size_t line = 0; line < lines.size(); ++line) {
        if (TakeFoldLine(scan, startWords, lines[line]))
            folds.push_back(static_cast<intptr_t>(line));
    }
    return folds;
}

} // namespace

std::vector<std::string> FoldWordsFor(const std::optional<std::vector<std::string>>& configured,
                                      const ViewEntries& entries) {
    return configured ? *configured : DefaultFoldStartWords(entries.SpiderBasic);
}

void StartViewFollowing(ViewFollowing& following, const ViewEntries& entries, std::vector<std::string> startWords) {
    following = ViewFollowing{};
    following.Entries = entries;
    following.StartWords = std::move(startWords);
    following.Move.Map.Steps.emplace_back();
    following.CaretLine = entries.CursorPosition.value_or(0);
}

void TakeTrackedLine(ViewFollowing& following, const TrackedLine& line) {
    if (TakeFoldLine(following.Before, following.StartWords, line.Input))
        following.Move.FoldsBefore.push_back(following.Lines);
    if (line.Kept) {
        if (TakeFoldLine(following.After, following.StartWords, line.Output))
            following.Move.FoldsAfter.push_back(following.Kept);
        following.LastLength = static_cast<intptr_t>(line.Output.size());
        if (following.CaretKeptAs < 0 && following.Lines >= following.CaretLine) {
            following.CaretKeptAs = following.Kept;
            following.CaretLength = following.LastLength;
        }
        ++following.Kept;
    } else {
        following.Move.Map.Steps.front().Dropped.push_back(static_cast<size_t>(following.Lines));
    }
    ++following.Lines;
}

std::string MovedBlock(ViewFollowing& following, std::string_view block) {
    ViewMove& move = following.Move;
    move.Map.LinesBefore = std::max<intptr_t>(following.Lines, 1);
    move.Map.LinesAfter = std::max<intptr_t>(following.Kept, 1);
    move.LineCount = move.Map.LinesAfter;
    move.LineLength = [&following](intptr_t line) {
        return line == following.CaretKeptAs ? following.CaretLength
               : line == following.Kept - 1  ? following.LastLength
                                             : 0;
    };
    return WriteViewEntries(block, following.Entries, MoveViewEntries(following.Entries, move));
}

std::string MovedBlockOfText(std::string_view sourceBefore, std::string_view sourceAfter, LineMap map,
                             const std::vector<std::string>& startWords, std::string_view block) {
    const ViewEntries entries = ReadViewEntries(block);
    const std::vector<std::string_view> before = SourceLines(sourceBefore);
    const std::vector<std::string_view> after = SourceLines(sourceAfter);
    ViewMove move;
    move.Map = std::move(map);
    move.LineCount = static_cast<intptr_t>(after.size());
    move.FoldsBefore = FoldLinesOf(before, startWords);
    move.FoldsAfter = FoldLinesOf(after, startWords);
    move.LineLength = [&after](intptr_t line) {
        return static_cast<intptr_t>(after[static_cast<size_t>(std::clamp<intptr_t>(
                                               line, 0, static_cast<intptr_t>(after.size()) - 1))]
                                         .size());
    };
    return WriteViewEntries(block, entries, MoveViewEntries(entries, move));
}

std::vector<std::string_view> SourceLines(std::string_view source) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    for (size_t at = 0; at < source.size(); ++at) {
        if (!IsLineEnd(source[at]))
            continue;
        lines.push_back(source.substr(start, at - start));
        if (source[at] == '\r' && at + 1 < source.size() && source[at + 1] == '\n')
            ++at;
        start = at + 1;
    }
    if (start < source.size() || lines.empty())
        lines.push_back(source.substr(start));
    return lines;
}

} // namespace brisklet
