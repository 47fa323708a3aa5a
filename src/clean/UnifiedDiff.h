// A unified diff of a text and what a cleaning run made of it, built as the run goes: the run
// maps every line to at most one line, so the two texts are paired piece by piece and no
// search for common lines is needed.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace brisklet {

// Lines of unchanged context around each change.
constexpr int64_t DiffContextLines = 3;

struct UnifiedDiff {
    std::string OldLabel;
    std::string NewLabel;
    std::string Text; // the diff so far: headers and finished hunks
    // Input and output since both last stood at a line start together.
    std::string PendingInput;
    std::string PendingOutput;
    int64_t OldLine = 1; // number of the next line of each text
    int64_t NewLine = 1;
    // The latest unchanged lines, for the context before a change.
    std::array<std::string, DiffContextLines> Recent;
    int64_t RecentCount = 0;
    // The hunk being built: its lines, where it starts, how many lines of each text it holds,
    // and the unchanged lines at its end with where the body stood after each of the first ones.
    bool HunkOpen = false;
    std::string Body;
    // The change under way: its removed lines, then its added ones, as diff -u groups them.
    std::string Removed;
    std::string Added;
    int64_t OldStart = 0;
    int64_t NewStart = 0;
    int64_t OldCount = 0;
    int64_t NewCount = 0;
    int64_t Tail = 0;
    std::array<size_t, DiffContextLines> TailEnds{};
};

// Labels as given ("a/FILE", "b/FILE"); quoted when they hold blanks or other special bytes.
void StartUnifiedDiff(UnifiedDiff& diff, std::string_view oldLabel, std::string_view newLabel);

// The next piece of the old text and what it became. settled: everything of the old text so
// far is in the new text so far.
void AddDiffPiece(UnifiedDiff& diff, std::string_view input, std::string_view output, bool settled);

// Both texts have ended; Text is then the whole diff, empty when they are the same.
void FinishUnifiedDiff(UnifiedDiff& diff);

} // namespace brisklet
