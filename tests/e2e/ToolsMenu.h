// The test IDE's Tools menu, read from a tools file as the IDE reads it as it starts, and an
// entry run as the IDE runs it: command line, waiting, hiding and reloading from the entry's keys.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Scenario.h"

namespace brisklet::e2e {

struct MenuEntry {
    std::wstring Name;
    std::wstring Command;
    std::wstring Arguments;
    std::wstring WorkingDir;
    int Flags = 0;        // bit 0: "Wait until tool quits"
    int ReloadSource = 0; // 2: into the current source
    bool HideEditor = false;
};

// The IDE's own tools file: the shell's roaming application data folder, then the IDE's name.
[[nodiscard]] std::wstring IdeToolsFile(bool spiderBasic);

// Every entry of the file in menu order; none when the file is missing.
[[nodiscard]] std::vector<MenuEntry> ReadToolsMenu(const std::wstring& path);

// The scenario's run as the entry asks for it: its command line ("%TEMPFILE" standing for
// temporaryFile), working folder, waiting and hiding.
void TakeEntry(Scenario& scenario, const MenuEntry& entry, const std::wstring& temporaryFile);

// What the IDE loads back from a temporary file: every line end made CR LF.
[[nodiscard]] std::string ReloadedText(const std::string& bytes);

} // namespace brisklet::e2e
