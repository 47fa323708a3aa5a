// The settings block's view entries, read, followed through a run and written back.
#include "cleaning/view/ViewEntries.h"

#include <algorithm>
#include <limits>

#include "cleaning/LineEndScan.h"

namespace brisklet {

namespace {

// The 64 characters of the Folding value: a character's index is its six states.
constexpr std::string_view FoldingDigits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz1234567890+-";
constexpr size_t StatesPerDigit = 6;

enum class Key { CursorPosition, CursorColumn, FirstLine, Markers, Folding };
constexpr std::string_view KeyNames[] = {"CursorPosition", "CursorColumn", "FirstLine", "Markers", "Folding"};

struct Entry {
    Key Which = Key::CursorPosition;
    size_t ValueStart = 0; // in the block
    size_t ValueEnd = 0;
};

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

size_t SkipBlanks(std::string_view text, size_t at) {
    while (at < text.size() && IsBlank(text[at]))
        ++at;
    return at;
}

bool SameKey(std::string_view key, std::string_view name) {
    return key.size() == name.size() && std::equal(key.begin(), key.end(), name.begin(), [](char a, char b) {
               return (a >= 'a' && a <= 'z' ? static_cast<char>(a - 'a' + 'A') : a) ==
                      (b >= 'a' && b <= 'z' ? static_cast<char>(b - 'a' + 'A') : b);
           });
}

// The entry a line of the block holds, "; Key = Value" or "; Key=Value", the key in any letter
// case as the IDE reads it; lineStart is where the line starts in the block.
std::optional<Entry> EntryOf(std::string_view line, size_t lineStart) {
    const size_t semicolon = line.find_first_not_of(' ');
    if (semicolon == std::string_view::npos || line[semicolon] != ';')
        return std::nullopt;
    const size_t keyStart = SkipBlanks(line, semicolon + 1);
    size_t keyEnd = keyStart;
    while (keyEnd < line.size() && line[keyEnd] != '=' && !IsBlank(line[keyEnd]))
        ++keyEnd;
    const size_t equals = SkipBlanks(line, keyEnd);
    if (equals == line.size() || line[equals] != '=')
        return std::nullopt;
    const std::string_view key = line.substr(keyStart, keyEnd - keyStart);
    const auto* name = std::find_if(std::begin(KeyNames), std::end(KeyNames),
                                    [key](std::string_view known) { return SameKey(key, known); });
    if (name == std::end(KeyNames))
        return std::nullopt;
    size_t valueEnd = line.size();
    while (valueEnd > equals + 1 && IsBlank(line[valueEnd - 1]))
        --valueEnd;
    const size_t valueStart = std::min(SkipBlanks(line, equals + 1), valueEnd);
    return Entry{static_cast<Key>(name - std::begin(KeyNames)), lineStart + valueStart, lineStart + valueEnd};
}

// The view entries of the block in block order, the first of each key (the IDE reads the block
// from its end, so the first it meets last counts); and the block's first line.
std::vector<Entry> EntriesOf(std::string_view block, std::string_view& firstLine) {
    std::vector<Entry> entries;
    for (size_t at = 0; at < block.size();) {
        const size_t end = std::min(NextLineEnd(block, at), block.size());
        const std::string_view line = block.substr(at, end - at);
        if (at == 0)
            firstLine = line;
        const std::optional<Entry> entry = EntryOf(line, at);
        if (entry && std::none_of(entries.begin(), entries.end(),
                                  [&](const Entry& known) { return known.Which == entry->Which; }))
            entries.push_back(*entry);
        at = end == block.size() ? end : AfterLineEnd(block, end);
    }
    return entries;
}

std::optional<intptr_t> NumberOf(std::string_view value) {
    if (value.empty() || value.size() > 18 || !std::all_of(value.begin(), value.end(), [](char c) {
            return c >= '0' && c <= '9';
        }))
        return std::nullopt;
    int64_t number = 0;
    for (const char c : value)
        number = number * 10 + (c - '0');
    if (number > std::numeric_limits<intptr_t>::max())
        return std::nullopt;
    return static_cast<intptr_t>(number);
}

// Spaces are no part of the value; every marker names a line from 1.
std::optional<std::vector<intptr_t>> MarkersOf(std::string_view value) {
    std::string digits(value);
    std::erase(digits, ' ');
    std::vector<intptr_t> markers;
    for (size_t at = 0; !digits.empty() && at <= digits.size();) {
        const size_t comma = std::min(digits.find(',', at), digits.size());
        const std::optional<intptr_t> line = NumberOf(std::string_view(digits).substr(at, comma - at));
        if (!line || *line == 0)
            return std::nullopt;
        markers.push_back(*line);
        at = comma + 1;
    }
    return markers;
}

std::optional<std::vector<bool>> FoldingOf(std::string_view value) {
    std::vector<bool> states;
    for (const char c : value) {
        const size_t digit = FoldingDigits.find(c);
        if (digit == std::string_view::npos)
            return std::nullopt;
        for (size_t bit = 0; bit < StatesPerDigit; ++bit)
            states.push_back(((digit >> bit) & 1) != 0);
    }
    return states;
}

std::string FoldingText(const std::vector<bool>& states) {
    std::string text;
    for (size_t first = 0; first < states.size(); first += StatesPerDigit) {
        size_t digit = 0;
        for (size_t bit = 0; bit < StatesPerDigit; ++bit)
            digit |= (first + bit >= states.size() || states[first + bit] ? size_t{1} : 0) << bit;
        text += FoldingDigits[digit];
    }
    return text;
}

std::string MarkersText(const std::vector<intptr_t>& markers) {
    std::string text;
    for (const intptr_t marker : markers) {
        if (!text.empty())
            text += ',';
        text += std::to_string(marker);
    }
    return text;
}

std::optional<std::string> ChangedValue(Key which, const ViewEntries& before, const ViewEntries& after) {
    const auto number = [](const std::optional<intptr_t>& was, const std::optional<intptr_t>& is) {
        return was != is && is ? std::optional<std::string>(std::to_string(*is)) : std::nullopt;
    };
    switch (which) {
    case Key::CursorPosition:
        return number(before.CursorPosition, after.CursorPosition);
    case Key::CursorColumn:
        return number(before.CursorColumn, after.CursorColumn);
    case Key::FirstLine:
        return number(before.FirstLine, after.FirstLine);
    case Key::Markers:
        if (before.Markers != after.Markers && after.Markers)
            return MarkersText(*after.Markers);
        break;
    case Key::Folding:
        if (before.Folding != after.Folding && after.Folding)
            return FoldingText(*after.Folding);
        break;
    }
    return std::nullopt;
}

} // namespace

ViewEntries ReadViewEntries(std::string_view block) {
    ViewEntries entries;
    std::string_view firstLine;
    for (const Entry& entry : EntriesOf(block, firstLine)) {
        const std::string_view value = block.substr(entry.ValueStart, entry.ValueEnd - entry.ValueStart);
        switch (entry.Which) {
        case Key::CursorPosition:
            entries.CursorPosition = NumberOf(value);
            break;
        case Key::CursorColumn:
            entries.CursorColumn = NumberOf(value);
            break;
        case Key::FirstLine:
            entries.FirstLine = NumberOf(value);
            break;
        case Key::Markers:
            entries.Markers = MarkersOf(value);
            break;
        case Key::Folding:
            entries.Folding = FoldingOf(value);
            break;
        }
    }
    entries.SpiderBasic = firstLine.find("SpiderBasic") != std::string_view::npos;
    return entries;
}

bool HasViewEntries(const ViewEntries& entries) {
    return entries.CursorPosition || entries.CursorColumn || entries.FirstLine || entries.Markers ||
           entries.Folding;
}

bool FoldStateOf(const std::vector<bool>& states, size_t index) {
    return index >= states.size() || states[index];
}

ViewEntries MoveViewEntries(const ViewEntries& entries, const ViewMove& move) {
    if (!move.LinesMoved && !move.FoldsMoved)
        return entries;
    const intptr_t lastLine = std::max<intptr_t>(move.LineCount - 1, 0);
    const auto follow = [&](intptr_t line) { return std::min(move.Follow(line).Line, lastLine); };
    ViewEntries moved = entries;
    // The IDE writes no CursorPosition for a caret on the first line.
    const intptr_t caret = follow(entries.CursorPosition.value_or(0));
    if (entries.CursorPosition)
        moved.CursorPosition = caret;
    if (entries.CursorColumn)
        moved.CursorColumn = std::min(*entries.CursorColumn, move.LineLength(caret) + 1);
    if (entries.FirstLine)
        moved.FirstLine = follow(*entries.FirstLine);
    if (entries.Markers) {
        moved.Markers->clear();
        for (const intptr_t marker : *entries.Markers) {
            const MappedLine line = move.Follow(marker - 1);
            if (line.Kept)
                moved.Markers->push_back(line.Line + 1);
        }
    }
    if (entries.Folding) {
        bool same = true;
        for (size_t i = 0; i < move.FoldStates.size(); ++i)
            same = same && move.FoldStates[i] == FoldStateOf(*entries.Folding, i);
        if (!same)
            moved.Folding = move.FoldStates;
    }
    return moved;
}

std::string WriteViewEntries(std::string_view block, const ViewEntries& before, const ViewEntries& after) {
    std::string_view firstLine;
    std::string written;
    size_t copied = 0;
    for (const Entry& entry : EntriesOf(block, firstLine)) {
        const std::optional<std::string> value = ChangedValue(entry.Which, before, after);
        if (!value)
            continue;
        written.append(block.substr(copied, entry.ValueStart - copied)).append(*value);
        copied = entry.ValueEnd;
    }
    return written.append(block.substr(copied));
}

} // namespace brisklet
