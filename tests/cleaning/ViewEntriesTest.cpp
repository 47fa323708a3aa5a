// The settings block's view entries: read in both spellings, moved with their lines, and written
// back into the block with nothing else changed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cleaning/view/ViewEntries.h"
#include "cleaning/view/ViewFollowing.h"

namespace brisklet {
namespace {

TEST(ViewEntries, ReadAsTheIdeWritesThem) {
    const auto entries = [](std::optional<intptr_t> caret, std::optional<intptr_t> column,
                            std::optional<intptr_t> first, std::optional<std::vector<intptr_t>> markers,
                            std::optional<std::vector<bool>> folding, bool spiderBasic = false) {
        return ViewEntries{caret, column, first, std::move(markers), std::move(folding), spiderBasic};
    };
    const struct {
        const char* name;
        std::string block;
        ViewEntries expected;
    } cases[] = {
        {"every entry", "; IDE Options = PureBasic 6.10 LTS (Linux - x64)\n; CursorPosition = 12\n"
                        "; CursorColumn = 5\n; FirstLine = 3\n; Markers = 4,9\n; Folding = Bg\n; EnableXP\n",
         entries(12, 5, 3, std::vector<intptr_t>{4, 9},
                 std::vector<bool>{true, false, false, false, false, false, false, false, false, false, false, true})},
        {"the older spelling, CR LF", "; IDE Options = SpiderBasic 3.0\r\n; CursorPosition=7\r\n; Markers=1, 2\r\n",
         entries(7, {}, {}, std::vector<intptr_t>{1, 2}, {}, true)},
        {"no entries", "; IDE Options = PureBasic\n; EnableXP\n", entries({}, {}, {}, {}, {})},
        {"the first of a key counts", "; IDE Options\n; FirstLine = 1\n; FirstLine = 2\n", entries({}, {}, 1, {}, {})},
        {"values not of their kind", "; IDE Options\n; CursorPosition = -1\n; FirstLine = 3x\n; Markers = 0\n"
                                     "; Folding = A*\n; CursorColumn =\n",
         entries({}, {}, {}, {}, {})},
        {"no markers", "; IDE Options\n; Markers = \n", entries({}, {}, {}, std::vector<intptr_t>{}, {})},
        {"a key in any letter case", "; IDE Options\n ; cursorposition = 3\n", entries(3, {}, {}, {}, {})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ReadViewEntries(c.block), c.expected);
    }
}

// A source of ten lines of which the lines named went, and its fold points before and after.
struct LinesGone {
    std::vector<size_t> Dropped;
    std::vector<intptr_t> FoldsBefore;
    std::vector<intptr_t> FoldsAfter;
};

LinesGone Move(std::vector<size_t> dropped, std::vector<intptr_t> foldsBefore, std::vector<intptr_t> foldsAfter) {
    return {std::move(dropped), std::move(foldsBefore), std::move(foldsAfter)};
}

// The run as a selection of the whole source gives it; line n holds n bytes afterwards.
ViewMove MoveOf(const LinesGone& run, const ViewEntries& entries) {
    LineMap map;
    map.LinesBefore = 10;
    map.LinesAfter = 10 - static_cast<intptr_t>(run.Dropped.size());
    map.Steps.push_back(LineChanges{run.Dropped});
    ViewMove move;
    move.Follow = [map](intptr_t line) { return FollowLine(map, line); };
    move.LineLength = [](intptr_t line) { return line; };
    move.LineCount = map.LinesAfter;
    move.LinesMoved = !run.Dropped.empty();
    move.FoldsMoved = run.FoldsBefore != run.FoldsAfter;
    move.FoldStates = FoldStatesAfter(map, run.FoldsBefore, run.FoldsAfter,
                                      entries.Folding ? *entries.Folding : std::vector<bool>{});
    return move;
}

TEST(ViewEntries, FollowTheirLinesAndKeepTheirSpelling) {
    const std::string start = "; IDE Options = PureBasic 6.10 LTS (Linux - x64)\n";
    const struct {
        const char* name;
        std::string entries;
        LinesGone move;
        std::string expected;
    } cases[] = {
        {"nothing moved", "; CursorPosition = 4\n; CursorColumn = 99\n; Folding = A\n",
         Move({}, {1, 5}, {1, 5}), "; CursorPosition = 4\n; CursorColumn = 99\n; Folding = A\n"},
        {"caret and first line move up", "; CursorPosition = 6\n; FirstLine = 5\n", Move({1, 2}, {}, {}),
         "; CursorPosition = 4\n; FirstLine = 3\n"},
        {"on a line that went: the next kept", "; CursorPosition = 3\n; FirstLine = 2\n", Move({2, 3}, {}, {}),
         "; CursorPosition = 2\n; FirstLine = 2\n"},
        {"none kept after: the last line", "; CursorPosition = 9\n", Move({8, 9}, {}, {}), "; CursorPosition = 7\n"},
        {"the older spelling stays", "; CursorPosition=6\r\n; FirstLine=1\r\n", Move({0}, {}, {}),
         "; CursorPosition=5\r\n; FirstLine=0\r\n"},
        {"a column past the new line's end", "; CursorPosition = 6\n; CursorColumn = 9\n", Move({1}, {}, {}),
         "; CursorPosition = 5\n; CursorColumn = 6\n"},
        {"a column within it stays", "; CursorPosition = 6\n; CursorColumn = 3\n", Move({1}, {}, {}),
         "; CursorPosition = 5\n; CursorColumn = 3\n"},
        {"no CursorPosition: the first line", "; CursorColumn = 9\n", Move({0}, {}, {}), "; CursorColumn = 1\n"},
        {"markers follow, those that went go", "; Markers = 1, 3,5 ,10\n", Move({2, 3}, {}, {}), "; Markers = 1,3,8\n"},
        {"every marker went", "; Markers = 3\n", Move({2}, {}, {}), "; Markers = \n"},
        {"markers that stay keep their bytes", "; Markers = 1, 2\n", Move({5}, {}, {}), "; Markers = 1, 2\n"},
        // A value's character holds six states, the first in its lowest bit (A: six collapsed,
        // B: the first expanded, 0: all but the second, +: all but the first, -: six expanded).
        {"a fold that went loses its state", "; Folding = C\n", Move({0}, {0, 1, 4}, {0, 3}), "; Folding = 0\n"},
        {"the states follow their folds", "; Folding = C\n", Move({0}, {1, 2, 4}, {0, 1, 3}), "; Folding = C\n"},
        {"a fold the run made is expanded", "; Folding = A\n", Move({0}, {1, 2}, {0, 1, 2}), "; Folding = 9\n"},
        {"a made fold before a collapsed one", "; Folding = A\n", Move({}, {6}, {3, 6}), "; Folding = 0\n"},
        {"a fold made where one went", "; Folding = A\n", Move({0}, {0, 4}, {0, 3}), "; Folding = 0\n"},
        {"a fold point that is one no more", "; Folding = B\n", Move({}, {1, 3}, {3}), "; Folding = +\n"},
        {"seven folds become six", "; Folding = --\n", Move({0}, {0, 1, 2, 3, 4, 5, 6}, {0, 1, 2, 3, 4, 5}),
         "; Folding = --\n"},
        {"other lines stay as they are", "; EnableXP\n; CursorPosition = 6\n; Executable = x.exe ; 6\n",
         Move({0}, {}, {}), "; EnableXP\n; CursorPosition = 5\n; Executable = x.exe ; 6\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string block = start + c.entries;
        const ViewEntries before = ReadViewEntries(block);
        EXPECT_EQ(WriteViewEntries(block, before, MoveViewEntries(before, MoveOf(c.move, before))), start + c.expected);
    }
}

} // namespace
} // namespace brisklet
