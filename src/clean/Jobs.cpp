// The sources cleaned by one job or several: every job runs the same loop, and a result is
// final when it leaves it.
#include "clean/Jobs.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "clean/Output.h"
#include "clean/Report.h"
#include "clean/SourceRun.h"

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

// Within half the process's open-file limit, and half the temporary files it may hold.
size_t CommitWindow(const CleanEnvironment& environment, unsigned jobs) {
    const size_t perJob = environment.OpenFileLimit / (2 * FilesHeldPerRewrite * std::max(jobs, 1u));
    return std::clamp<size_t>(std::min<size_t>(perJob, MostTemporaryFiles / 2 / std::max(jobs, 1u)), 1,
                              MostAwaitingCommit);
}

using HeldResults = std::vector<std::pair<size_t, SourceResult>>;

// The results held back since the last hand-on: the files that await their commit get it, in
// their order, once window of them wait or when the held results go on (last).
void CommitHeld(HeldResults& held, size_t window, bool last) {
    const size_t awaiting = static_cast<size_t>(
        std::count_if(held.begin(), held.end(), [](const auto& entry) { return entry.second.Commit != nullptr; }));
    if (awaiting == 0 || (!last && awaiting < window))
        return;
    for (auto& entry : held)
        FinishCommit(entry.second);
}

// What the jobs share: the sources and the next one to take.
struct JobShare {
    const CleanSettings& Settings;
    const std::vector<SourceName>& Sources;
    size_t Window;
    std::atomic<size_t> Next = 0;
};

// Takes a batch of results whose files are in place and whose folders are flushed.
using HandOn = std::function<void(HeldResults& batch)>;

// One job's loop: it takes the next source, cleans it, and hands the results on in batches.
// Standard input, which only the main thread may read and write, is cleaned by the job that
// cleansInput, in its turn, once what came before it is handed on: it writes to standard output
// as it is cleaned.
void RunJob(JobShare& share, FileSystem& files, const HandOn& handOn, bool cleansInput) {
    const std::unique_ptr<CleanOutput> output = MakeOutput(share.Settings.Mode, files);
    HeldResults batch;
    const std::function<void()> commitAll = [&] { CommitHeld(batch, share.Window, true); };
    const auto handOnBatch = [&] {
        if (batch.empty())
            return;
        CommitHeld(batch, share.Window, true);
        batch.back().second.Folders = files.FlushFolders();
        handOn(batch);
        batch.clear();
    };
    for (size_t index = share.Next++; index < share.Sources.size(); index = share.Next++) {
        const bool isInput = share.Sources[index].Name == StandardInputName;
        if (isInput && !cleansInput)
            continue;
        if (isInput)
            handOnBatch();
        batch.emplace_back(index, CleanOneSource(share.Settings, files, *output, share.Sources[index], commitAll));
        if (isInput || batch.size() == FolderBatch)
            handOnBatch();
        else
            CommitHeld(batch, share.Window, false);
    }
    handOnBatch();
}

// The results of jobs of their own, taken by the main thread in the sources' order.
class ResultBoard {
public:
    explicit ResultBoard(size_t count) : results_(count), done_(count, false) {}

    void Put(HeldResults& batch) {
        const std::lock_guard lock(mutex_);
        for (auto& [index, result] : batch) {
            results_[index] = std::move(result);
            done_[index] = true;
        }
        finished_.notify_all();
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

private:
    std::vector<SourceResult> results_;
    std::vector<bool> done_;
    std::mutex mutex_;
    std::condition_variable finished_;
};

} // namespace

int CleanSources(const CleanSettings& settings, const CleanEnvironment& environment, FileSystem& files,
                 const std::vector<SourceName>& sources, std::FILE* errors) {
    Reporter reporter(settings, environment, files, errors, sources.size());
    const size_t fileCount = static_cast<size_t>(std::count_if(
        sources.begin(), sources.end(), [](const SourceName& source) { return source.Name != StandardInputName; }));
    const unsigned jobs = static_cast<unsigned>(
        std::min<size_t>(settings.Jobs != 0 ? settings.Jobs : std::max(environment.Processors, 1u), fileCount));
    JobShare share{settings, sources, CommitWindow(environment, std::max(jobs, 1u))};
    int status = CleanSuccess;
    if (jobs <= 1 || !environment.MoreFiles) {
        RunJob(share, files, [&](HeldResults& batch) {
            reporter.ShowProgress();
            for (auto& [index, result] : batch)
                status = std::max(status, reporter.Report(sources[index], std::move(result)));
        }, true);
    } else {
        ResultBoard board(sources.size());
        std::vector<std::thread> threads;
        for (unsigned job = 0; job < jobs; ++job) {
            threads.emplace_back([&, jobFiles = environment.MoreFiles()]() {
                RunJob(share, *jobFiles, [&board](HeldResults& batch) { board.Put(batch); }, false);
            });
        }
        // Standard input in its turn, on this thread: the jobs pass it by.
        const std::unique_ptr<CleanOutput> output = MakeOutput(settings.Mode, files);
        for (size_t index = 0; index < sources.size(); ++index) {
            SourceResult result = sources[index].Name == StandardInputName
                                      ? CleanOneSource(settings, files, *output, sources[index], {})
                                      : board.Take(index, reporter);
            status = std::max(status, reporter.Report(sources[index], std::move(result)));
        }
        for (std::thread& thread : threads)
            thread.join();
    }
    reporter.ClearProgress();
    return status;
}

} // namespace brisklet
