// brisklet-clean's command line: options, switches and file names, read without touching a file.
#include "clean/Options.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "BriskletVersion.h"
#include "cleaning/SwitchTable.h"
#include "config/ConfigState.h"
#include "runtime/Strings.h"

namespace brisklet {

namespace {

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

// "/" and letters: a switch the user meant, unless a file has that name.
bool LooksLikeSwitch(std::string_view argument) {
    return argument.size() > 1 && argument.front() == '/' &&
           std::all_of(argument.begin() + 1, argument.end(),
                       [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); });
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

} // namespace

void Report(std::FILE* errors, std::string_view subject, std::string_view reason) {
    std::fprintf(errors, "%s: %.*s: %.*s\n", ProgramName, static_cast<int>(subject.size()), subject.data(),
                 static_cast<int>(reason.size()), reason.data());
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
        } else if (argument == "--check" || argument == "--diff") {
            const OutputMode mode = argument == "--check" ? OutputMode::Check : OutputMode::Diff;
            if (settings.Mode != OutputMode::Rewrite && settings.Mode != mode) {
                Report(errors, "--diff", "cannot be combined with --check");
                return std::nullopt;
            }
            settings.Mode = mode;
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
        } else {
            if (LooksLikeSwitch(argument))
                settings.SwitchLike.emplace_back(argument);
            settings.Files.emplace_back(argument);
        }
    }
    return settings;
}

bool CheckSwitchLikeNames(const CleanSettings& settings, const std::function<bool(std::string_view)>& nameExists,
                          std::FILE* errors) {
    for (const std::string& argument : settings.SwitchLike) {
        if (!nameExists(argument)) {
            Report(errors, argument, UnknownSwitchReason(argument));
            return false;
        }
    }
    return true;
}

std::string HelpText() {
    std::string text(4096, '\0');
    const int length = std::snprintf(text.data(), text.size(),
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
    text.resize(static_cast<size_t>(std::max(length, 0)));
    for (const SwitchEntry* entry = SwitchTableBegin(); entry != SwitchTableEnd(); ++entry) {
        std::string name(entry->Name.begin(), entry->Name.end());
        name.resize(std::max<size_t>(name.size(), 32), ' ');
        const char* note = entry->Operation || entry->Name == OnlySelectedCode ? "" : " (in the IDE only)";
        text += "  " + name + " " + entry->Help + note + "\n";
    }
    return text;
}

} // namespace brisklet

