// What brisklet-clean tells the user about each source.
#include "clean/Report.h"

#include <algorithm>

namespace brisklet {

namespace {

constexpr const char* Bold = "\x1b[1m";
constexpr const char* Red = "\x1b[31m";
constexpr const char* Green = "\x1b[32m";
constexpr const char* Cyan = "\x1b[36m";
constexpr const char* Plain = "\x1b[m";

} // namespace

// line counts the diff's lines so far, over its parts: the first two are its header.
std::string Colored(std::string_view diff, int& line) {
    std::string colored;
    for (; !diff.empty(); ++line) {
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

Reporter::Reporter(const CleanSettings& settings, const CleanEnvironment& environment, FileSystem& files,
                   std::FILE* errors, size_t total)
    : settings_(settings), files_(files), errors_(errors), total_(total),
      progress_(environment.ErrorsIsTerminal && !settings.Quiet),
      color_(settings.Color == ColorChoice::Always ||
             (settings.Color == ColorChoice::Auto && environment.OutputIsTerminal && !environment.NoColor)),
      start_(std::chrono::steady_clock::now()) {}

int Reporter::Report(const SourceName& source, SourceResult result) {
    ClearProgress();
    ++done_;
    // Each part written as it is: a part may be a long line, which a copy would hold twice.
    bool written = true;
    int line = 0;
    for (const ByteBuffer& part : result.Printed) {
        if (written && part.Size != 0)
            written = color_ ? files_.WriteOutput(Colored(BufferView(part), line)) : files_.WriteOutput(BufferView(part));
    }
    if (!written)
        result = TroubleResult(files_.LastError(), "standard output");
    std::string reason = result.Reason;
    if (result.Status != CleanTrouble && settings_.Quiet)
        reason.clear();
    const bool isInput = source.Name == StandardInputName;
    if (reason.empty() && settings_.Verbose && result.Changed && settings_.Mode == OutputMode::Rewrite && !isInput)
        reason = "cleaned";
    const std::string named = isInput ? std::string(StandardInputShown) : source.Name;
    if (settings_.Verbose && !result.Note.empty())
        brisklet::Report(errors_, named, result.Note);
    if (!reason.empty())
        brisklet::Report(errors_, !result.Subject.empty() ? result.Subject : named, reason);
    for (const FolderTrouble& folder : result.Folders) {
        brisklet::Report(errors_, folder.Folder,
                         "files were rewritten in it, but it could not be flushed to disk: " + folder.Reason);
        result.Status = CleanTrouble;
    }
    return result.Status;
}

void Reporter::ShowProgress() {
    if (!progress_ || std::chrono::steady_clock::now() - start_ < std::chrono::seconds(1))
        return;
    std::fprintf(errors_, "\r%s: %zu of %zu files", ProgramName, done_, total_);
    std::fflush(errors_);
    shown_ = true;
}

void Reporter::ClearProgress() {
    if (!shown_)
        return;
    std::fprintf(errors_, "\r\x1b[K");
    std::fflush(errors_);
    shown_ = false;
}

} // namespace brisklet
