// brisklet-clean's command: options, switches and files in, exit status out.
#include "driver/CleanCommand.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <optional>
#include <string_view>

#include "driver/FileCleaner.h"
#include "driver/SwitchTable.h"
#include "runtime/Strings.h"

namespace brisklet {

namespace {

constexpr const char* ProgramName = "brisklet-clean";
// The IDE's own default when its preferences hold no tab width.
constexpr int32_t DefaultTabLength = 2;

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
            if (entry->Kind == SwitchKind::Cleaning)
                settings.Operations.push_back(entry->Operation);
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
        const char* note = entry->Kind == SwitchKind::Cleaning ? "" : " (in the IDE only)";
        std::fprintf(output, "  %-32s %s%s\n", name.c_str(), entry->Help, note);
    }
}

std::optional<std::string> ReadStream(std::FILE* input) {
    std::string bytes;
    char buffer[1 << 16];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, input)) > 0)
        bytes.append(buffer, got);
    if (std::ferror(input))
        return std::nullopt;
    return bytes;
}

int CleanStream(const CleanSettings& settings, std::FILE* input, std::FILE* output, std::FILE* errors) {
    const std::optional<std::string> bytes = ReadStream(input);
    if (!bytes) {
        Report(errors, "standard input", std::strerror(errno));
        return CleanTrouble;
    }
    int status = CleanSuccess;
    std::string cleaned = *bytes;
    if (bytes->find('\0') != std::string::npos) {
        // Not a source: passed through as it came, so a pipeline loses nothing.
        Report(errors, "standard input", "holds a zero byte, not a source file; left unchanged");
        status = CleanTrouble;
    } else {
        cleaned = CleanSourceFile(*bytes, settings.Operations, settings.TabLength);
    }
    if (settings.Check)
        return status != CleanSuccess ? status : (cleaned != *bytes ? CleanWouldChange : CleanSuccess);
    if (std::fwrite(cleaned.data(), 1, cleaned.size(), output) != cleaned.size() || std::fflush(output) != 0) {
        Report(errors, "standard output", std::strerror(errno));
        return CleanTrouble;
    }
    return status;
}

// CleanSuccess, CleanWouldChange (only with --check) or CleanTrouble.
int CleanFile(const CleanSettings& settings, const std::string& path, std::FILE* errors) {
    std::string error;
    const std::optional<std::string> bytes = ReadWholeFile(path, error);
    if (!bytes) {
        Report(errors, path, error);
        return CleanTrouble;
    }
    if (bytes->find('\0') != std::string::npos) {
        Report(errors, path, "holds a zero byte, not a source file; left unchanged");
        return CleanTrouble;
    }
    const std::string cleaned = CleanSourceFile(*bytes, settings.Operations, settings.TabLength);
    if (cleaned == *bytes)
        return CleanSuccess;
    if (settings.Check) {
        Report(errors, path, "would change");
        return CleanWouldChange;
    }
    if (!ReplaceFileAtomically(path, cleaned, error)) {
        Report(errors, path, error);
        return CleanTrouble;
    }
    return CleanSuccess;
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
