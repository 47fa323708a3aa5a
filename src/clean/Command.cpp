// brisklet-clean's command: options, switches and files in, exit status out. What becomes of
// each source is decided here, once: CleanOneSource below. Sources are cleaned by several jobs
// at once, and reported in their own order, as one job would.
#include "clean/Command.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <thread>

#include "BriskletVersion.h"
#include "clean/Options.h"
#include "clean/Output.h"
#include "clean/SelectionCleaning.h"
#include "clean/Sources.h"
#include "clean/TabWidth.h"
#include "config/IdePrefs.h"

namespace brisklet {

namespace {

// Files replaced before their folders are flushed once for all of them: the waits for the disk
// are shared, and a rename is durable at the latest when its batch is reported.
constexpr size_t FolderBatch = 64;

// How many rewritten files a job holds, their new texts on their way to the disk, before it puts
// them in place one by one: the disk takes them together and each flush finds its file's done.
// Each holds up to this many files open (the file, its way to write, the new file, folders).
constexpr size_t MostAwaitingCommit = 16;
constexpr size_t FilesHeldPerRewrite = 5;

// Within half the process's open-file limit, and the temporary-file slots of every job.
size_t CommitWindow(const CleanEnvironment& environment, unsigned jobs) {
    const size_t perJob = environment.OpenFileLimit / (2 * FilesHeldPerRewrite * std::max(jobs, 1u));
    return std::clamp<size_t>(std::min<size_t>(perJob, MostJobs / std::max(jobs, 1u)), 1, MostAwaitingCommit);
}

using HeldResults = std::vector<std::pair<size_t, SourceResult>>;

size_t Awaiting(const HeldResults& held) {
    return static_cast<size_t>(std::count_if(held.begin(), held.end(),
                                             [](const auto& entry) { return entry.second.Commit != nullptr; }));
}

// The results held back since the last hand-on: the files that await their commit get it, in
// their order, once window of them wait or when the held results go on (last).
void CommitHeld(HeldResults& held, size_t window, bool last) {
    const size_t awaiting = Awaiting(held);
    if (awaiting == 0 || (!last && awaiting < window))
        return;
    for (auto& entry : held)
        FinishCommit(entry.second);
}

// The cleaning run over one text: the whole text streamed, or only the IDE's selection.
CleanOutcome RunSwitches(const CleanSettings& settings, int32_t tabLength, const ReadBytes& read,
                         const Rereading& rereading, const CleanSink& sink, const std::string& name,
                         std::string& selectionTrouble) {
    if (!settings.Selection)
        return CleanText(read, rereading, sink, {settings.Operations, tabLength, settings.FoldStartWords});
    SelectionCleaning cleaning{{settings.Operations, tabLength, settings.FoldStartWords}, *settings.Selection, name, {}};
    const CleanOutcome outcome = CleanSelectedText(read, sink, cleaning);
    selectionTrouble = cleaning.Trouble;
    return outcome;
}

// beforeWaiting lets go of the files the job holds before it waits for another run's turn at a
// file it is to rewrite.
SourceResult CleanOneSource(const CleanSettings& settings, FileSystem& files, CleanOutput& output,
                            const std::string& name, const std::function<void()>& beforeWaiting) {
    const bool isFile = name != StandardInputName;
    // On the heap: a rewrite may outlive this source, awaiting its commit.
    auto rewrite = std::make_unique<FileRewrite>(files);
    if (isFile && !OpenRewrite(*rewrite, name, settings.Mode == OutputMode::Rewrite ? &beforeWaiting : nullptr))
        return TroubleResult(rewrite->Reason);
    const SourceTabWidth width = DecideTabWidth(settings, files, name);
    if (!width.Reason.empty())
        return TroubleResult(width.Reason, width.Subject);
    const CleanSource source{name, isFile ? rewrite.get() : nullptr};
    const ReadBytes read = isFile ? RewriteReader(*rewrite) : [&files](char* into, size_t capacity) {
        return files.ReadInput(into, capacity);
    };
    std::string selectionTrouble;
    const CleanOutcome outcome = RunSwitches(settings, width.Length, read,
                                             isFile ? RewriteRereading(*rewrite) : Rereading{}, output.Begin(source),
                                             isFile ? name : "standard input", selectionTrouble);
    if (!selectionTrouble.empty())
        return TroubleResult(selectionTrouble, "PB_TOOL_Selection");
    SourceResult result = output.End(source, outcome);
    result.Note = width.Origin;
    if (result.AwaitsCommit)
        result.Commit = std::move(rewrite);
    return result;
}

// One source, with running out of memory one more trouble of its own: the next is still cleaned.
SourceResult CleanGuarded(const CleanSettings& settings, FileSystem& files, CleanOutput& output,
                          const SourceName& source, const std::function<void()>& beforeWaiting) {
    if (!source.Trouble.empty())
        return TroubleResult(source.Trouble);
    try {
        return CleanOneSource(settings, files, output, source.Name, beforeWaiting);
    } catch (const std::bad_alloc&) {
        return TroubleResult("out of memory; left unchanged");
    }
}

constexpr const char* Bold = "\x1b[1m";
constexpr const char* Red = "\x1b[31m";
constexpr const char* Green = "\x1b[32m";
constexpr const char* Cyan = "\x1b[36m";
constexpr const char* Plain = "\x1b[m";

// A diff coloured as git colours one: its two header lines bold, hunk heads cyan, removed lines
// red, added ones green.
std::string Colored(std::string_view diff) {
    std::string colored;
    for (int line = 0; !diff.empty(); ++line) {
        const size_t length = std::min(diff.find('\n'), diff.size() - 1) + 1;
        const std::string_view text = diff.substr(0, length - (diff[length - 1] == '\n' ? 1 : 0));
        const char* color = line < 2 ? Bold : text.starts_with("@@") ? Cyan : text.starts_with('-') ? Red
                                              : text.starts_with('+') ? Green : nullptr;
        if (color != nullptr)
            colored += std::string(color) + std::string(text) + Plain + std::string(diff.substr(text.size(), length - text.size()));
        else
            colored += diff.substr(0, length);
        diff.remove_prefix(length);
    }
    return colored;
}

// What the user is told, in the order of the sources, with a progress line on a terminal.
class Reporter {
public:
    Reporter(const CleanSettings& settings, const CleanEnvironment& environment, FileSystem& files,
             std::FILE* errors, size_t total)
        : settings_(settings), files_(files), errors_(errors), total_(total),
          progress_(environment.ErrorsIsTerminal && !settings.Quiet),
          color_(settings.Color == ColorChoice::Always ||
                 (settings.Color == ColorChoice::Auto && environment.OutputIsTerminal && !environment.NoColor)),
          start_(std::chrono::steady_clock::now()) {}

