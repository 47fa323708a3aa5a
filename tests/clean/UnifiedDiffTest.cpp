// The diff built as a run goes: where hunks join and split, and how labels are written.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "clean/UnifiedDiff.h"

namespace brisklet {
namespace {

// Each pair is one old line and what it became ("" when it went).
std::string DiffOf(const std::vector<std::pair<std::string, std::string>>& lines, std::string_view label = "f") {
    UnifiedDiff diff;
    StartUnifiedDiff(diff, "a/" + std::string(label), "b/" + std::string(label));
    for (const auto& [input, output] : lines)
        AddDiffPiece(diff, input, output, true);
    FinishUnifiedDiff(diff);
    return JoinedDiff(diff.Text);
}

// Changes on lines 1 and 2 + gap: unchanged lines between them.
std::vector<std::pair<std::string, std::string>> TwoChanges(int gap) {
    std::vector<std::pair<std::string, std::string>> lines{{"a;\n", "a\n"}};
    for (int i = 0; i < gap; ++i)
        lines.emplace_back(std::to_string(i) + "\n", std::to_string(i) + "\n");
    lines.emplace_back("b;\n", "b\n");
    return lines;
}

TEST(UnifiedDiff, ChangesWithinTwiceTheContextShareAHunk) {
    const std::string context = "0\n 1\n 2\n 3\n 4\n 5\n";
    EXPECT_EQ(DiffOf(TwoChanges(6)), "--- a/f\n+++ b/f\n@@ -1,8 +1,8 @@\n-a;\n+a\n " + context + "-b;\n+b\n");
    EXPECT_EQ(DiffOf(TwoChanges(7)), "--- a/f\n+++ b/f\n@@ -1,4 +1,4 @@\n-a;\n+a\n 0\n 1\n 2\n"
                                     "@@ -6,4 +6,4 @@\n 4\n 5\n 6\n-b;\n+b\n");
}

TEST(UnifiedDiff, AChangeBlockShowsItsRemovedLinesThenItsAddedOnes) {
    EXPECT_EQ(DiffOf({{"a;\n", "a\n"}, {"b;\n", "b\n"}, {"\n", ""}, {"c\n", "c\n"}, {"d;\n", "d\n"}}),
              "--- a/f\n+++ b/f\n@@ -1,5 +1,4 @@\n-a;\n-b;\n-\n+a\n+b\n c\n-d;\n+d\n");
}

// A line over a MiB is a part of its own rather than copied into the hunk: the hunk's lines
// around it, its trimmed tail and the next hunk must still come out in order.
TEST(UnifiedDiff, ALongLineKeepsTheHunkAroundItInOrder) {
    const std::string line(3 << 20, 'x');
    std::vector<std::pair<std::string, std::string>> lines{{"c\n", "c\n"}, {line + ";\n", line + "\n"}};
    for (int i = 0; i < 7; ++i)
        lines.emplace_back(std::to_string(i) + "\n", std::to_string(i) + "\n");
    lines.emplace_back(line + ";", line);
    EXPECT_EQ(DiffOf(lines), "--- a/f\n+++ b/f\n@@ -1,5 +1,5 @@\n c\n-" + line + ";\n+" + line + "\n 0\n 1\n 2\n"
                             "@@ -7,4 +7,4 @@\n 4\n 5\n 6\n-" + line + ";\n\\ No newline at end of file\n+" + line +
                             "\n\\ No newline at end of file\n");
}

TEST(UnifiedDiff, LabelsWithSpecialBytesAreQuotedForPatch) {
    const std::vector<std::pair<std::string, std::string>> change{{"a;\n", "a\n"}};
    EXPECT_EQ(DiffOf(change, "my file.pb").substr(0, 40), "--- \"a/my file.pb\"\n+++ \"b/my file.pb\"\n@@");
    EXPECT_EQ(DiffOf(change, "q\"\\\t\x01.pb").substr(0, 23), "--- \"a/q\\\"\\\\\\t\\001.pb\"\n");
}

} // namespace
} // namespace brisklet
