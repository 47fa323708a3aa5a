// brisklet-clean's command line: options, switches and file names, read without touching a file.
#include "clean/Options.h"

#include <algorithm>
#include <cstring>

#include "BriskletVersion.h"
#include "cleaning/SwitchTable.h"
#include "runtime/Strings.h"
#include "runtime/TextCodec.h"

namespace brisklet {

namespace {

// A switch in any letter case; the modifiers and view commands are accepted and do nothing.
const SwitchEntry* FindAnySwitch(std::string_view argument) {
    std::u16string name;
    for (const char c : argument) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return nullptr;
        name.push_back(static_cast<char16_t>(c));
    }
    name = LowerCase(name);
    for (const SwitchEntry* entry = SwitchTableBegin(); entry != SwitchTableEnd(); ++entry) {
        if (entry->Name == name)
            return entry;
    }
    return nullptr;
}

// Letters edited, added or removed to turn one name into the other.
size_t EditDistance(std::string_view from, std::string_view to) {
    std::vector<size_t> row(to.size() + 1);
    for (size_t j = 0; j <= to.size(); ++j)
        row[j] = j;
    for (size_t i = 1; i <= from.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= to.size(); ++j) {
            const size_t above = row[j];
            row[j] = std::min({above + 1, row[j - 1] + 1, diagonal + (from[i - 1] == to[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[to.size()];
}

bool IsLetters(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); });
}

// "/" and letters, or letters alone: a switch the user may have meant, unless a file has that name.
bool LooksLikeSwitch(std::string_view argument) {
    return IsLetters(argument.starts_with('/') ? argument.substr(1) : argument);
}

// The switch a word of letters, with "/", dashes or nothing before them, is closest to; empty when
// none is: three slips at most, and at most one in three letters, or the guess confuses more than
// it helps.
std::string NearestSwitch(std::string_view argument) {
    std::string lower = "/";
    lower += argument.substr(argument.find_first_not_of("/-"));
    std::transform(lower.begin(), lower.end(), lower.begin(), AsciiLower);
    std::string nearest;
    size_t nearestDistance = std::min<size_t>(3, (lower.size() - 1) / 3) + 1;
    for (const SwitchEntry* entry = SwitchTableBegin(); entry != SwitchTableEnd(); ++entry) {
        const std::string name(entry->Name.begin(), entry->Name.end());
        const size_t distance = EditDistance(lower, name);
        if (distance < nearestDistance) {
            nearest = name;
            nearestDistance = distance;
        }
    }
    return nearest;
}

// The help's lines of one switch: its name, then its words wrapped within 80 columns.
std::string SwitchHelp(const std::string& name, const std::string& help) {
    constexpr size_t Indent = 35;
    constexpr size_t Width = 80;
    std::string text = "  " + name + std::string(std::max(Indent - 2, name.size() + 1) - name.size(), ' ');
    size_t column = Indent;
    for (size_t at = 0; at < help.size();) {
        const size_t end = std::min(help.find(' ', at), help.size());
        if (column > Indent && column + 1 + (end - at) > Width) {
            text += "\n" + std::string(Indent, ' ');
            column = Indent;
        } else if (column > Indent) {
            text += ' ';
            ++column;
        }
        text += help.substr(at, end - at);
        column += end - at;
        at = end + 1;
    }
    return text + "\n";
}

} // namespace

void Report(std::FILE* errors, std::string_view subject, std::string_view reason) {
    std::fprintf(errors, "%s: %.*s: %.*s\n", ProgramName, static_cast<int>(subject.size()), subject.data(),
                 static_cast<int>(reason.size()), reason.data());
}

// The value of an option given as "--name N" or "--name=N" (what: "a number", "a name"); nullopt
// after a report.
std::optional<std::string_view> OptionValue(const std::vector<std::string>& arguments, size_t& i,
                                            std::string_view name, std::FILE* errors,
                                            std::string_view what = "a number") {
    const std::string_view argument = arguments[i];
    if (argument.size() > name.size()) // "--name=N", or "-jN"
        return argument.substr(name.size() + (argument[name.size()] == '=' ? 1 : 0));
    if (i + 1 == arguments.size()) {
        Report(errors, name, "needs " + std::string(what));
        return std::nullopt;
    }
    return std::string_view(arguments[++i]);
}

bool IsOption(std::string_view argument, std::string_view name) {
    return argument == name || (argument.starts_with(name) && argument.size() > name.size() &&
                                argument[name.size()] == '=');
}

// Options are all read before any file is touched, so a bad one stops the run early.
std::optional<CleanSettings> ParseArguments(const std::vector<std::string>& arguments, std::FILE* errors) {
    CleanSettings settings;
    bool onlyFiles = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (onlyFiles || argument == "-") {
            settings.Files.emplace_back(argument);
        } else if (argument == "--") {
            onlyFiles = true;
        } else if (argument == "--help" || argument == "-h") {
            settings.Help = true;
        } else if (argument == "--version") {
            settings.Version = true;
        } else if (argument == "--quiet" || argument == "-q") {
            settings.Quiet = true;
        } else if (argument == "--verbose" || argument == "-v") {
            settings.Verbose = true;
        } else if (argument == "--check" || argument == "--diff") {
            const OutputMode mode = argument == "--check" ? OutputMode::Check : OutputMode::Diff;
            if (settings.Mode != OutputMode::Rewrite && settings.Mode != mode) {
                Report(errors, "--diff", "cannot be combined with --check");
                return std::nullopt;
            }
            settings.Mode = mode;
        } else if (argument == "--color") {
            settings.Color = ColorChoice::Always;
        } else if (IsOption(argument, "--color")) {
            const std::string_view value = argument.substr(std::strlen("--color="));
            if (value != "auto" && value != "always" && value != "never") {
                Report(errors, "--color", "auto, always or never, not '" + std::string(value) + "'");
                return std::nullopt;
            }
            settings.Color = value == "auto" ? ColorChoice::Auto : value == "always" ? ColorChoice::Always
                                                                                    : ColorChoice::Never;
        } else if (IsOption(argument, "--jobs") || argument.starts_with("-j")) {
            const std::optional<std::string_view> value =
                OptionValue(arguments, i, argument.starts_with("--") ? "--jobs" : "-j", errors);
            if (!value)
                return std::nullopt;
            const std::optional<int32_t> jobs = ParseWhole<int32_t>(*value);
            if (!jobs || *jobs < 1 || *jobs > MostJobs) {
                Report(errors, "--jobs", "not a whole number from 1 to " + std::to_string(MostJobs) + ": '" +
                                             std::string(*value) + "'");
                return std::nullopt;
            }
            settings.Jobs = static_cast<unsigned>(*jobs);
        } else if (IsOption(argument, "--tab-length")) {
            const std::optional<std::string_view> value = OptionValue(arguments, i, "--tab-length", errors);
            if (!value)
                return std::nullopt;
            const std::optional<int32_t> tabLength = ParseWhole<int32_t>(*value);
            if (!tabLength) {
                Report(errors, "--tab-length", "not a whole number from -2147483648 to 2147483647: '" +
                                                   std::string(*value) + "'");
                return std::nullopt;
            }
            settings.OptionTabLength = *tabLength;
        } else if (argument == "--no-editorconfig") {
            settings.EditorConfig = false;
        } else if (argument == "--no-preserve-root") {
            settings.WalkRoot = true;
        } else if (IsOption(argument, "--stdin-name")) {
            const std::optional<std::string_view> value = OptionValue(arguments, i, "--stdin-name", errors, "a name");
            if (!value)
                return std::nullopt;
            if (value->empty()) {
                Report(errors, "--stdin-name", "needs a name");
                return std::nullopt;
            }
            settings.StdinName = *value;
        } else if (argument == "--add-ide-tools" || argument == "--remove-ide-tools") {
            const IdeToolsAction action = argument == "--add-ide-tools" ? IdeToolsAction::Add : IdeToolsAction::Remove;
            if (settings.IdeTools != IdeToolsAction::None && settings.IdeTools != action) {
                Report(errors, "--add-ide-tools", "cannot be combined with --remove-ide-tools");
                return std::nullopt;
            }
            settings.IdeTools = action;
        } else if (IsOption(argument, "--tools-file")) {
            const std::optional<std::string_view> value = OptionValue(arguments, i, "--tools-file", errors, "a file");
            if (!value)
                return std::nullopt;
            if (value->empty()) {
                Report(errors, "--tools-file", "needs a file");
                return std::nullopt;
            }
            settings.ToolsFiles.emplace_back(*value);
        } else if (argument.size() > 1 && argument.front() == '-') {
            // "-removecomments": a switch typed with the dash of an option.
            const std::string nearest =
                IsLetters(argument.substr(std::min(argument.find_first_not_of('-'), argument.size())))
                    ? NearestSwitch(argument)
                    : "";
            Report(errors, argument,
                   nearest.empty() ? "unknown option (see --help)" : "unknown option; did you mean " + nearest + "?");
            return std::nullopt;
        } else if (const SwitchEntry* entry = FindAnySwitch(argument)) {
            settings.SwitchGiven = true;
            if (entry->Operation)
                settings.Operations.push_back(*entry->Operation);
            settings.OnlySelected = settings.OnlySelected || entry->Name == OnlySelectedCode;
        } else {
            if (LooksLikeSwitch(argument))
                settings.SwitchLike.emplace_back(argument);
            settings.Files.emplace_back(argument);
        }
    }
    return settings;
}

bool CheckSwitchLikeNames(const CleanSettings& settings, const std::function<bool(std::string_view)>& nameExists,
                          std::FILE* errors) {
    for (const std::string& argument : settings.SwitchLike) {
        if (nameExists(argument))
            continue;
        const std::string nearest = NearestSwitch(argument);
        // A bare word far from every switch is a missing file, reported as one in its turn.
        if (!argument.starts_with('/') && nearest.empty())
            continue;
        Report(errors, argument,
               nearest.empty()                ? "unknown switch (see --help)"
               : argument.starts_with('/') ? "unknown switch; did you mean " + nearest + "?"
                                           : "no such file; did you mean " + nearest + "?");
        return false;
    }
    return true;
}

std::string HelpText() {
    std::string text = std::string("Usage: ") + ProgramName +
                       " [OPTION]... SWITCH... [FILE | FOLDER | -]...\n"
                       "       " + ProgramName + " --add-ide-tools [--diff] [--tools-file FILE]...\n"
                       "       " + ProgramName + " --remove-ide-tools [--diff] [--tools-file FILE]...\n"
                       "Applies the cleaning switches, in the order given, to each FILE, to the\n"
                       "PureBasic and SpiderBasic sources under each FOLDER (.pb .pbi .sb .sbi; hidden\n"
                       "folders and links to folders passed by), or to standard input (-, or no FILE at\n"
                       "all). The IDE's settings block at the end of a source stays as it is, except\n"
                       "that in a file the caret, first line, markers and folds it names follow their\n"
                       "code.\n"
                       "  --tab-length N   columns of one tab (default: TabLength of [Global] in the\n"
                       "                   file PB_TOOL_Preferences names, else tab_width or a numeric\n"
                       "                   indent_size of the source's .editorconfig files, else " +
                       std::to_string(DefaultTabLength) +
                       ")\n"
                       "  --no-editorconfig\n"
                       "                   take no tab width from .editorconfig files\n"
                       "  --stdin-name NAME\n"
                       "                   the file standard input belongs to, for its .editorconfig\n"
                       "                   files\n"
                       "  --check          change nothing; exit 1 when a file would change, naming it\n"
                       "  --diff           change nothing; print a unified diff of the changes (for\n"
                       "                   patch -p1); exit 1 when there are any\n"
                       "  --color[=WHEN]   colour the diff: auto (a terminal, NO_COLOR unset; the\n"
                       "                   default), always, never\n"
                       "  -j N, --jobs N   clean N files at once (default: one per processor)\n"
                       "  --no-preserve-root\n"
                       "                   let / (a drive's root on Windows) be walked as a folder\n"
                       "  --add-ide-tools  put Brisklet's entries into the Tools menu of each IDE found\n"
                       "                   (the IDE shows them after its next start)\n"
                       "  --remove-ide-tools\n"
                       "                   take Brisklet's entries out of the IDE's Tools menu\n"
                       "  --tools-file FILE\n"
                       "                   the IDE's tools file, for a portable IDE or one given its own\n"
                       "  -q, --quiet      name only the files in trouble\n"
                       "  -v, --verbose    also name each file cleaned, and where its tab width came\n"
                       "                   from\n"
                       "  -h, --help       print this help and exit\n"
                       "  --version        print the version and exit\n"
                       "With /onlyselectedcode and PB_TOOL_Selection (LINExCOLUMNxLINExCOLUMN, as the\n"
                       "IDE sets it), only the selected characters are cleaned, and nothing at all when\n"
                       "none are.\n\n"
                       "Exit status: 0 done, 1 a file would change (--check, --diff), 2 trouble.\n\n"
                       "Switches:\n";
    for (const SwitchEntry* entry = SwitchTableBegin(); entry != SwitchTableEnd(); ++entry) {
        const char* note = entry->Operation || entry->Name == OnlySelectedCode ? "" : " (in the IDE only)";
        text += SwitchHelp(std::string(entry->Name.begin(), entry->Name.end()), entry->Help + std::string(note));
    }
    return text;
}

} // namespace brisklet
