// brisklet-clean's command: options, switches and files in, exit status out.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "clean/FileSystem.h"
#include "runtime/FileOpener.h"

namespace brisklet {

// What the IDE tells a tool it starts, each empty when not set: PB_TOOL_Preferences (the IDE's
// preferences file, for its tab width) and PB_TOOL_Selection; and how that file is opened.
struct ToolEnvironment {
    std::u16string PreferencesPath;
    std::string Selection;
    FileOpener* Preferences = nullptr;
};

// Runs the command on its arguments (without the program name). Without files it cleans
// standard input to standard output; messages go to errors as "brisklet-clean: FILE: reason".
int RunCleanCommand(const std::vector<std::string>& arguments, const ToolEnvironment& environment,
                    FileSystem& files, std::FILE* errors);

} // namespace brisklet
