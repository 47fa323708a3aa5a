// The IDE's tools file edited as text, line by line, every line the edit does not touch kept
// byte for byte.
#include "clean/ToolsFile.h"

#include <algorithm>
#include <charconv>
#include <cstdint>

#include "runtime/Prefs.h"
#include "runtime/TextCodec.h"

namespace brisklet {

namespace {

constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view HeaderComment = "; PureBasic IDE ToolsMenu Configuration";
// More entries than any menu holds: a larger number is not a count.
constexpr int MostTools = 100000;

enum class LineKind { Blank, Comment, Group, Key };

struct Line {
    std::string Text; // without its line end
    std::string End;  // "\r\n", "\n", "\r", or "" at the end of the file
    LineKind Kind = LineKind::Blank;
    std::string Name;  // the group's or the key's
    std::string Value; // the key's, as the IDE reads it
    std::string Old;   // the line as the file held it, with its end; nothing for a line added
};

// The lines before the first group, or a group: the comments and blank lines before its header,
// the header, its keys and the comments among them.
struct Section {
    std::vector<Line> Lines;
    int Tool = -1; // N of [Tool_N]
    bool Info = false;
    bool Removed = false;
};

struct ToolsLayout {
    std::string Mark;              // the byte order mark, or nothing
    std::vector<Section> Sections; // the first holds the lines before the first group
    std::string LineEnd;           // the file's own, for lines added
};

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Names compare as the IDE compares them: only ASCII letters regardless of case.
bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

std::optional<int> WholeNumber(std::string_view digits) {
    int value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() || value < 0)
        return std::nullopt;
    return value;
}

// N of a group the IDE reads as "Tool_" and N written out, without leading zeros.
int ToolNumber(std::string_view group) {
    constexpr std::string_view Prefix = "Tool_";
    if (group.size() <= Prefix.size() || !SameName(group.substr(0, Prefix.size()), Prefix))
        return -1;
    const std::string_view digits = group.substr(Prefix.size());
    if (digits.size() > 1 && digits.front() == '0')
        return -1;
    const std::optional<int> number = WholeNumber(digits);
    return number && *number < MostTools ? *number : -1;
}

Line ParseLine(std::string_view text, std::string_view end) {
    Line line{std::string(text), std::string(end), LineKind::Blank, {}, {}, {}};
    std::string_view rest = text;
    while (!rest.empty() && IsBlank(rest.front()))
        rest.remove_prefix(1);
    if (rest.empty())
        return line;
    if (rest.front() == ';') {
        line.Kind = LineKind::Comment;
    } else if (rest.front() == '[') {
        line.Kind = LineKind::Group;
        line.Name = rest.substr(1, rest.find(']') == std::string_view::npos ? std::string_view::npos
                                                                            : rest.find(']') - 1);
    } else {
        // A line without "=" is a key with an empty value, whatever its line end.
        const size_t equals = rest.find('=');
        line.Kind = LineKind::Key;
        line.Name = Trimmed(rest.substr(0, equals));
        if (equals != std::string_view::npos)
            line.Value = Trimmed(rest.substr(equals + 1));
    }
    return line;
}

// The line with new text, still paired with the line the file held, and indented as it was.
void Rewrite(Line& line, const std::string& text) {
    const std::string indent = line.Text.substr(0, line.Text.find_first_not_of(" \t"));
    std::string old = std::move(line.Old);
    line = ParseLine(indent + text, line.End);
    line.Old = std::move(old);
}

// Splits the text into sections; nullopt with reason when it is not a tools file the IDE wrote
// or could read as one.
std::optional<ToolsLayout> ParseTools(std::string_view text, std::string_view lineEnd, std::string& reason) {
    ToolsLayout layout;
    if (text.starts_with(ByteOrderMark)) {
        layout.Mark = ByteOrderMark;
        text.remove_prefix(ByteOrderMark.size());
    }
    if (text.find('\0') != std::string_view::npos) {
        reason = "not a tools file of the IDE (it holds binary data); left unchanged";
        return std::nullopt;
    }
    layout.Sections.emplace_back();
    size_t at = 0;
    while (at < text.size()) {
        const size_t stop = std::min(text.find_first_of("\r\n", at), text.size());
        size_t next = stop + (stop < text.size() ? 1 : 0);
        if (stop < text.size() && text[stop] == '\r' && next < text.size() && text[next] == '\n')
            ++next;
        Line line = ParseLine(text.substr(at, stop - at), text.substr(stop, next - stop));
        line.Old = text.substr(at, next - at);
        if (layout.LineEnd.empty())
            layout.LineEnd = line.End;
        if (line.Kind == LineKind::Group) {
            // The comments and blank lines before a header go with its group.
            std::vector<Line>& before = layout.Sections.back().Lines;
            auto lead = before.end();
            while (layout.Sections.size() > 1 && lead != before.begin() &&
                   (lead - 1)->Kind != LineKind::Key && (lead - 1)->Kind != LineKind::Group)
                --lead;
            Section group;
            group.Lines.assign(std::make_move_iterator(lead), std::make_move_iterator(before.end()));
            before.erase(lead, before.end());
            group.Tool = ToolNumber(line.Name);
            group.Info = SameName(line.Name, "ToolsInfo");
            layout.Sections.push_back(std::move(group));
        }
        layout.Sections.back().Lines.push_back(std::move(line));
        at = next;
    }
    if (layout.LineEnd.empty())
        layout.LineEnd = lineEnd;
    return layout;
}

// The value of the group's first key of that name, as the IDE reads it.
std::string KeyValue(const Section& section, std::string_view key) {
    for (const Line& line : section.Lines) {
        if (line.Kind == LineKind::Key && SameName(line.Name, key))
            return line.Value;
    }
    return {};
}

Section* InfoSection(ToolsLayout& layout) {
    for (Section& section : layout.Sections) {
        if (section.Info)
            return &section;
    }
    return nullptr;
}

// The tool groups in the menu's order; nullopt with reason when ToolCount and the groups
// disagree: the IDE would show another menu than the groups hold.
std::optional<std::vector<Section*>> ToolsInOrder(ToolsLayout& layout, std::string& reason) {
    const Section* info = InfoSection(layout);
    const std::string countText = info ? KeyValue(*info, "ToolCount") : std::string();
    const std::optional<int> count = countText.empty() ? 0 : WholeNumber(countText);
    if (!count || *count >= MostTools) {
        reason = "not a tools file of the IDE (ToolCount is '" + countText + "'); left unchanged";
        return std::nullopt;
    }
    std::vector<Section*> tools(static_cast<size_t>(*count), nullptr);
    size_t groups = 0;
    for (Section& section : layout.Sections) {
        if (section.Tool < 0)
            continue;
        ++groups;
        if (section.Tool < *count && tools[static_cast<size_t>(section.Tool)] == nullptr)
            tools[static_cast<size_t>(section.Tool)] = &section;
    }
    if (groups != tools.size() || std::find(tools.begin(), tools.end(), nullptr) != tools.end()) {
        reason = "not a tools file of the IDE (ToolCount is " + std::to_string(*count) + " but it has " +
                 std::to_string(groups) + " tool groups, not numbered from 0); left unchanged";
        return std::nullopt;
    }
    return tools;
}

// The line after which a line is added to the section: its last key, or its header.
size_t InsertionPoint(const Section& section) {
    size_t point = 0;
    for (size_t i = 0; i < section.Lines.size(); ++i) {
        if (section.Lines[i].Kind == LineKind::Key || section.Lines[i].Kind == LineKind::Group)
            point = i + 1;
    }
    return point;
}

// Gives the group's first key of that name the value, as the IDE writes it; adds the key when
// the group has none. Whether anything changed.
bool SetKey(Section& section, std::string_view key, const std::string& value, std::string_view lineEnd) {
    const std::string text = std::string(key) + " = " + value;
    for (Line& line : section.Lines) {
        if (line.Kind == LineKind::Key && SameName(line.Name, key)) {
            if (line.Value == value)
                return false;
            Rewrite(line, text);
            return true;
        }
    }
    const size_t point = InsertionPoint(section);
    if (point > 0 && section.Lines[point - 1].End.empty())
        section.Lines[point - 1].End = lineEnd;
    // Indented as the key before it.
    const std::string& before = section.Lines[point - 1].Text;
    const std::string indent = section.Lines[point - 1].Kind == LineKind::Key
                                   ? before.substr(0, before.find_first_not_of(" \t"))
                                   : std::string();
    section.Lines.insert(section.Lines.begin() + static_cast<ptrdiff_t>(point), ParseLine(indent + text, lineEnd));
    return true;
}

// The entry's keys that brisklet-clean owns: whether any changed.
bool SetEntry(Section& section, const ToolEntry& entry, std::string_view lineEnd) {
    // "Wait until tool quits" is what makes the tool work; the other flags are the user's.
    const int flags = WholeNumber(KeyValue(section, "Flags")).value_or(0) | 1;
    bool changed = SetKey(section, "Command", entry.Command, lineEnd);
    changed = SetKey(section, "Arguments", entry.Arguments, lineEnd) || changed;
    changed = SetKey(section, "Trigger", "0", lineEnd) || changed;
    changed = SetKey(section, "Flags", std::to_string(flags), lineEnd) || changed;
    return SetKey(section, "ReloadSource", std::to_string(entry.ReloadSource), lineEnd) || changed;
}

void SetHeader(Section& section, int tool) {
    for (Line& line : section.Lines) {
        if (line.Kind == LineKind::Group) {
            Rewrite(line, "[Tool_" + std::to_string(tool) + "]");
            break;
        }
    }
    section.Tool = tool;
}

// A group as the IDE writes it, after the empty comment that parts it from the one before.
Section NewGroup(const std::string& header, std::string_view lineEnd) {
    Section section;
    section.Lines.push_back(ParseLine(";", lineEnd));
    section.Lines.push_back(ParseLine(header, lineEnd));
    return section;
}

Section NewEntry(const ToolEntry& entry, int tool, std::string_view lineEnd) {
    Section section = NewGroup("[Tool_" + std::to_string(tool) + "]", lineEnd);
    section.Tool = tool;
    const std::pair<const char*, std::string> keys[] = {
        {"Command", entry.Command}, {"Arguments", entry.Arguments}, {"WorkingDir", ""},
        {"MenuItemName", entry.MenuItemName}, {"Shortcut", "0"}, {"ConfigLine", ""}, {"Trigger", "0"},
        {"Flags", "1"}, {"ReloadSource", std::to_string(entry.ReloadSource)}, {"HideEditor", "0"},
        {"HideFromMenu", "0"}, {"SourceSpecific", "0"}, {"Deactivate", "0"}};
    for (const auto& [key, value] : keys)
        section.Lines.push_back(ParseLine(std::string(key) + " = " + value, lineEnd));
    return section;
}

// Sets ToolCount, adding [ToolsInfo] after the lines before the first group when there is none.
void SetCount(ToolsLayout& layout, int count) {
    Section* info = InfoSection(layout);
    if (info == nullptr) {
        Section group = NewGroup("[ToolsInfo]", layout.LineEnd);
        group.Info = true;
        std::vector<Line>& before = layout.Sections.front().Lines;
        if (before.empty())
            group.Lines.erase(group.Lines.begin()); // nothing to part it from
        else if (before.back().End.empty())
            before.back().End = layout.LineEnd;
        info = &*layout.Sections.insert(layout.Sections.begin() + 1, std::move(group));
    }
    static_cast<void>(SetKey(*info, "ToolCount", std::to_string(count), layout.LineEnd));
}

// The new text, and each line of the old one paired with what became of it, for a diff.
void Join(const ToolsLayout& layout, std::string_view oldMark, ToolsFileChange& change) {
    change.Text = layout.Mark;
    change.Pairs.emplace_back(oldMark, layout.Mark);
    for (const Section& section : layout.Sections) {
        for (const Line& line : section.Lines) {
            const std::string now = section.Removed ? std::string() : line.Text + line.End;
            change.Text += now;
            change.Pairs.emplace_back(line.Old, now);
        }
    }
}

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool IsOwnName(const std::vector<std::string>& ownNames, std::string_view name) {
    return std::find(ownNames.begin(), ownNames.end(), name) != ownNames.end();
}

// Whether the entry's program is Brisklet.exe or brisklet-clean, wherever it lies: with a name of
// the recommended set, such an entry is Brisklet's own.
bool RunsBrisklet(std::string_view command) {
    command = Trimmed(command);
    if (command.size() >= 2 && command.front() == '"' && command.back() == '"')
        command = command.substr(1, command.size() - 2);
    std::string leaf(command.substr(command.find_last_of("/\\") + 1));
    std::transform(leaf.begin(), leaf.end(), leaf.begin(), AsciiLower);
    return leaf == "brisklet.exe" || leaf == "brisklet-clean" || leaf == "brisklet-clean.exe";
}

bool IsOwnEntry(const Section& section, const std::vector<std::string>& ownNames) {
    return RunsBrisklet(KeyValue(section, "Command")) && IsOwnName(ownNames, KeyValue(section, "MenuItemName"));
}

} // namespace

