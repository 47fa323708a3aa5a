// brisklet-clean's command: options, switches and files in, exit status out.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "clean/FileSystem.h"
#include "clean/Sources.h"
#include "clean/ToolsFile.h"

namespace brisklet {

// What the command takes from its surroundings besides its arguments.
struct CleanEnvironment {
    // What the IDE tells a tool it starts, each empty when not set: PB_TOOL_Preferences (the
    // IDE's preferences file, for its tab width and fold start words, read through the run's
    // FileSystem) and PB_TOOL_Selection.
    std::u16string PreferencesPath;
    std::string Selection;
    // PB_TOOL_IDE set: the IDE started the run as one of its tools.
    bool IdeTool = false;
    // NO_COLOR set to anything but "", and which standard streams are terminals.
    bool NoColor = false;
    bool InputIsTerminal = false;
    bool OutputIsTerminal = false;
    bool ErrorsIsTerminal = false;
    unsigned Processors = 1;
    // How many files the process may hold open at once.
    size_t OpenFileLimit = 256;
    // A file system of its own for each further job; without it, one job cleans every file.
    std::function<std::unique_ptr<FileSystem>()> MoreFiles;
    // Where the shell leaves "*" and "?" in file names to the program: what a pattern matches.
    WildcardExpansion Wildcards;
    // For the IDE's Tools menu: where each IDE keeps it, the running program's absolute path,
    // what an entry runs, the line end the IDE writes, and the IDEs running now (by name).
    std::vector<IdeToolsPlace> ToolsPlaces;
    std::string ProgramPath;
    ToolRoad Road = ToolRoad::TemporaryFile;
    std::string LineEnd = "\n";
    std::function<std::vector<std::string>()> RunningIdes;
};

// Runs the command on its arguments (without the program name). Without files it cleans
// standard input to standard output; messages go to errors as "brisklet-clean: FILE: reason".
int RunCleanCommand(const std::vector<std::string>& arguments, const CleanEnvironment& environment,
                    FileSystem& files, std::FILE* errors);

} // namespace brisklet
