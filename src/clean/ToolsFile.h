// The IDE's tools file, the entries of its Tools menu, edited as text: Brisklet's own entries are
// added, updated or taken out, and every other byte stays as it was, the user's entries in their
// places. The file is read as the IDE reads it: a preferences file, [ToolsInfo] ToolCount and the
// groups [Tool_0] ... [Tool_N-1] in the menu's order.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace brisklet {

// What an entry of the IDE's Tools menu runs: Brisklet.exe beside brisklet-clean.exe, which works
// in the IDE's editor (Windows), or brisklet-clean on the IDE's temporary copy of the source.
enum class ToolRoad { Editor, TemporaryFile };

// Where one IDE keeps its Tools menu.
struct IdeToolsPlace {
    std::string Folder; // the IDE's configuration folder: there once the IDE has run
    std::string File;   // the tools file in it
};

// One entry as brisklet-clean writes it: the keys it owns. The user's own settings of an entry
// (shortcut, unticked, hidden, working folder) are never written over.
struct ToolEntry {
    std::string MenuItemName;
    std::string Command;
    std::string Arguments;
    int ReloadSource = 0; // 0: none; 2: into the current source
};

struct ToolsFileChange {
    std::string Text; // the whole new file; the old one when nothing changed
    // Each piece of the old file (its byte order mark, then line by line) and what it became,
    // for a diff; none when nothing changed.
    std::vector<std::pair<std::string, std::string>> Pairs;
    int Added = 0;
    int Updated = 0;
    int Unchanged = 0;
    int Removed = 0;
};

// The set's entries into the file: each entry of Brisklet's own whose name is in the set
// updated in place, the missing ones added after the others. ownNames: every name an entry of
// Brisklet's may have. lineEnd: for a file that has none yet. Nullopt with reason when the text
// is not a tools file.
[[nodiscard]] std::optional<ToolsFileChange> AddTools(std::string_view text, const std::vector<ToolEntry>& set,
                                                      const std::vector<std::string>& ownNames,
                                                      std::string_view lineEnd, std::string& reason);

// Brisklet's own entries out of the file, the others renumbered in their order.
[[nodiscard]] std::optional<ToolsFileChange> RemoveTools(std::string_view text,
                                                         const std::vector<std::string>& ownNames,
                                                         std::string& reason);

} // namespace brisklet
