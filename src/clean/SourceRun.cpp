// What happens to one source, from its opening to its result.
#include "clean/SourceRun.h"

#include <memory>
#include <new>

#include "clean/Rewrite.h"
#include "cleaning/stream/SelectionRun.h"
#include "clean/TabWidth.h"

namespace brisklet {

namespace {

// A source ready to be read: standard input, or the file the name leads to.
struct OpenedSource {
    std::string Shown; // its name in messages
    // Null for standard input. On the heap: a rewrite may outlive the source, awaiting its commit.
    std::unique_ptr<FileRewrite> File;
    ReadBytes Read;
    Rereading Again; // empty for standard input, which cannot be read again
};

// False with reason set when the file cannot be opened or is not to be cleaned.
bool OpenForCleaning(const CleanSettings& settings, FileSystem& files, const std::string& name,
                     const std::function<void()>& beforeWaiting, OpenedSource& opened, std::string& reason) {
    if (name == StandardInputName) {
        opened.Shown = StandardInputShown;
        opened.Read = [&files](char* into, size_t capacity) { return files.ReadInput(into, capacity); };
        return true;
    }
    opened.Shown = name;
    opened.File = std::make_unique<FileRewrite>(files);
    if (!OpenRewrite(*opened.File, name, settings.Mode == OutputMode::Rewrite ? &beforeWaiting : nullptr)) {
        reason = opened.File->Reason;
        return false;
    }
    opened.Read = RewriteReader(*opened.File);
    opened.Again = RewriteRereading(*opened.File);
    return true;
}

// The cleaning run over one text: the whole text streamed, or only the IDE's selection.
CleanOutcome RunSwitches(const CleanSettings& settings, int32_t tabLength, const OpenedSource& opened,
                         const CleanSink& sink, std::string& selectionTrouble) {
    const CleanRules rules{settings.Operations, tabLength, settings.FoldStartWords};
    if (!settings.Selection)
        return CleanText(opened.Read, opened.Again, sink, rules);
    SelectionRun cleaning{rules, *settings.Selection, opened.Shown, {}};
    const CleanOutcome outcome = CleanSelectedText(opened.Read, sink, cleaning);
    selectionTrouble = cleaning.Trouble;
    return outcome;
}

SourceResult CleanOpened(const CleanSettings& settings, FileSystem& files, CleanOutput& output,
                         const std::string& name, const std::function<void()>& beforeWaiting) {
    OpenedSource opened;
    std::string reason;
    if (!OpenForCleaning(settings, files, name, beforeWaiting, opened, reason))
        return TroubleResult(reason);
    const SourceTabWidth width = DecideTabWidth(settings, files, name);
    if (!width.Reason.empty())
        return TroubleResult(width.Reason, width.Subject);
    const CleanSource source{name, opened.File.get()};
    std::string selectionTrouble;
    const CleanOutcome outcome = RunSwitches(settings, width.Length, opened, output.Begin(source), selectionTrouble);
    if (!selectionTrouble.empty())
        return TroubleResult(selectionTrouble, "PB_TOOL_Selection");
    SourceResult result = output.End(source, outcome);
    result.Note = width.Origin;
    if (result.AwaitsCommit)
        result.Commit = std::move(opened.File);
    return result;
}

} // namespace

SourceResult CleanOneSource(const CleanSettings& settings, FileSystem& files, CleanOutput& output,
                            const SourceName& source, const std::function<void()>& beforeWaiting) {
    if (!source.Trouble.empty())
        return TroubleResult(source.Trouble);
    try {
        return CleanOpened(settings, files, output, source.Name, beforeWaiting);
    } catch (const std::bad_alloc&) {
        return TroubleResult("out of memory; left unchanged");
    }
}

} // namespace brisklet
