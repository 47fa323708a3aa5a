// The settings block's view entries: where the IDE puts the caret and the first visible line,
// which lines hold the user's markers and which folds are collapsed when it loads the source.
// Followed through a run that moves lines, so that each names the code it named before.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cleaning/LineFollowing.h"

namespace brisklet {

// What a block's entries say, each read as the IDE reads it ("; Key = Value" or "; Key=Value",
// the key in any letter case, the first of a key counting); one whose value is not of its kind
// is left out, and stays as it is.
struct ViewEntries {
    std::optional<intptr_t> CursorPosition; // the caret's line, from 0
    std::optional<intptr_t> CursorColumn;   // the caret's column in bytes, from 1
    std::optional<intptr_t> FirstLine;      // the first visible line, from 0
    std::optional<std::vector<intptr_t>> Markers; // lines from 1
    // One state per fold point in document order, expanded (true) or collapsed, six per
    // character of the value: the fold points beyond them are expanded.
    std::optional<std::vector<bool>> Folding;
    bool SpiderBasic = false; // the block's first line names SpiderBasic's IDE

    friend bool operator==(const ViewEntries&, const ViewEntries&) = default;
};

[[nodiscard]] ViewEntries ReadViewEntries(std::string_view block);

// Whether the block has an entry a run that moves lines must follow.
[[nodiscard]] bool HasViewEntries(const ViewEntries& entries);

// Where a run moved the lines of the source the block belongs to, as far as the entries ask.
struct ViewMove {
    // Where a line the entries name went: its line after the run, or for a line that went the
    // next kept line's (the line count when none follows).
    std::function<MappedLine(intptr_t line)> Follow;
    // Bytes of a line after the run, without its line end: the caret's new line only is asked.
    std::function<intptr_t(intptr_t line)> LineLength;
    intptr_t LineCount = 1; // lines of the source after the run
    bool LinesMoved = false; // some line went
    bool FoldsMoved = false; // some fold point went, or some line became one
    // The state of each fold point after the run: that of the fold point it was before the run,
    // expanded for one the run made.
    std::vector<bool> FoldStates;
};

// The state the Folding value gives the fold point index: those beyond it are expanded.
[[nodiscard]] bool FoldStateOf(const std::vector<bool>& states, size_t index);

// The entries moved with their lines: the caret and the first line on a line that went go to the
// next line kept (the last line when none follows), a caret column beyond its new line's end
// comes back to it, a marker on a line that went goes, and the fold points take their states. A
// run that moved no line and no fold point leaves them as they are; so does one after which the
// value as it stands gives every fold point its state.
[[nodiscard]] ViewEntries MoveViewEntries(const ViewEntries& entries, const ViewMove& move);

// The block with the entries that changed from before to after written in, in their own
// spelling; every other byte as it was.
[[nodiscard]] std::string WriteViewEntries(std::string_view block, const ViewEntries& before,
                                           const ViewEntries& after);

} // namespace brisklet
