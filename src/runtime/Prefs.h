// Read-only access to INI-style preferences files: one value of one key in one group.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/FileOpener.h"

namespace brisklet {

enum class PrefsState { Empty, Open, Failed };

// One parsed line. Name and Value point into PrefsFile::Text.
struct PrefsEntry {
    enum class Kind { Group, Comment, Key };
    Kind EntryKind = Kind::Comment;
    std::string_view Name;  // group name, comment text or key name
    std::string_view Value; // key lines only, leading blanks and tabs already skipped
};

// The one open preferences file of the process. Only the Prefs functions change it.
struct PrefsFile {
    PrefsState State = PrefsState::Empty;
    std::unique_ptr<OpenedFile> File; // kept open so that nobody writes the file meanwhile
    std::string Text;                 // the content as UTF-8
    std::vector<PrefsEntry> Entries;  // in file order
    std::optional<size_t> CurrentGroup; // index of the selected header; none = above the first
    std::optional<std::string> PendingGroup; // last group asked for and not found

    PrefsFile() = default;
    PrefsFile(const PrefsFile&) = delete; // entries point into Text
    PrefsFile& operator=(const PrefsFile&) = delete;
};

// Above this size a file is treated like one that could not be held in memory: it opens
// with no entries. Preferences files are a few kilobytes.
inline constexpr int64_t MaxPrefsFileBytes = 64 * 1024 * 1024;

// Closes what was open and reads the file at path. False (state failed) when it cannot be opened.
[[nodiscard]] bool PrefsOpen(PrefsFile& prefs, FileOpener& files, std::u16string_view path);

// Selects a group by name (ASCII letters match regardless of case); "" selects the area above
// the first header. Without a match the group becomes pending and reads give their defaults.
bool PrefsSelectGroup(PrefsFile& prefs, std::u16string_view groupName);

// The value of the first matching key in the current group, without surrounding blanks and
// tabs, or the default.
[[nodiscard]] std::u16string PrefsReadText(const PrefsFile& prefs, std::u16string_view keyName,
                                           std::u16string_view defaultText);

// Releases the file, its text and entries; nothing is written back.
void PrefsClose(PrefsFile& prefs);

// ISO-8859-1 to UTF-8: every byte one character.
[[nodiscard]] std::string Utf8FromLatin1(std::string_view bytes);

// Splits UTF-8 text into entries that point into it. The text ends at its first NUL byte.
[[nodiscard]] std::vector<PrefsEntry> ParsePrefsText(std::string_view text);

// Byte comparison in which only the ASCII letters match regardless of case.
[[nodiscard]] bool PrefsNamesMatch(std::string_view a, std::string_view b);

} // namespace brisklet
