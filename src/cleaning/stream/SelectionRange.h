// The IDE's selection as it hands it to a tool ("LineStartxColumnStartxLineEndxColumnEnd"), and
// the bytes of a file it covers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace brisklet {

// Lines and columns count from 1; columns count characters; the end column is the position
// after the last selected character.
struct ToolSelection {
    int64_t StartLine = 1;
    int64_t StartColumn = 1;
    int64_t EndLine = 1;
    int64_t EndColumn = 1;
};

// nullopt with reason set when value is not four such numbers or ends before it starts.
[[nodiscard]] std::optional<ToolSelection> ParseToolSelection(std::string_view value, std::string& reason);

// Start equal to end: nothing is selected.
[[nodiscard]] bool IsEmptySelection(const ToolSelection& selection);

struct SelectedBytes {
    size_t Start = 0;
    size_t End = 0;
};

// The bytes the selection covers in a whole text. Lines end at CR LF, LF or a lone CR; a
// column is a character of UTF-8 when the text has a byte order mark or holds UTF-8 before
// its settings block, else a byte. nullopt with reason set, naming the text by name, when a
// place lies outside it.
[[nodiscard]] std::optional<SelectedBytes> LocateSelection(std::string_view text, const ToolSelection& selection,
                                                       std::string_view name, std::string& reason);

// A byte order mark, or a UTF-8 sequence before the settings block: the case conversions then
// read the text as UTF-8. The rule of a whole text's run (TextRun), for a text read whole.
[[nodiscard]] bool IsUtf8Text(std::string_view text);

} // namespace brisklet
