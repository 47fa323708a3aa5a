// A unified diff of a text and what a cleaning run made of it, built as the run goes: the run
// maps every line to at most one line, so the two texts are paired piece by piece and no
// search for common lines is needed.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cleaning/stream/ByteBuffer.h"

namespace brisklet {

// Lines of unchanged context around each change.
constexpr int64_t DiffContextLines = 3;

// Text and a hunk are parts to be written one after another, the last one open for more: a long
// line's change becomes a part of its own, where it was read, and is never copied beside the
// rest, so that a diff of a long line holds it no more than twice, as removed and as added.
using DiffParts = std::vector<ByteBuffer>;

struct UnifiedDiff {
    std::string OldLabel;
    std::string NewLabel;
    DiffParts Text = DiffParts(1); // the diff so far: headers and finished hunks
    // Input and output since both last stood at a line start together.
    ByteBuffer PendingInput;
    ByteBuffer PendingOutput;
    int64_t OldLine = 1; // number of the next line of each text
    int64_t NewLine = 1;
    // The latest unchanged lines, for the context before a change.
    std::array<std::string, DiffContextLines> Recent;
    int64_t RecentCount = 0;
    // The hunk being built: its lines, where it starts, how many lines of each text it holds,
    // and the unchanged lines at its end with where its open part stood after each of the first
    // ones.
    bool HunkOpen = false;
    DiffParts Hunk = DiffParts(1);
    // The change under way: its removed lines, then its added ones, as diff -u groups them.
    ByteBuffer Removed;
    ByteBuffer Added;
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

[[nodiscard]] bool DiffIsEmpty(const DiffParts& parts);

// The parts as one text, for a diff known to be small.
[[nodiscard]] std::string JoinedDiff(const DiffParts& parts);

} // namespace brisklet
