// brisklet-clean's command: options, switches and files in, exit status out.
#include "driver/CleanCommand.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <new>
#include <optional>
#include <string_view>

#include "config/ConfigState.h"
#include "driver/FileCleaner.h"
#include "driver/SwitchTable.h"
#include "runtime/Strings.h"

namespace brisklet {

namespace {

constexpr const char* ProgramName = "brisklet-clean";

struct CleanSettings {
    std::vector<CleaningOperation> Operations;
    std::vector<std::string> Files;
    int32_t TabLength = DefaultTabLength;
    bool Check = false;
    bool Help = false;
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
    struct stat status {};
    return argument.size() > 1 && argument.front() == '/' &&
           std::all_of(argument.begin() + 1, argument.end(),
                       [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }) &&
           ::lstat(argument.c_str(), &status) != 0;
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
        } else if (argument == "--check") {
            settings.Check = true;
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
        } else if (argument.size() > 1 && argument.front() == '-') {
            Report(errors, argument, "unknown option (see --help)");
            return std::nullopt;
        } else if (const SwitchEntry* entry = FindAnySwitch(argument)) {
            if (entry->Operation)
                settings.Operations.push_back(*entry->Operation);
        } else if (LooksLikeUnknownSwitch(arguments[i])) {
            Report(errors, argument, UnknownSwitchReason(argument));
            return std::nullopt;
        } else {
            settings.Files.emplace_back(argument);
        }
    }
    return settings;
}

void PrintHelp(std::FILE* output) {
    std::fprintf(output,
                 "Usage: %s [--tab-length N] [--check] SWITCH... [FILE...]\n"
                 "Applies the cleaning switches, in the order given, to each FILE, or to standard input\n"
                 "when there is none. The IDE's settings block at the end of a source stays as it is.\n"
                 "  --tab-length N  columns of one tab (default %d)\n"
                 "  --check         change nothing; exit 1 when a file would change\n\nSwitches:\n",
                 ProgramName, DefaultTabLength);
    for (const SwitchEntry* entry = SwitchTableBegin(); entry != SwitchTableEnd(); ++entry) {
        std::string name(entry->Name.begin(), entry->Name.end());
        const char* note = entry->Operation ? "" : " (in the IDE only)";
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

// CleanSuccess, CleanWouldChange (only with --check) or CleanTrouble.
int CleanFile(const CleanSettings& settings, const std::string& path, std::FILE* errors) {
    std::string reason;
    FileResult result = FileResult::Trouble;
    try {
        result = CleanFileInPlace(path, settings.Operations, settings.TabLength, settings.Check, reason);
    } catch (const std::bad_alloc&) {
        reason = "out of memory; left unchanged";
    }
    switch (result) {
    case FileResult::Unchanged:
    case FileResult::Rewritten:
        return CleanSuccess;
    case FileResult::WouldChange:
        Report(errors, path, "would change");
        return CleanWouldChange;
    case FileResult::Trouble:
        break;
    }
    Report(errors, path, reason);
    return CleanTrouble;
}

} // namespace

int RunCleanCommand(const std::vector<std::string>& arguments, std::FILE* input, std::FILE* output,
                    std::FILE* errors) {
    const std::optional<CleanSettings> settings = ParseArguments(arguments, errors);
    if (!settings)
        return CleanTrouble;
    if (settings->Help) {
        PrintHelp(output);
        return std::fflush(output) == 0 ? CleanSuccess : CleanTrouble;
    }
    if (settings->Files.empty())
        return CleanStream(*settings, input, output, errors);
    int status = CleanSuccess;
    for (const std::string& path : settings->Files)
        status = std::max(status, CleanFile(*settings, path, errors));
    return status;
}

} // namespace brisklet