    // Reports the result of the next source; its exit status.
    int Report(const SourceName& source, SourceResult result) {
        ClearProgress();
        ++done_;
        if (!result.Printed.empty() && !files_.WriteOutput(color_ ? Colored(result.Printed) : result.Printed))
            result = TroubleResult(files_.LastError(), "standard output");
        std::string reason = result.Reason;
        if (result.Status != CleanTrouble && settings_.Quiet)
            reason.clear();
        if (reason.empty() && settings_.Verbose && result.Changed && settings_.Mode == OutputMode::Rewrite &&
            source.Name != StandardInputName)
            reason = "cleaned";
        const std::string named = source.Name == StandardInputName ? "standard input" : source.Name;
        if (settings_.Verbose && !result.Note.empty())
            brisklet::Report(errors_, named, result.Note);
        if (!reason.empty())
            brisklet::Report(errors_, !result.Subject.empty() ? result.Subject : named, reason);
        for (const FolderTrouble& folder : result.Folders) {
            brisklet::Report(errors_, folder.Folder, "files were rewritten in it, but it could not be flushed to disk: " +
                                                         folder.Reason);
            result.Status = CleanTrouble;
        }
        return result.Status;
    }

    // Shows how far the run is once it has lasted a second.
    void ShowProgress() {
        if (!progress_ || std::chrono::steady_clock::now() - start_ < std::chrono::seconds(1))
            return;
        std::fprintf(errors_, "\r%s: %zu of %zu files", ProgramName, done_, total_);
        std::fflush(errors_);
        shown_ = true;
    }

    void ClearProgress() {
        if (!shown_)
            return;
        std::fprintf(errors_, "\r\x1b[K");
        std::fflush(errors_);
        shown_ = false;
    }

private:
    const CleanSettings& settings_;
    FileSystem& files_;
    std::FILE* errors_;
    size_t total_;
    size_t done_ = 0;
    bool progress_;
    bool color_;
    bool shown_ = false;
    std::chrono::steady_clock::time_point start_;
};

// The sources cleaned by jobs of their own; standard input, which only this thread may read and
// write, in its turn.
class JobRun {
public:
    JobRun(const CleanSettings& settings, const std::vector<SourceName>& sources, size_t window)
        : settings_(settings), sources_(sources), window_(window), results_(sources.size()),
          done_(sources.size(), false) {}

    void Start(unsigned jobs, const std::function<std::unique_ptr<FileSystem>()>& moreFiles) {
        for (unsigned job = 0; job < jobs; ++job)
            threads_.emplace_back([this, files = moreFiles()]() { Work(*files); });
    }

    // The result of source index, once it is there; progress is shown meanwhile.
    SourceResult Take(size_t index, Reporter& reporter) {
        std::unique_lock lock(mutex_);
        while (!done_[index]) {
            finished_.wait_for(lock, std::chrono::milliseconds(250));
            lock.unlock();
            reporter.ShowProgress();
            lock.lock();
        }
        return std::move(results_[index]);
    }

