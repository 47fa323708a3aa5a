// Brisklet's entries in the IDE's Tools menu: which files, which entries, and each file read,
// edited and replaced the way brisklet-clean replaces a source.
#include "clean/IdeTools.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "clean/Rewrite.h"
#include "clean/ToolsFile.h"
#include "clean/UnifiedDiff.h"
#include "cleaning/SwitchTable.h"

namespace brisklet {

namespace {

// The recommended entries, one switch set each; the README shows the same table.
struct RecommendedTool {
    const char* Name;
    const char* Switches;
};

constexpr RecommendedTool RecommendedTools[] = {
    {"Strip comments", "/removecomments /removespacesatendoflines /keepcursorandfolds"},
    {"Release clean-up", "/removedebuglines /removecomments /removeemptylines /keepcursorandfolds"},
    {"Tabs to spaces", "/converttabtospace /keepcursorandfolds"},
    {"Tidy the selection", "/removedoublespaces /removespacesatendoflines /onlyselectedcode"},
    {"Fold everything, go to top", "/fold /setcursortotop"},
};

// A tools file larger than this is not one: the IDE writes a few hundred bytes an entry.
constexpr size_t LargestToolsFile = size_t{16} << 20;

std::vector<std::string> OwnNames() {
    std::vector<std::string> names;
    for (const RecommendedTool& tool : RecommendedTools)
        names.emplace_back(tool.Name);
    return names;
}

// The switches that act where brisklet-clean runs: the editor's view and the modifier that
// keeps it are Brisklet.exe's alone (the IDE takes caret and folds from the file it reloads).
std::string SwitchesOffEditor(std::string_view switches, bool& cleans) {
    std::string kept;
    cleans = false;
    while (!switches.empty()) {
        const size_t space = std::min(switches.find(' '), switches.size());
        const std::string_view word = switches.substr(0, space);
        switches.remove_prefix(std::min(space + 1, switches.size()));
        const std::u16string name(word.begin(), word.end());
        const SwitchEntry* entry = FindSwitch(name);
        if (name == KeepCursorAndFolds || (entry != nullptr && entry->View))
            continue;
        cleans = cleans || entry != nullptr;
        kept += std::string(word) + " ";
    }
    return kept;
}

std::string FolderOf(std::string_view path) {
    const size_t separator = path.find_last_of("/\\");
    return std::string(path.substr(0, separator == std::string_view::npos ? 0 : separator + 1));
}

// The entries as they run on this platform; empty after a report.
std::vector<ToolEntry> EntriesHere(const CleanEnvironment& environment, FileSystem& files, std::FILE* errors) {
    std::vector<ToolEntry> entries;
    if (environment.ProgramPath.empty()) {
        Report(errors, ProgramName, "cannot find where the program itself lies: " + files.LastError());
        return entries;
    }
    if (environment.Road == ToolRoad::Editor) {
        const std::string tool = FolderOf(environment.ProgramPath) + "Brisklet.exe";
        if (!files.NameExists(tool)) {
            Report(errors, tool, "No such file or directory; the IDE's entries run the Brisklet.exe beside " +
                                     environment.ProgramPath);
            return entries;
        }
        for (const RecommendedTool& recommended : RecommendedTools)
            entries.push_back({recommended.Name, tool, recommended.Switches, 0});
        return entries;
    }
    // The IDE saves the source to a temporary file, waits, and loads the file back into the
    // source it came from.
    constexpr int IntoTheCurrentSource = 2;
    for (const RecommendedTool& recommended : RecommendedTools) {
        bool cleans = false;
        const std::string switches = SwitchesOffEditor(recommended.Switches, cleans);
        if (cleans)
            entries.push_back({recommended.Name, environment.ProgramPath, switches + "\"%TEMPFILE\"",
                               IntoTheCurrentSource});
    }
    return entries;
}

// The tools files to edit: those named, or each IDE's whose configuration folder is there.
std::vector<std::string> ToolsFilesHere(const CleanSettings& settings, const CleanEnvironment& environment,
                                        FileSystem& files, std::FILE* errors) {
    if (!settings.ToolsFiles.empty())
        return settings.ToolsFiles;
    std::vector<std::string> found;
    std::string looked;
    for (const IdeToolsPlace& place : environment.ToolsPlaces) {
        if (files.IsFolder(place.Folder))
            found.push_back(place.File);
        looked += (looked.empty() ? "" : " and ") + place.Folder;
    }
    if (found.empty())
        std::fprintf(errors,
                     "%s: no IDE's configuration folder found (looked for %s); start the IDE once, or name its "
                     "tools file with --tools-file FILE\n",
                     ProgramName, looked.empty() ? "none on this system" : looked.c_str());
    return found;
}

// The whole file, read through the rewrite that may replace it.
bool ReadWhole(FileRewrite& rewrite, std::string& text) {
    const ReadBytes read = RewriteReader(rewrite);
    char buffer[1 << 16];
    for (;;) {
        const int64_t got = read(buffer, sizeof buffer);
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        text.append(buffer, static_cast<size_t>(got));
        if (text.size() > LargestToolsFile) {
            rewrite.Reason = "not a tools file of the IDE (larger than 16 MiB); left unchanged";
            return false;
        }
    }
}

std::string DiffOf(const std::string& file, const ToolsFileChange& change) {
    const std::string name = file.starts_with('/') ? file : "/" + file;
    UnifiedDiff diff;
    StartUnifiedDiff(diff, "a" + name, "b" + name);
    for (const auto& [before, after] : change.Pairs)
        AddDiffPiece(diff, before, after, true);
    FinishUnifiedDiff(diff);
    return JoinedDiff(diff.Text);
}

std::string Counted(const ToolsFileChange& change) {
    std::string text;
    const std::pair<const char*, int> counts[] = {
        {"added", change.Added}, {"updated", change.Updated}, {"unchanged", change.Unchanged}, {"removed", change.Removed}};
    for (const auto& [what, count] : counts) {
        if (count > 0)
            text += (text.empty() ? "" : ", ") + std::string(what) + " " + std::to_string(count);
    }
    return text.empty() ? "no entries of Brisklet's; left unchanged" : text;
}

struct ToolsFileResult {
    int Status = CleanSuccess;
    bool Written = false;
};

// Reads the file (a new one, empty, where there is none yet), edits it, and replaces it or
// shows the change.
ToolsFileResult EditToolsFile(const CleanSettings& settings, const CleanEnvironment& environment,
                              const std::vector<ToolEntry>& entries, FileSystem& files, const std::string& file,
                              std::FILE* errors) {
    const bool diffOnly = settings.Mode == OutputMode::Diff;
    // Created empty, never over a file another program made meanwhile, then replaced whole like
    // any other: an interrupted run leaves an empty menu, which is what no file gives.
    if (!diffOnly && !files.NameExists(file) && !files.CreateEmpty(file) && !files.NameExists(file)) {
        Report(errors, file, files.LastError());
        return {CleanTrouble};
    }
    FileRewrite rewrite(files);
    std::string text;
    const std::function<void()> nothingHeld = [] {};
    if (files.NameExists(file) &&
        (!OpenRewrite(rewrite, file, diffOnly ? nullptr : &nothingHeld) || !ReadWhole(rewrite, text))) {
        Report(errors, file, rewrite.Reason);
        return {CleanTrouble};
    }
    std::string reason;
    const std::optional<ToolsFileChange> change =
        settings.IdeTools == IdeToolsAction::Add ? AddTools(text, entries, OwnNames(), environment.LineEnd, reason)
                                                 : RemoveTools(text, OwnNames(), reason);
    if (!change) {
        Report(errors, file, reason);
        return {CleanTrouble};
    }
    const bool changes = change->Text != text;
    if (diffOnly) {
        if (changes && !files.WriteOutput(DiffOf(file, *change))) {
            Report(errors, "standard output", files.LastError());
            return {CleanTrouble};
        }
        return {changes ? CleanWouldChange : CleanSuccess};
    }
    if (changes) {
        const auto unchanged = std::mismatch(text.begin(), text.end(), change->Text.begin(), change->Text.end());
        const size_t same = static_cast<size_t>(unchanged.first - text.begin());
        if (!StartRewrite(rewrite, same) || !WriteRewrite(rewrite, std::string_view(change->Text).substr(same))) {
            Report(errors, file, rewrite.Reason + "; left unchanged");
            return {CleanTrouble};
        }
        StartCommit(rewrite);
        if (!CommitRewrite(rewrite)) {
            Report(errors, file, rewrite.Reason);
            return {CleanTrouble};
        }
        const std::vector<FolderTrouble> folders = files.FlushFolders();
        for (const FolderTrouble& trouble : folders)
            Report(errors, trouble.Folder, "the tools file was rewritten in it, but it could not be flushed to disk: " +
                                               trouble.Reason);
        if (!folders.empty())
            return {CleanTrouble, true};
    }
    if (!settings.Quiet)
        Report(errors, file, Counted(*change));
    return {CleanSuccess, changes};
}

} // namespace

int RunIdeToolsCommand(const CleanSettings& settings, const CleanEnvironment& environment, FileSystem& files,
                       std::FILE* errors) {
    if (settings.SwitchGiven || !settings.Files.empty()) {
        Report(errors, settings.IdeTools == IdeToolsAction::Add ? "--add-ide-tools" : "--remove-ide-tools",
               "takes no switches and no files (--tools-file names the IDE's tools file)");
        return CleanTrouble;
    }
    if (settings.Mode == OutputMode::Check) {
        Report(errors, "--check", "cannot be combined with --add-ide-tools or --remove-ide-tools (--diff shows the change)");
        return CleanTrouble;
    }
    std::vector<ToolEntry> entries;
    if (settings.IdeTools == IdeToolsAction::Add) {
        entries = EntriesHere(environment, files, errors);
        if (entries.empty())
            return CleanTrouble;
    }
    const std::vector<std::string> toolsFiles = ToolsFilesHere(settings, environment, files, errors);
    if (toolsFiles.empty())
        return CleanTrouble;
    int status = CleanSuccess;
    bool written = false;
    for (const std::string& file : toolsFiles) {
        const ToolsFileResult result = EditToolsFile(settings, environment, entries, files, file, errors);
        status = std::max(status, result.Status);
        written = written || result.Written;
    }
    if (written && environment.RunningIdes) {
        // The IDE reads its menu only as it starts, and writes its own list over the file when
        // Configure Tools is confirmed.
        for (const std::string& ide : environment.RunningIdes())
            std::fprintf(errors,
                         "%s: %s is running: restart it to see the change in its Tools menu; until then, confirming "
                         "Tools > Configure Tools in it would write its old list over the file\n",
                         ProgramName, ide.c_str());
    }
    return status;
}

} // namespace brisklet
