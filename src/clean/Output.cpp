// What becomes of one source's cleaned text: rewritten, checked, or shown as a diff.
#include "clean/Output.h"

#include <algorithm>
#include <new>

#include "clean/UnifiedDiff.h"

namespace brisklet {

namespace {

constexpr std::string_view StandardOutput = "standard output";

// A run that did not finish: the source is left as it was.
SourceResult Unfinished(const CleanSource& source, const CleanOutcome& outcome, FileSystem& files) {
    const bool isFile = source.File != nullptr;
    switch (outcome.End) {
    case CleanEnd::ZeroByte:
    case CleanEnd::TooMuchGrowth: {
        const char* hint = outcome.End == CleanEnd::TooMuchGrowth ? " (check --tab-length)" : "";
        return TroubleResult(TroubleReason(outcome) + hint + (isFile ? "; left unchanged" : "; stopped there"));
    }
    case CleanEnd::Utf16:
        return TroubleResult(TroubleReason(outcome) + "; left unchanged");
    case CleanEnd::ReadFailed:
        return TroubleResult(isFile ? source.File->Reason : files.LastError());
    case CleanEnd::WriteFailed:
        if (isFile)
            return TroubleResult(source.File->Reason);
        return TroubleResult(files.LastError(), std::string(StandardOutput));
    case CleanEnd::Finished:
        break;
    }
    return {};
}

class RewriteOutput final : public CleanOutput {
public:
    explicit RewriteOutput(FileSystem& files) : files_(files) {}

    CleanSink Begin(const CleanSource& source) override {
        if (source.File == nullptr)
            return WholeResultSink([this](std::string_view bytes) { return files_.WriteOutput(bytes); });
        FileRewrite* rewrite = source.File;
        return ChangedPartSink([rewrite](uint64_t unchanged) { return StartRewrite(*rewrite, unchanged); },
                               [rewrite](std::string_view bytes) { return WriteRewrite(*rewrite, bytes); });
    }

    SourceResult End(const CleanSource& source, const CleanOutcome& outcome) override {
        if (outcome.End != CleanEnd::Finished)
            return Unfinished(source, outcome, files_);
        if (source.File == nullptr || !outcome.Changed)
            return {};
        StartCommit(*source.File);
        SourceResult result = ChangedResult(CleanSuccess);
        result.AwaitsCommit = true;
        return result;
    }

private:
    FileSystem& files_;
};

class CheckOutput final : public CleanOutput {
public:
    explicit CheckOutput(FileSystem& files) : files_(files) {}

    CleanSink Begin(const CleanSource&) override {
        return ChangedPartSink([](uint64_t) { return true; }, [](std::string_view) { return true; });
    }

    SourceResult End(const CleanSource& source, const CleanOutcome& outcome) override {
        if (outcome.End != CleanEnd::Finished)
            return Unfinished(source, outcome, files_);
        if (!outcome.Changed)
            return {};
        // Standard input has no name to report: the exit status says it.
        return ChangedResult(CleanWouldChange, source.File != nullptr ? "would change" : "");
    }

private:
    FileSystem& files_;
};

// A diff is handed on only for a text read to its end, so that patch never gets half of one.
class DiffOutput final : public CleanOutput {
public:
    explicit DiffOutput(FileSystem& files) : files_(files) {}

    CleanSink Begin(const CleanSource& source) override {
        diff_ = UnifiedDiff{};
        // Labels as git writes them, so that patch -p1 finds the files on any platform.
        std::string label = source.Name;
        std::replace(label.begin(), label.end(), files_.Separator(), '/');
        StartUnifiedDiff(diff_, "a/" + label, "b/" + label);
        return PiecesSink([this](std::string_view input, std::string_view output, bool settled) {
            AddDiffPiece(diff_, input, output, settled);
        });
    }

    SourceResult End(const CleanSource& source, const CleanOutcome& outcome) override {
        if (outcome.End != CleanEnd::Finished)
            return Unfinished(source, outcome, files_);
        FinishUnifiedDiff(diff_);
        if (DiffIsEmpty(diff_.Text))
            return {};
        return ChangedResult(CleanWouldChange, {}, std::move(diff_.Text));
    }

private:
    FileSystem& files_;
    UnifiedDiff diff_;
};

} // namespace

void FinishCommit(SourceResult& result) {
    if (!result.Commit)
        return;
    std::string reason;
    try {
        if (!CommitRewrite(*result.Commit))
            reason = result.Commit->Reason;
    } catch (const std::bad_alloc&) {
        // As for a source that ran out of memory while it was cleaned: the others still go on.
        reason = "out of memory while it was put in place";
    }
    result.Commit.reset();
    if (!reason.empty()) {
        std::string note = std::move(result.Note);
        result = TroubleResult(std::move(reason));
        result.Note = std::move(note);
    }
}

std::unique_ptr<CleanOutput> MakeOutput(OutputMode mode, FileSystem& files) {
    switch (mode) {
    case OutputMode::Check:
        return std::make_unique<CheckOutput>(files);
    case OutputMode::Diff:
        return std::make_unique<DiffOutput>(files);
    case OutputMode::Rewrite:
        break;
    }
    return std::make_unique<RewriteOutput>(files);
}

} // namespace brisklet