    ~JobRun() {
        for (std::thread& thread : threads_)
            thread.join();
    }

private:
    // A batch of results is handed on once the folders its files were replaced in are on disk.
    void Work(FileSystem& files) {
        const std::unique_ptr<CleanOutput> output = MakeOutput(settings_.Mode, files);
        HeldResults batch;
        const std::function<void()> commitAll = [&] { CommitHeld(batch, window_, true); };
        for (size_t index = next_++;; index = next_++) {
            const bool more = index < sources_.size();
            if (more && sources_[index].Name != StandardInputName)
                batch.emplace_back(index, CleanGuarded(settings_, files, *output, sources_[index], commitAll));
            const bool handOn = !batch.empty() && (!more || batch.size() == FolderBatch);
            CommitHeld(batch, window_, handOn);
            if (handOn) {
                batch.back().second.Folders = files.FlushFolders();
                const std::lock_guard lock(mutex_);
                for (auto& [done, result] : batch) {
                    results_[done] = std::move(result);
                    done_[done] = true;
                }
                finished_.notify_all();
                batch.clear();
            }
            if (!more)
                return;
        }
    }

    const CleanSettings& settings_;
    const std::vector<SourceName>& sources_;
    size_t window_;
    std::vector<SourceResult> results_;
    std::vector<bool> done_;
    std::atomic<size_t> next_ = 0;
    std::mutex mutex_;
    std::condition_variable finished_;
    std::vector<std::thread> threads_;
};

int CleanSources(const CleanSettings& settings, const CleanEnvironment& environment, FileSystem& files,
                 const std::vector<SourceName>& sources, std::FILE* errors) {
    Reporter reporter(settings, environment, files, errors, sources.size());
    const size_t fileCount = static_cast<size_t>(std::count_if(
        sources.begin(), sources.end(), [](const SourceName& source) { return source.Name != StandardInputName; }));
    const unsigned jobs = static_cast<unsigned>(
        std::min<size_t>(settings.Jobs != 0 ? settings.Jobs : std::max(environment.Processors, 1u), fileCount));
    const std::unique_ptr<CleanOutput> output = MakeOutput(settings.Mode, files);
    int status = CleanSuccess;
    const size_t window = CommitWindow(environment, std::max(jobs, 1u));
    if (jobs <= 1 || !environment.MoreFiles) {
        HeldResults held;
        const std::function<void()> commitAll = [&] { CommitHeld(held, window, true); };
        for (size_t index = 0; index < sources.size(); ++index) {
            reporter.ShowProgress();
            held.emplace_back(index, CleanGuarded(settings, files, *output, sources[index], commitAll));
            // Standard input writes to standard output as it is cleaned: what comes before it
            // is told first.
            const bool batchEnd = (index + 1) % FolderBatch == 0 || index + 1 == sources.size() ||
                                  sources[index + 1].Name == StandardInputName ||
                                  sources[index].Name == StandardInputName;
            CommitHeld(held, window, batchEnd);
            if (Awaiting(held) != 0)
                continue;
            if (batchEnd)
                held.back().second.Folders = files.FlushFolders();
            for (auto& [at, result] : held)
                status = std::max(status, reporter.Report(sources[at], std::move(result)));
            held.clear();
        }
    } else {
        JobRun run(settings, sources, window);
        run.Start(jobs, environment.MoreFiles);
        for (size_t index = 0; index < sources.size(); ++index) {
            SourceResult result = sources[index].Name == StandardInputName
                                      ? CleanGuarded(settings, files, *output, sources[index], {})
                                      : run.Take(index, reporter);
            status = std::max(status, reporter.Report(sources[index], std::move(result)));
        }
    }
    reporter.ClearProgress();
    return status;
}

// What the IDE hands over: its tab width unless --tab-length gave one (a preferences file that
// cannot be read gives the IDE's default, as the IDE itself would), its fold start words, and
// its selection. False after a malformed selection was reported.
bool TakeFromIde(CleanSettings& settings, const CleanEnvironment& environment, std::FILE* errors) {
    if (!environment.PreferencesPath.empty() && environment.Preferences != nullptr) {
        PrefsFile prefs;
        if (settings.TabLengthFrom != TabLengthOrigin::Option) {
            settings.TabLength = ReadPrefsTabLength(*environment.Preferences, prefs, environment.PreferencesPath)
                                     .value_or(DefaultTabLength);
            settings.TabLengthFrom = TabLengthOrigin::Ide;
        }
        settings.FoldStartWords =
            ReadPrefsFoldStartWords(*environment.Preferences, prefs, environment.PreferencesPath);
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
    if (!CheckSwitchLikeNames(*settings, [&files](std::string_view name) { return files.NameExists(name); },
                              errors) ||
        !CheckReach(*settings, files, errors))
        return CleanTrouble;
    // Without a switch a run would pass every file, and a check would prove nothing.
    if (!settings->SwitchGiven) {
        std::fprintf(errors, "%s: no switch given (see --help)\n", ProgramName);
        return CleanTrouble;
    }
    if (!TakeFromIde(*settings, environment, errors))
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
