// brisklet-clean's command line: options, switches and file names, read without touching a file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cleaning/stream/SelectionRange.h"
#include "cleaning/Operations.h"
#include "runtime/IdePreferences.h"

namespace brisklet {

inline constexpr const char* ProgramName = "brisklet-clean";

enum CleanExitCode { CleanSuccess = 0, CleanWouldChange = 1, CleanTrouble = 2 };

enum class OutputMode { Rewrite, Check, Diff };

enum class ColorChoice { Auto, Always, Never };

// --add-ide-tools and --remove-ide-tools: the IDE's Tools menu instead of sources.
enum class IdeToolsAction { None, Add, Remove };

inline constexpr int32_t MostJobs = 1024;

struct CleanSettings {
    std::vector<CleaningOperation> Operations;
    std::vector<std::string> Files;
    // Arguments taken for files that look like mistyped switches: letters, alone or after "/".
    std::vector<std::string> SwitchLike;
    // The tab widths --tab-length and the IDE's preferences give; which one counts, and when a
    // source's .editorconfig does, is decided in one place: DecideTabWidth.
    std::optional<int32_t> OptionTabLength;
    std::optional<int32_t> IdeTabLength;
    bool EditorConfig = true; // --no-editorconfig: false
    bool WalkRoot = false;    // --no-preserve-root: the root of the file system may be named
    std::string StdinName;    // --stdin-name: the file standard input's text belongs to
    // The fold start words of the IDE's preferences; nullopt: the IDE's defaults.
    std::optional<std::vector<std::string>> FoldStartWords;
    OutputMode Mode = OutputMode::Rewrite;
    ColorChoice Color = ColorChoice::Auto;
    unsigned Jobs = 0; // 0: one per processor
    bool Quiet = false;
    bool Verbose = false;
    bool SwitchGiven = false;
    bool Help = false;
    bool Version = false;
    bool OnlySelected = false;
    IdeToolsAction IdeTools = IdeToolsAction::None;
    std::vector<std::string> ToolsFiles; // --tools-file
    std::optional<ToolSelection> Selection; // with "/onlyselectedcode" and a selection from the IDE
};

// "brisklet-clean: SUBJECT: reason".
void Report(std::FILE* errors, std::string_view subject, std::string_view reason);

// Reads every argument before any file is touched; a bad one is reported and stops the run.
[[nodiscard]] std::optional<CleanSettings> ParseArguments(const std::vector<std::string>& arguments,
                                                          std::FILE* errors);

// An argument of "/" and letters that names no file is a mistyped switch, and so is a word of
// letters alone close to a switch's name: reported with the nearest switch's name. False after a
// report.
[[nodiscard]] bool CheckSwitchLikeNames(const CleanSettings& settings,
                                        const std::function<bool(std::string_view)>& nameExists,
                                        std::FILE* errors);

[[nodiscard]] std::string HelpText();

} // namespace brisklet
