// brisklet-clean's files and streams, realised once per platform (clean/posix, clean/win32):
// standard input to standard output, and the safe rewrite of a file in place.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cleaning/Cleaning.h"
#include "cleaning/SourceCleaning.h"

namespace brisklet {

// Cleans what comes from the descriptor in to the descriptor out, byte for byte with every
// line end as it was; with check, writes nothing and only learns whether the text would change.
[[nodiscard]] CleanOutcome CleanDescriptors(int in, int out, const std::vector<CleaningOperation>& operations,
                                            int32_t tabLength, bool check);

// What became of one file.
enum class FileResult { Unchanged, Rewritten, WouldChange, Trouble };

// What a run's outcome leaves for its file: nullopt when the cleaned text is to replace it;
// else the result, with reason set for Trouble. failedIo is the platform's own account of a
// failed read or write.
[[nodiscard]] inline std::optional<FileResult> ResultBeforeRewrite(const CleanOutcome& outcome, bool check,
                                                                   const std::string& failedIo, std::string& reason) {
    switch (outcome.End) {
    case CleanEnd::Finished:
        break;
    case CleanEnd::ZeroByte:
    case CleanEnd::TooMuchGrowth:
        reason = TroubleReason(outcome) + "; left unchanged";
        return FileResult::Trouble;
    case CleanEnd::ReadFailed:
    case CleanEnd::WriteFailed:
        reason = failedIo;
        return FileResult::Trouble;
    }
    if (!outcome.Changed)
        return FileResult::Unchanged;
    if (check)
        return FileResult::WouldChange;
    return std::nullopt;
}

// A run over one file: it reads the file, may read it again, and gives its result to the sink,
// which rewrites the file safely unless only checking.
using FileRun = std::function<CleanOutcome(const ReadBytes& read, const Rereading& rereading, const CleanSink& sink)>;

// Runs run over the file at path (UTF-8), or with check only learns whether it would change the
// file. The result goes to a temporary file beside it that replaces it only when complete and
// only when the file did not change on disk meanwhile. Trouble is described in reason.
[[nodiscard]] FileResult RunOnFile(const std::string& path, const FileRun& run, bool check, std::string& reason);

// Whether anything at all has the name (UTF-8), a link to nothing included.
[[nodiscard]] bool NameExists(const std::string& path);

// An interruption during a rewrite (SIGINT, SIGTERM, SIGHUP; Ctrl+C or the console's closing
// on Windows) removes the temporary file, then ends the program as the interruption would.
void InstallRewriteSignalHandlers();

} // namespace brisklet
