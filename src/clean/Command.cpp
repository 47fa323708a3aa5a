// brisklet-clean's command: options, switches and files in, exit status out. What becomes of
// each source is decided here, once: CleanSource below.
#include "clean/Command.h"

#include <algorithm>
#include <new>

#include "BriskletVersion.h"
#include "clean/Options.h"
#include "clean/Output.h"
#include "clean/SelectionCleaning.h"
#include "config/IdePrefs.h"

namespace brisklet {

namespace {

constexpr std::string_view StandardInputName = "-";

// The cleaning run over one text: the whole text streamed, or only the IDE's selection.
CleanOutcome RunSwitches(const CleanSettings& settings, const ReadBytes& read, const Rereading& rereading,
                         const CleanSink& sink, const std::string& name, std::string& selectionTrouble) {
    if (!settings.Selection)
        return CleanText(read, rereading, sink, settings.Operations, settings.TabLength);
    SelectionCleaning cleaning{settings.Operations, settings.TabLength, *settings.Selection, name, {}};
    const CleanOutcome outcome = CleanSelectedText(read, sink, cleaning);
    selectionTrouble = cleaning.Trouble;
    return outcome;
}

SourceResult CleanOneSource(const CleanSettings& settings, FileSystem& files, CleanOutput& output,
                            const std::string& name) {
    const bool isFile = name != StandardInputName;
    FileRewrite rewrite(files);
    if (isFile && !OpenRewrite(rewrite, name))
        return {CleanTrouble, rewrite.Reason, {}};
    const CleanSource source{name, isFile ? &rewrite : nullptr};
    const ReadBytes read = isFile ? RewriteReader(rewrite) : [&files](char* into, size_t capacity) {
        return files.ReadInput(into, capacity);
    };
    std::string selectionTrouble;
    const CleanOutcome outcome = RunSwitches(settings, read, isFile ? RewriteRereading(rewrite) : Rereading{},
                                             output.Begin(source), isFile ? name : "standard input",
                                             selectionTrouble);
    if (!selectionTrouble.empty())
        return {CleanTrouble, selectionTrouble, "PB_TOOL_Selection"};
    return output.End(source, outcome);
}

// One source, with running out of memory one more trouble of its own: the next is still cleaned.
int CleanAndReport(const CleanSettings& settings, FileSystem& files, CleanOutput& output, const std::string& name,
                   std::FILE* errors) {
    SourceResult result;
    try {
        result = CleanOneSource(settings, files, output, name);
    } catch (const std::bad_alloc&) {
        result = {CleanTrouble, "out of memory; left unchanged", {}};
    }
    if (!result.Reason.empty()) {
        const std::string subject = !result.Subject.empty()      ? result.Subject
                                    : name == StandardInputName ? "standard input"
                                                                : name;
        Report(errors, subject, result.Reason);
    }
    return result.Status;
}

// What the IDE hands over: its tab width unless --tab-length gave one (a preferences file that
// cannot be read gives the IDE's default, as the IDE itself would), and its selection. False
// after a malformed selection was reported.
bool TakeFromIde(CleanSettings& settings, const ToolEnvironment& environment, std::FILE* errors) {
    if (!settings.TabLengthGiven && !environment.PreferencesPath.empty() && environment.Preferences != nullptr) {
        PrefsFile prefs;
        settings.TabLength = ReadPrefsTabLength(*environment.Preferences, prefs, environment.PreferencesPath)
                                 .value_or(DefaultTabLength);
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

} // namespace

int RunCleanCommand(const std::vector<std::string>& arguments, const ToolEnvironment& environment,
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
    if (!CheckSwitchLikeNames(*settings, [&files](std::string_view name) { return files.NameExists(name); },
                              errors) ||
        !TakeFromIde(*settings, environment, errors))
        return CleanTrouble;
    if (settings->Selection && IsEmptySelection(*settings->Selection)) {
        // Nothing selected: nothing at all is done, and standard input goes through as it came.
        if (!settings->Files.empty() || settings->Mode != OutputMode::Rewrite)
            return CleanSuccess;
        settings->Operations.clear();
        settings->Selection.reset();
    }
    if (settings->Files.empty()) {
        // Reading what it writes, it would never end.
        if (settings->Mode == OutputMode::Rewrite && files.InputIsOutput()) {
            Report(errors, "standard input", "input file is output file");
            return CleanTrouble;
        }
        settings->Files.emplace_back(StandardInputName);
    }
    const std::unique_ptr<CleanOutput> output = MakeOutput(settings->Mode, files);
    int status = CleanSuccess;
    for (const std::string& name : settings->Files)
        status = std::max(status, CleanAndReport(*settings, files, *output, name, errors));
    return status;
}

} // namespace brisklet