std::optional<ToolsFileChange> AddTools(std::string_view text, const std::vector<ToolEntry>& set,
                                        const std::vector<std::string>& ownNames, std::string_view lineEnd,
                                        std::string& reason) {
    const bool needsUtf8 = std::any_of(set.begin(), set.end(), [](const ToolEntry& entry) {
        return !IsAscii(entry.Command) || !IsAscii(entry.Arguments) || !IsAscii(entry.MenuItemName);
    });
    const std::string converted = needsUtf8 && !text.empty() && !text.starts_with(ByteOrderMark)
                                      // As the IDE reads it, every byte one Latin-1 letter, now after a mark.
                                      ? std::string(ByteOrderMark) + Utf8FromLatin1(text)
                                      : std::string();
    std::optional<ToolsLayout> layout = ParseTools(converted.empty() ? text : converted, lineEnd, reason);
    if (!layout)
        return std::nullopt;
    std::optional<std::vector<Section*>> tools = ToolsInOrder(*layout, reason);
    if (!tools)
        return std::nullopt;
    if (text.empty()) {
        // A new file, as the IDE writes one.
        layout->Mark = ByteOrderMark;
        layout->Sections.front().Lines.push_back(ParseLine(std::string(HeaderComment), layout->LineEnd));
    }
    ToolsFileChange change;
    std::vector<bool> present(set.size(), false);
    for (Section* section : *tools) {
        if (!IsOwnEntry(*section, ownNames))
            continue;
        const std::string name = KeyValue(*section, "MenuItemName");
        for (size_t i = 0; i < set.size(); ++i) {
            if (set[i].MenuItemName != name)
                continue;
            present[i] = true;
            ++(SetEntry(*section, set[i], layout->LineEnd) ? change.Updated : change.Unchanged);
        }
    }
    int count = static_cast<int>(tools->size());
    for (size_t i = 0; i < set.size(); ++i) {
        if (present[i])
            continue;
        std::vector<Line>& last = layout->Sections.back().Lines;
        if (!last.empty() && last.back().End.empty())
            last.back().End = layout->LineEnd;
        layout->Sections.push_back(NewEntry(set[i], count++, layout->LineEnd));
        ++change.Added;
    }
    if (change.Added > 0)
        SetCount(*layout, count);
    if (change.Added + change.Updated > 0)
        Join(*layout, text.starts_with(ByteOrderMark) ? ByteOrderMark : std::string_view(), change);
    else
        change.Text = text;
    return change;
}

std::optional<ToolsFileChange> RemoveTools(std::string_view text, const std::vector<std::string>& ownNames,
                                           std::string& reason) {
    std::optional<ToolsLayout> layout = ParseTools(text, "\n", reason);
    if (!layout)
        return std::nullopt;
    std::optional<std::vector<Section*>> tools = ToolsInOrder(*layout, reason);
    if (!tools)
        return std::nullopt;
    ToolsFileChange change;
    int kept = 0;
    for (Section* section : *tools) {
        if (IsOwnEntry(*section, ownNames)) {
            section->Removed = true;
            ++change.Removed;
        } else if (section->Tool != kept++) {
            SetHeader(*section, kept - 1);
        }
    }
    if (change.Removed == 0) {
        change.Text = text;
        return change;
    }
    SetCount(*layout, kept);
    Join(*layout, layout->Mark, change);
    return change;
}

} // namespace brisklet
