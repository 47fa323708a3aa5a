// brisklet-clean's command: the arguments read and checked, what the IDE hands over taken, and
// the sources found; then they are cleaned (clean/Jobs.h), each source's fate decided in
// clean/SourceRun.h, and reported (clean/Report.h).
#include "clean/Command.h"

#include <algorithm>

#include "BriskletVersion.h"
#include "clean/IdeTools.h"
#include "clean/Jobs.h"
#include "clean/Options.h"
#include "clean/PreferencesFiles.h"
#include "cleaning/stream/SelectionRange.h"
#include "clean/Sources.h"
#include "runtime/IdePreferences.h"

namespace brisklet {

namespace {

// What the IDE hands over: its tab width (a preferences file that cannot be read gives the
// IDE's default, as the IDE itself would), its fold start words, and its selection. False after a malformed selection was reported.
bool TakeFromIde(CleanSettings& settings, const CleanEnvironment& environment, FileSystem& files,
                 std::FILE* errors) {
    if (!environment.PreferencesPath.empty()) {
        PreferencesFiles opener(files);
        PrefsFile prefs;
        settings.IdeTabLength =
            ReadPrefsTabLength(opener, prefs, environment.PreferencesPath).value_or(DefaultTabLength);
        settings.FoldStartWords = ReadPrefsFoldStartWords(opener, prefs, environment.PreferencesPath);
    }
    // A script run from a shell the IDE started inherits the variable: only the modifier says
    // that the selection is wanted.
    if (!settings.OnlySelected || environment.Selection.empty())
        return true;
    std::string reason;
    settings.Selection = ParseToolSelection(environment.Selection, reason);
    if (!settings.Selection) {
        Report(errors, "PB_TOOL_Selection", reason);
        return false;
    }
    return true;
}

// Names that reach far more than anybody can have meant: an empty one (an unset variable in a
// script), which would be the current folder, and the root of the file system. False after a
// report.
bool CheckReach(const CleanSettings& settings, FileSystem& files, std::FILE* errors) {
    for (const std::string& name : settings.Files) {
        if (name.empty()) {
            Report(errors, "''", "No such file or directory");
            return false;
        }
        if (!settings.WalkRoot && name != StandardInputName && files.IsFileSystemRoot(name)) {
            Report(errors, name, "the root of the file system is not walked (--no-preserve-root walks it)");
            return false;
        }
    }
    return true;
}

} // namespace

int RunCleanCommand(const std::vector<std::string>& arguments, const CleanEnvironment& environment,
                    FileSystem& files, std::FILE* errors) {
    std::optional<CleanSettings> settings = ParseArguments(arguments, errors);
    if (!settings)
        return CleanTrouble;
    if (settings->Version || settings->Help) {
        const std::string text =
            settings->Version ? std::string(ProgramName) + " " + BRISKLET_VERSION_TEXT + "\n" : HelpText();
        if (files.WriteOutput(text))
            return CleanSuccess;
        Report(errors, "standard output", files.LastError());
        return CleanTrouble;
    }
    if (settings->IdeTools != IdeToolsAction::None)
        return RunIdeToolsCommand(*settings, environment, files, errors);
    if (!settings->ToolsFiles.empty()) {
        Report(errors, "--tools-file", "needs --add-ide-tools or --remove-ide-tools");
        return CleanTrouble;
    }
    // Every name shown with the platform's own separator, whichever the user typed.
    for (std::string& name : settings->Files)
        std::replace(name.begin(), name.end(), '/', files.Separator());
    if (!CheckSwitchLikeNames(*settings, [&files](std::string_view name) { return files.NameExists(name); },
                              errors) ||
        !CheckReach(*settings, files, errors))
        return CleanTrouble;
    // Without a switch a run would pass every file, and a check would prove nothing.
    if (!settings->SwitchGiven) {
        std::fprintf(errors, "%s: no switch given (see --help)\n", ProgramName);
        return CleanTrouble;
    }
    // The IDE shows no terminal of its own and none of a tool's messages: a tool entry without
    // "%TEMPFILE" would wait for ever for typed input.
    if (settings->Files.empty() && environment.IdeTool && environment.InputIsTerminal) {
        Report(errors, "standard input", "a terminal; put \"%TEMPFILE\" after the switches in the tool's arguments");
        return CleanTrouble;
    }
    if (!TakeFromIde(*settings, environment, files, errors))
        return CleanTrouble;
    if (settings->Selection && IsEmptySelection(*settings->Selection)) {
        // Nothing selected: nothing at all is done, and standard input goes through as it came.
        if (!settings->Files.empty() || settings->Mode != OutputMode::Rewrite)
            return CleanSuccess;
        settings->Operations.clear();
        settings->Selection.reset();
    }
    if (settings->Files.empty())
        settings->Files.emplace_back(StandardInputName);
    // Reading what it writes, it would never end.
    if (settings->Mode == OutputMode::Rewrite &&
        std::find(settings->Files.begin(), settings->Files.end(), StandardInputName) != settings->Files.end() &&
        files.InputIsOutput()) {
        Report(errors, "standard input", "input file is output file");
        return CleanTrouble;
    }
    return CleanSources(*settings, environment, files, ExpandSources(settings->Files, files, environment.Wildcards),
                        errors);
}

} // namespace brisklet
