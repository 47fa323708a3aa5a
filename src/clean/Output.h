// What becomes of one source's cleaned text, chosen once from the options: it replaces the file
// or goes to standard output (OutputMode::Rewrite), it only tells whether it would change
// anything (Check), or it becomes a unified diff on standard output (Diff).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "clean/FileSystem.h"
#include "clean/Options.h"
#include "clean/Rewrite.h"
#include "clean/UnifiedDiff.h"

namespace brisklet {

// A source under cleaning: a file, or standard input when File is null.
struct CleanSource {
    std::string Name; // as the user gave it; "-" for standard input
    FileRewrite* File = nullptr;
};

// The end of one source: its exit status, and what to tell the user about it (nothing when
// Reason is empty) and of what (the source's name unless Subject says otherwise).
struct SourceResult {
    int Status = CleanSuccess;
    std::string Reason;
    std::string Subject;
    bool Changed = false; // the source was, or would be, changed
    std::string Note;     // for --verbose: where its tab width came from
    DiffParts Printed;    // for standard output, in the order of the sources
    // Folders whose replaced files could not be made durable, found after this source.
    std::vector<FolderTrouble> Folders;
    // A rewritten file whose new text is written and on its way to the disk, not yet in the
    // file's place: FinishCommit puts it there, a few files later, so that their waits overlap.
    bool AwaitsCommit = false;
    std::unique_ptr<FileRewrite> Commit;
};

// Replaces the file of a result that awaits it; a failure turns the result into trouble.
void FinishCommit(SourceResult& result);

// A source that was, or would be, changed.
[[nodiscard]] inline SourceResult ChangedResult(int status, std::string reason = {}, DiffParts printed = {}) {
    SourceResult result;
    result.Status = status;
    result.Reason = std::move(reason);
    result.Changed = true;
    result.Printed = std::move(printed);
    return result;
}

[[nodiscard]] inline SourceResult TroubleResult(std::string reason, std::string subject = {}) {
    SourceResult result;
    result.Status = CleanTrouble;
    result.Reason = std::move(reason);
    result.Subject = std::move(subject);
    return result;
}

class CleanOutput {
public:
    virtual ~CleanOutput() = default;
    // Where the cleaning run gives its result.
    [[nodiscard]] virtual CleanSink Begin(const CleanSource& source) = 0;
    // The run over the source ended with outcome, finished or not.
    [[nodiscard]] virtual SourceResult End(const CleanSource& source, const CleanOutcome& outcome) = 0;
};

[[nodiscard]] std::unique_ptr<CleanOutput> MakeOutput(OutputMode mode, FileSystem& files);

} // namespace brisklet
