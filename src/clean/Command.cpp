// brisklet-clean's command: options, switches and files in, exit status out.
#include "clean/Command.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <new>
#include <optional>
#include <string_view>

#include "cleaning/StreamCleaning.h"
#include "config/ConfigState.h"
#include "config/IdePrefs.h"
#include "cleaning/SourceCleaning.h"
#include "clean/FileRewrite.h"
#include "clean/SelectionRange.h"
#include "cleaning/SwitchTable.h"
#include "clean/UnifiedDiff.h"
#include "runtime/Strings.h"
#include "BriskletVersion.h"

namespace brisklet {

namespace {

constexpr const char* ProgramName = "brisklet-clean";
constexpr std::string_view StandardInput = "standard input";

struct CleanSettings {
    std::vector<CleaningOperation> Operations;
    std::vector<std::string> Files;
    int32_t TabLength = DefaultTabLength;
    bool TabLengthGiven = false;
    bool Check = false;
    bool Diff = false;
    bool Help = false;
    bool Version = false;
    bool OnlySelected = false;
    std::optional<ToolSelection> Selection; // with "/onlyselectedcode" and a selection from the IDE
};

void Report(std::FILE* errors, std::string_view subject, std::string_view reason) {
    std::fprintf(errors, "%s: %.*s: %.*s\n", ProgramName, static_cast<int>(subject.size()), subject.data(),
                 static_cast<int>(reason.size()), reason.data());
}

std::optional<int32_t> ParseTabLength(std::string_view text) {
    int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// A switch in any letter case; the modifiers and view commands are accepted and do nothing.
const SwitchEntry* FindAnySwitch(std::string_view argument) {
    std::u16string name;
    for (const char c : argument) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return nullptr;
        name.push_back(static_cast<char16_t>(c));
    }
    name = LowerCase(name);
    for (const SwitchEntry* entry = SwitchTableBegin(); entry != SwitchTableEnd(); ++entry) {
        if (entry->Name == name)
            return entry;
    }
    return nullptr;
}

// Letters edited, added or removed to turn one name into the other.
size_t EditDistance(std::string_view from, std::string_view to) {
    std::vector<size_t> row(to.size() + 1);
    for (size_t j = 0; j <= to.size(); ++j)
        row[j] = j;
    for (size_t i = 1; i <= from.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= to.size(); ++j) {
            const size_t above = row[j];
            row[j] = std::min({above + 1, row[j - 1] + 1, diagonal + (from[i - 1] == to[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[to.size()];
}

// "/" and letters, and no such file: a mistyped switch rather than a file to clean.
bool LooksLikeUnknownSwitch(const std::string& argument) {
    return argument.size() > 1 && argument.front() == '/' &&
           std::all_of(argument.begin() + 1, argument.end(),
                       [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }) &&
           !NameExists(argument);
}

std::string UnknownSwitchReason(std::string_view argument) {
    // Three slips at most, or the guess is more confusing than helpful.
    constexpr size_t MostSlips = 3;
    std::string lower(argument);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    std::string nearest;
    size_t nearestDistance = MostSlips + 1;
    for (const SwitchEntry* entry = SwitchTableBegin(); entry != SwitchTableEnd(); ++entry) {
        const std::string name(entry->Name.begin(), entry->Name.end());
        const size_t distance = EditDistance(lower, name);
        if (distance < nearestDistance) {
            nearest = name;
            nearestDistance = distance;
        }
    }
    if (nearest.empty())
        return "unknown switch (see --help)";
    return "unknown switch; did you mean " + nearest + "?";
}

// Options are all read before any file is touched, so a bad one stops the run early.
std::optional<CleanSettings> ParseArguments(const std::vector<std::string>& arguments, std::FILE* errors) {
    CleanSettings settings;
    bool onlyFiles = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (onlyFiles) {
            settings.Files.emplace_back(argument);
        } else if (argument == "--") {
            onlyFiles = true;
        } else if (argument == "--help" || argument == "-h") {
            settings.Help = true;
        } else if (argument == "--version") {
            settings.Version = true;
        } else if (argument == "--check") {
            settings.Check = true;
        } else if (argument == "--diff") {
            settings.Diff = true;
        } else if (argument == "--tab-length" || argument.starts_with("--tab-length=")) {
            std::string_view value;
            if (argument == "--tab-length") {
                if (i + 1 == arguments.size()) {
                    Report(errors, "--tab-length", "needs a number");
                    return std::nullopt;
                }
                value = arguments[++i];
            } else {
                value = argument.substr(std::strlen("--tab-length="));
            }
            const std::optional<int32_t> tabLength = ParseTabLength(value);
            if (!tabLength) {
                Report(errors, "--tab-length", "not a whole number from -2147483648 to 2147483647: '" +
                                                   std::string(value) + "'");
                return std::nullopt;
            }
            settings.TabLength = *tabLength;
            settings.TabLengthGiven = true;
        } else if (argument.size() > 1 && argument.front() == '-') {
            Report(errors, argument, "unknown option (see --help)");
            return std::nullopt;
        } else if (const SwitchEntry* entry = FindAnySwitch(argument)) {
            if (entry->Operation)
                settings.Operations.push_back(*entry->Operation);
            settings.OnlySelected = settings.OnlySelected || entry->Name == OnlySelectedCode;
        } else if (LooksLikeUnknownSwitch(arguments[i])) {
            Report(errors, argument, UnknownSwitchReason(argument));
            return std::nullopt;
        } else {
            settings.Files.emplace_back(argument);
        }
    }
    if (settings.Check && settings.Diff) {
        Report(errors, "--diff", "cannot be combined with --check");
        return std::nullopt;
    }
    return settings;
}

void PrintHelp(std::FILE* output) {
    std::fprintf(output,
                 "Usage: %s [--tab-length N] [--check | --diff] SWITCH... [FILE...]\n"
                 "       %s --help | --version\n"
                 "Applies the cleaning switches, in the order given, to each FILE, or to standard input\n"
                 "when there is none. The IDE's settings block at the end of a source stays as it is.\n"
                 "  --tab-length N  columns of one tab (default: TabLength of [Global] in the file\n"
                 "                  PB_TOOL_Preferences names, else %d)\n"
                 "  --check         change nothing; exit 1 when a file would change\n"
                 "  --diff          change nothing; print a unified diff of the changes (for patch -p1);\n"
                 "                  exit 1 when there are any\n"
                 "  --version       print the version and exit\n"
                 "With /onlyselectedcode and PB_TOOL_Selection (LINExCOLUMNxLINExCOLUMN, as the IDE sets\n"
                 "it), only the selected characters are cleaned, and nothing at all when none are.\n\n"
                 "Switches:\n",
                 ProgramName, ProgramName, DefaultTabLength);
    for (const SwitchEntry* entry = SwitchTableBegin(); entry != SwitchTableEnd(); ++entry) {
        std::string name(entry->Name.begin(), entry->Name.end());
        const char* note = entry->Operation || entry->Name == OnlySelectedCode ? "" : " (in the IDE only)";
        std::fprintf(output, "  %-32s %s%s\n", name.c_str(), entry->Help, note);
    }
}

int CleanStream(const CleanSettings& settings, std::FILE* input, std::FILE* output, std::FILE* errors) {
    if (std::fflush(output) != 0) {
        Report(errors, "standard output", std::strerror(errno));
        return CleanTrouble;
    }
    CleanOutcome outcome;
    try {
        outcome = CleanDescriptors(fileno(input), fileno(output), settings.Operations, settings.TabLength,
                                   settings.Check);
    } catch (const std::bad_alloc&) {
        Report(errors, "standard input", "out of memory");
        return CleanTrouble;
    }
    switch (outcome.End) {
    case CleanEnd::Finished:
        return settings.Check && outcome.Changed ? CleanWouldChange : CleanSuccess;
    case CleanEnd::ZeroByte:
    case CleanEnd::TooMuchGrowth:
        Report(errors, "standard input", TroubleReason(outcome) + "; stopped there");
        return CleanTrouble;
    case CleanEnd::ReadFailed:
        Report(errors, "standard input", TroubleReason(outcome));
        return CleanTrouble;
    case CleanEnd::WriteFailed:
        Report(errors, "standard output", TroubleReason(outcome));
        return CleanTrouble;
    }
    return CleanTrouble;
}

ReadBytes StreamReader(std::FILE* input) {
    return [input](char* into, size_t capacity) -> int64_t {
        const size_t got = std::fread(into, 1, capacity, input);
        return got == 0 && std::ferror(input) ? -1 : static_cast<int64_t>(got);
    };
}

bool WriteOut(std::FILE* output, std::string_view bytes, std::FILE* errors) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), output) != bytes.size() || std::fflush(output) != 0) {
        Report(errors, "standard output", std::strerror(errno));
        return false;
    }
    return true;
}

// A sink that writes nothing and pairs every piece of the text with its result in diff.
CleanSink DiffSink(UnifiedDiff& diff) {
    CleanSink sink;
    sink.WritesAll = true;
    sink.Piece = [&diff](std::string_view input, std::string_view output, bool settled) {
        AddDiffPiece(diff, input, output, settled);
    };
    return sink;
}

// A diff is printed only for a text read to its end, so that patch never gets half of one.
int PrintDiff(const UnifiedDiff& diff, std::FILE* output, std::FILE* errors) {
    if (diff.Text.empty())
        return CleanSuccess;
    return WriteOut(output, diff.Text, errors) ? CleanWouldChange : CleanTrouble;
}

// The exit status of one file's result, with its report; with diff, a file that would change
// prints its diff instead.
int FileStatus(FileResult result, const std::string& path, const std::string& reason, const UnifiedDiff* diff,
               std::FILE* output, std::FILE* errors) {
    switch (result) {
    case FileResult::Unchanged:
    case FileResult::Rewritten:
        return CleanSuccess;
    case FileResult::WouldChange:
        if (diff != nullptr)
            return PrintDiff(*diff, output, errors);
        Report(errors, path, "would change");
        return CleanWouldChange;
    case FileResult::Trouble:
        break;
    }
    Report(errors, path, reason);
    return CleanTrouble;
}

// A run over one file in which running out of memory is one more trouble of that file.
FileResult RunOnFileInMemory(const std::string& path, const FileRun& run, bool check, std::string& reason) {
    try {
        return RunOnFile(path, run, check, reason);
    } catch (const std::bad_alloc&) {
        reason = "out of memory; left unchanged";
        return FileResult::Trouble;
    }
}

// CleanSuccess, CleanWouldChange (only with --check) or CleanTrouble.
int CleanFile(const CleanSettings& settings, const std::string& path, std::FILE* output, std::FILE* errors) {
    const FileRun run = [&](const ReadBytes& read, const Rereading& rereading, const CleanSink& sink) {
        return CleanText(read, rereading, sink, settings.Operations, settings.TabLength);
    };
    std::string reason;
    const FileResult result = RunOnFileInMemory(path, run, settings.Check, reason);
    return FileStatus(result, path, reason, nullptr, output, errors);
}

int DiffStream(const CleanSettings& settings, std::FILE* input, std::FILE* output, std::FILE* errors) {
    UnifiedDiff diff;
    StartUnifiedDiff(diff, "a/-", "b/-");
    const CleanOutcome outcome =
        CleanText(StreamReader(input), {}, DiffSink(diff), settings.Operations, settings.TabLength);
    if (outcome.End != CleanEnd::Finished) {
        Report(errors, StandardInput, TroubleReason(outcome));
        return CleanTrouble;
    }
    FinishUnifiedDiff(diff);
    return PrintDiff(diff, output, errors);
}

int DiffFile(const CleanSettings& settings, const std::string& path, std::FILE* output, std::FILE* errors) {
    UnifiedDiff diff;
    StartUnifiedDiff(diff, "a/" + path, "b/" + path);
    const FileRun run = [&](const ReadBytes& read, const Rereading& rereading, const CleanSink&) {
        CleanOutcome outcome = CleanText(read, rereading, DiffSink(diff), settings.Operations, settings.TabLength);
        FinishUnifiedDiff(diff);
        outcome.Changed = !diff.Text.empty();
        return outcome;
    };
    std::string reason;
    if (RunOnFile(path, run, true, reason) == FileResult::Trouble) {
        Report(errors, path, reason);
        return CleanTrouble;
    }
    return PrintDiff(diff, output, errors);
}

// A whole text with only its selected characters cleaned, as the IDE would clean them in its
// editor: the selection is a text of its own, without byte order mark or settings block, in the
// encoding of the whole text. With diff, every piece is paired with its result there too.
struct SelectionResult {
    CleanEnd End = CleanEnd::Finished;
    std::string Text;
    std::string SelectionTrouble; // a selection that does not fit the text
};

SelectionResult CleanSelection(const CleanSettings& settings, std::string_view text, std::string_view name,
                               UnifiedDiff* diff) {
    SelectionResult result;
    if (text.find('\0') != std::string_view::npos) {
        result.End = CleanEnd::ZeroByte;
        return result;
    }
    const std::optional<ByteRange> range = LocateSelection(text, *settings.Selection, name, result.SelectionTrouble);
    if (!range)
        return result;
    CleaningPipeline pipeline;
    StartPipeline(pipeline, settings.Operations, settings.TabLength);
    pipeline.Encoding = IsUtf8Text(text) ? ByteEncoding::Utf8 : ByteEncoding::SingleByte;
    const auto pass = [&](std::string_view bytes) {
        result.Text += bytes;
        if (diff != nullptr)
            AddDiffPiece(*diff, bytes, bytes, true);
    };
    pass(text.substr(0, range->Start));
    const PieceHandler piece = [&](std::string_view input, std::string_view output, bool settled) {
        result.Text += output;
        if (diff != nullptr)
            AddDiffPiece(*diff, input, output, settled);
    };
    ByteBuffer out;
    PieceTrials trials;
    FeedPipelineInPieces(pipeline, trials, text.substr(range->Start, range->End - range->Start), piece, out);
    if (!pipeline.GrowthExceeded) {
        out.Size = 0;
        FinishPipeline(pipeline, out);
    }
    if (pipeline.GrowthExceeded) {
        result.End = CleanEnd::TooMuchGrowth;
        return result;
    }
    piece({}, BufferView(out), true);
    pass(text.substr(range->End));
    if (diff != nullptr)
        FinishUnifiedDiff(*diff);
    return result;
}

int ReportSelectionTrouble(const std::string& reason, std::FILE* errors) {
    Report(errors, "PB_TOOL_Selection", reason);
    return CleanTrouble;
}

int CleanSelectionStream(const CleanSettings& settings, std::FILE* input, std::FILE* output, std::FILE* errors) {
    std::string text;
    const ReadBytes read = StreamReader(input);
    for (int64_t got = 1; got > 0;) {
        const size_t size = text.size();
        text.resize(size + CleanBlockSize);
        got = read(text.data() + size, CleanBlockSize);
        text.resize(size + static_cast<size_t>(std::max<int64_t>(got, 0)));
        if (got < 0) {
            Report(errors, StandardInput, std::strerror(errno));
            return CleanTrouble;
        }
    }
    UnifiedDiff diff;
    StartUnifiedDiff(diff, "a/-", "b/-");
    const SelectionResult result = CleanSelection(settings, text, StandardInput, settings.Diff ? &diff : nullptr);
    if (!result.SelectionTrouble.empty())
        return ReportSelectionTrouble(result.SelectionTrouble, errors);
    if (result.End != CleanEnd::Finished) {
        Report(errors, StandardInput, TroubleReason(CleanOutcome{result.End, 0, false}));
        return CleanTrouble;
    }
    if (settings.Diff)
        return PrintDiff(diff, output, errors);
    if (settings.Check)
        return result.Text == text ? CleanSuccess : CleanWouldChange;
    return WriteOut(output, result.Text, errors) ? CleanSuccess : CleanTrouble;
}

// The file is read whole (the IDE's temporary files are small) and rewritten the safe way.
int CleanSelectionFile(const CleanSettings& settings, const std::string& path, std::FILE* output,
                       std::FILE* errors) {
    UnifiedDiff diff;
    StartUnifiedDiff(diff, "a/" + path, "b/" + path);
    std::string selectionTrouble;
    const FileRun run = [&](const ReadBytes& read, const Rereading&, const CleanSink& sink) {
        std::string text;
        for (int64_t got = 1; got > 0;) {
            const size_t size = text.size();
            text.resize(size + CleanBlockSize);
            got = read(text.data() + size, CleanBlockSize);
            text.resize(size + static_cast<size_t>(std::max<int64_t>(got, 0)));
            if (got < 0)
                return CleanOutcome{CleanEnd::ReadFailed, errno, false};
        }
        SelectionResult result = CleanSelection(settings, text, path, settings.Diff ? &diff : nullptr);
        selectionTrouble = result.SelectionTrouble;
        if (!selectionTrouble.empty() || result.End != CleanEnd::Finished)
            return CleanOutcome{result.End, 0, false};
        if (result.Text == text)
            return CleanOutcome{CleanEnd::Finished, 0, false};
        const size_t same = static_cast<size_t>(
            std::mismatch(text.begin(), text.end(), result.Text.begin(), result.Text.end()).first - text.begin());
        if (!sink.Diverge(same) || !sink.Write(std::string_view(result.Text).substr(same)))
            return CleanOutcome{CleanEnd::WriteFailed, errno, true};
        return CleanOutcome{CleanEnd::Finished, 0, true};
    };
    std::string reason;
    const FileResult fileResult = RunOnFileInMemory(path, run, settings.Check || settings.Diff, reason);
    if (!selectionTrouble.empty())
        return ReportSelectionTrouble(selectionTrouble, errors);
    return FileStatus(fileResult, path, reason, settings.Diff ? &diff : nullptr, output, errors);
}

int CleanOneFile(const CleanSettings& settings, const std::string& path, std::FILE* output, std::FILE* errors) {
    if (settings.Selection)
        return CleanSelectionFile(settings, path, output, errors);
    if (settings.Diff) {
        try {
            return DiffFile(settings, path, output, errors);
        } catch (const std::bad_alloc&) {
            Report(errors, path, "out of memory");
            return CleanTrouble;
        }
    }
    return CleanFile(settings, path, output, errors);
}

int CleanInput(const CleanSettings& settings, std::FILE* input, std::FILE* output, std::FILE* errors) {
    if (!settings.Selection && !settings.Diff)
        return CleanStream(settings, input, output, errors);
    try {
        return settings.Selection ? CleanSelectionStream(settings, input, output, errors)
                                  : DiffStream(settings, input, output, errors);
    } catch (const std::bad_alloc&) {
        Report(errors, StandardInput, "out of memory");
        return CleanTrouble;
    }
}

// What the IDE hands over: its tab width unless --tab-length gave one (a preferences file that
// cannot be read gives the IDE's default, as the IDE itself would), and its selection. False
// after a malformed selection was reported.
bool TakeFromIde(CleanSettings& settings, const ToolEnvironment& environment, std::FILE* errors) {
    if (!settings.TabLengthGiven && !environment.PreferencesPath.empty() && environment.Files != nullptr) {
        PrefsFile prefs;
        settings.TabLength =
            ReadPrefsTabLength(*environment.Files, prefs, environment.PreferencesPath).value_or(DefaultTabLength);
    }
    // A script run from a shell the IDE started inherits the variable: only the modifier says
    // that the selection is wanted.
    if (!settings.OnlySelected || environment.Selection.empty())
        return true;
    std::string reason;
    settings.Selection = ParseToolSelection(environment.Selection, reason);
    if (!settings.Selection) {
        ReportSelectionTrouble(reason, errors);
        return false;
    }
    return true;
}

} // namespace

int RunCleanCommand(const std::vector<std::string>& arguments, const ToolEnvironment& environment,
                    std::FILE* input, std::FILE* output, std::FILE* errors) {
    std::optional<CleanSettings> settings = ParseArguments(arguments, errors);
    if (!settings)
        return CleanTrouble;
    if (settings->Version) {
        std::fprintf(output, "%s %s\n", ProgramName, BRISKLET_VERSION_TEXT);
        return std::fflush(output) == 0 ? CleanSuccess : CleanTrouble;
    }
    if (settings->Help) {
        PrintHelp(output);
        return std::fflush(output) == 0 ? CleanSuccess : CleanTrouble;
    }
    if (!TakeFromIde(*settings, environment, errors))
        return CleanTrouble;
    if (settings->Selection && IsEmptySelection(*settings->Selection)) {
        // Nothing selected: nothing at all is done, and standard input goes through as it came.
        if (!settings->Files.empty() || settings->Check || settings->Diff)
            return CleanSuccess;
        settings->Operations.clear();
        settings->Selection.reset();
    }
    if (settings->Files.empty())
        return CleanInput(*settings, input, output, errors);
    int status = CleanSuccess;
    for (const std::string& path : settings->Files)
        status = std::max(status, CleanOneFile(*settings, path, output, errors));
    return status;
}

} // namespace brisklet
