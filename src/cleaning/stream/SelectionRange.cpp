// The IDE's selection as it hands it to a tool, and the bytes of a file it covers.
#include "cleaning/stream/SelectionRange.h"

#include <algorithm>
#include "runtime/Strings.h"

#include "cleaning/LineEndScan.h"
#include "cleaning/stream/Pipeline.h"
#include "cleaning/stream/TextRun.h"
#include "runtime/TextCodec.h"

namespace brisklet {

namespace {

size_t BodyStart(std::string_view text) {
    return ByteOrderMarkLength(text);
}

size_t LineEndFrom(std::string_view text, size_t at) {
    while (at < text.size() && !IsLineEnd(text[at]))
        ++at;
    return at;
}

int64_t LineCount(std::string_view text) {
    int64_t count = 1;
    for (size_t at = LineEndFrom(text, BodyStart(text)); at < text.size(); at = LineEndFrom(text, AfterLineEnd(text, at)))
        ++count;
    return count;
}

struct Place {
    size_t LineStart = 0;
    int64_t Line = 1;
};

// The byte offset of line and column, moving on from a place at or before it.
std::optional<size_t> Locate(std::string_view text, bool utf8, Place& place, int64_t line, int64_t column,
                             std::string_view name, std::string& reason) {
    for (; place.Line < line; ++place.Line) {
        const size_t end = LineEndFrom(text, place.LineStart);
        if (end == text.size()) {
            reason = "line " + std::to_string(line) + " is beyond the end of " + std::string(name) + ", which has " +
                     std::to_string(LineCount(text)) + " lines";
            return std::nullopt;
        }
        place.LineStart = AfterLineEnd(text, end);
    }
    size_t at = place.LineStart;
    for (int64_t passed = 1; passed < column; ++passed) {
        if (at == text.size() || IsLineEnd(text[at])) {
            reason = "line " + std::to_string(line) + " of " + std::string(name) + " has no column " +
                     std::to_string(column) + "; its last is " + std::to_string(passed);
            return std::nullopt;
        }
        at += utf8 ? std::max<size_t>(Utf8SequenceLength(text, at), 1) : 1;
    }
    return at;
}

std::optional<int64_t> ParseNumber(std::string_view text) {
    if (text.starts_with('-'))
        return std::nullopt;
    return ParseWhole<int64_t>(text);
}

} // namespace

std::optional<ToolSelection> ParseToolSelection(std::string_view value, std::string& reason) {
    int64_t numbers[4] = {};
    std::string_view rest = value;
    for (int i = 0; i < 4; ++i) {
        const size_t cut = i < 3 ? rest.find('x') : rest.size();
        const std::optional<int64_t> number = cut == std::string_view::npos ? std::nullopt : ParseNumber(rest.substr(0, cut));
        if (!number) {
            reason = "not LINExCOLUMNxLINExCOLUMN: '" + std::string(value) + "'";
            return std::nullopt;
        }
        if (*number < 1) {
            reason = "lines and columns count from 1: '" + std::string(value) + "'";
            return std::nullopt;
        }
        numbers[i] = *number;
        rest.remove_prefix(i < 3 ? cut + 1 : cut);
    }
    const ToolSelection selection{numbers[0], numbers[1], numbers[2], numbers[3]};
    if (selection.EndLine < selection.StartLine ||
        (selection.EndLine == selection.StartLine && selection.EndColumn < selection.StartColumn)) {
        reason = "ends before it starts: '" + std::string(value) + "'";
        return std::nullopt;
    }
    return selection;
}

bool IsEmptySelection(const ToolSelection& selection) {
    return selection.StartLine == selection.EndLine && selection.StartColumn == selection.EndColumn;
}

std::optional<SelectedBytes> LocateSelection(std::string_view text, const ToolSelection& selection,
                                         std::string_view name, std::string& reason) {
    const bool utf8 = IsUtf8Text(text);
    Place place{BodyStart(text), 1};
    const std::optional<size_t> start =
        Locate(text, utf8, place, selection.StartLine, selection.StartColumn, name, reason);
    if (!start)
        return std::nullopt;
    const std::optional<size_t> end = Locate(text, utf8, place, selection.EndLine, selection.EndColumn, name, reason);
    if (!end)
        return std::nullopt;
    return SelectedBytes{*start, *end};
}

bool IsUtf8Text(std::string_view text) {
    return BodyStart(text) > 0 || HoldsUtf8Sequence(text.substr(0, SettingsStartIn(text)));
}

} // namespace brisklet
