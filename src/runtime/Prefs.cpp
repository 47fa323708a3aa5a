// The preferences engine: open with the mark rule, parse in place, look up group and key.
#include "runtime/Prefs.h"

#include "runtime/TextCodec.h"

namespace brisklet {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view SkipLeadingBlanks(std::string_view text) {
    size_t start = 0;
    while (start < text.size() && IsBlank(text[start]))
        ++start;
    return text.substr(start);
}

std::string_view DropTrailingBlanks(std::string_view text) {
    size_t end = text.size();
    while (end > 0 && IsBlank(text[end - 1]))
        --end;
    return text.substr(0, end);
}

std::optional<PrefsEntry> ParseLine(std::string_view line) {
    line = SkipLeadingBlanks(line);
    if (line.empty())
        return std::nullopt;
    if (line.front() == ';') {
        std::string_view comment = line.substr(1);
        if (!comment.empty() && comment.front() == ' ')
            comment.remove_prefix(1);
        return PrefsEntry{PrefsEntry::Kind::Comment, comment, {}};
    }
    if (line.front() == '[') {
        const std::string_view rest = line.substr(1);
        return PrefsEntry{PrefsEntry::Kind::Group, rest.substr(0, rest.find(']')), {}};
    }
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) // a key without "=" has an empty value
        return PrefsEntry{PrefsEntry::Kind::Key, DropTrailingBlanks(line), {}};
    return PrefsEntry{PrefsEntry::Kind::Key, DropTrailingBlanks(line.substr(0, equals)),
                      SkipLeadingBlanks(line.substr(equals + 1))};
}

// Reads the file behind an open handle into UTF-8 text. False when the content cannot be
// had; the file then counts as open with no entries.
bool ReadContent(OpenedFile& file, std::string& text) {
    const std::optional<int64_t> size = file.Size();
    if (!size || *size < 0 || *size > MaxPrefsFileBytes)
        return false;
    const auto markLength = static_cast<int64_t>(Utf8ByteOrderMark.size());
    int64_t offset = 0;
    bool hasMark = false;
    if (*size >= markLength) {
        const std::optional<std::string> head = file.Read(0, markLength);
        if (!head)
            return false;
        hasMark = *head == Utf8ByteOrderMark;
        if (hasMark)
            offset = markLength;
    }
    if (*size - offset == 0)
        return true;
    std::optional<std::string> rest = file.Read(offset, *size - offset);
    if (!rest)
        return false;
    text = hasMark ? std::move(*rest) : Utf8FromLatin1(*rest);
    return true;
}

} // namespace

std::string Utf8FromLatin1(std::string_view bytes) {
    std::string utf8;
    utf8.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            utf8 += c;
        } else {
            utf8 += static_cast<char>(0xC0 | (b >> 6));
            utf8 += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    return utf8;
}

std::vector<PrefsEntry> ParsePrefsText(std::string_view text) {
    // The engine's text is a C string: a NUL byte ends it, so no name or value carries one.
    text = text.substr(0, text.find('\0'));
    std::vector<PrefsEntry> entries;
    size_t position = 0;
    while (position < text.size()) {
        if (IsLineEnd(text[position])) {
            ++position;
            continue;
        }
        size_t lineEnd = position;
        while (lineEnd < text.size() && !IsLineEnd(text[lineEnd]))
            ++lineEnd;
        if (std::optional<PrefsEntry> entry = ParseLine(text.substr(position, lineEnd - position)))
            entries.push_back(*entry);
        position = lineEnd;
    }
    return entries;
}

bool PrefsNamesMatch(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    }
    return true;
}

bool PrefsOpen(PrefsFile& prefs, FileOpener& files, std::u16string_view path) {
    PrefsClose(prefs);
    // Write access is asked for first so that nobody else can write the file while it is
    // read; a file already open for writing elsewhere is still read with the last attempt.
    prefs.File = files.OpenExisting(path, FileAccess::ReadWrite, FileShare::Read);
    if (!prefs.File)
        prefs.File = files.OpenExisting(path, FileAccess::Read, FileShare::Read);
    if (!prefs.File)
        prefs.File = files.OpenExisting(path, FileAccess::Read, FileShare::ReadWrite);
    if (!prefs.File) {
        prefs.State = PrefsState::Failed;
        return false;
    }
    prefs.State = PrefsState::Open;
    if (!ReadContent(*prefs.File, prefs.Text)) {
        prefs.Text.clear();
        return true;
    }
    prefs.Entries = ParsePrefsText(prefs.Text);
    return true;
}

bool PrefsSelectGroup(PrefsFile& prefs, std::u16string_view groupName) {
    if (prefs.State == PrefsState::Empty)
        return false;
    if (groupName.empty()) {
        prefs.CurrentGroup.reset();
        prefs.PendingGroup.reset();
        return true;
    }
    std::string name = EncodeUtf8(groupName);
    for (size_t i = 0; i < prefs.Entries.size(); ++i) {
        const PrefsEntry& entry = prefs.Entries[i];
        if (entry.EntryKind == PrefsEntry::Kind::Group && PrefsNamesMatch(entry.Name, name)) {
            prefs.CurrentGroup = i;
            prefs.PendingGroup.reset();
            return true;
        }
    }
    prefs.PendingGroup = std::move(name);
    return false;
}

std::u16string PrefsReadText(const PrefsFile& prefs, std::u16string_view keyName, std::u16string_view defaultText) {
    if (prefs.State != PrefsState::Open || prefs.PendingGroup)
        return std::u16string(defaultText);
    const std::string name = EncodeUtf8(keyName);
    const size_t first = prefs.CurrentGroup ? *prefs.CurrentGroup + 1 : 0;
    for (size_t i = first; i < prefs.Entries.size(); ++i) {
        const PrefsEntry& entry = prefs.Entries[i];
        if (entry.EntryKind == PrefsEntry::Kind::Group)
            break;
        if (entry.EntryKind == PrefsEntry::Kind::Key && PrefsNamesMatch(entry.Name, name))
            return DecodeUtf8(DropTrailingBlanks(SkipLeadingBlanks(entry.Value)));
    }
    return std::u16string(defaultText);
}

void PrefsClose(PrefsFile& prefs) {
    prefs.File.reset();
    prefs.Entries.clear();
    prefs.Text.clear();
    prefs.CurrentGroup.reset();
    prefs.PendingGroup.reset();
    prefs.State = PrefsState::Empty;
}

} // namespace brisklet
