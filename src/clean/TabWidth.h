// The tab width one source is cleaned with, and where it came from: --tab-length, the IDE's
// preferences, the source's .editorconfig files, or the default.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "clean/FileSystem.h"
#include "clean/Options.h"

namespace brisklet {

struct SourceTabWidth {
    int32_t Length = DefaultTabLength;
    // For --verbose ("tab width 8 from .editorconfig"); empty when no switch uses a width.
    std::string Origin;
    // Trouble that leaves the source unchanged: why, and of what (the .editorconfig at fault, as
    // shown), the reason naming the source.
    std::string Reason;
    std::string Subject;
};

// The width, strongest first: --tab-length; the IDE's preferences (PB_TOOL_Preferences); the
// .editorconfig files of the file (tab_width, else a numeric indent_size), asked only when a
// switch uses a width and --no-editorconfig is not given; the default. source is the file's name,
// or "-" for standard input, whose files are those of --stdin-name's name (none without it).
[[nodiscard]] SourceTabWidth DecideTabWidth(const CleanSettings& settings, FileSystem& files, std::string_view source);

} // namespace brisklet
