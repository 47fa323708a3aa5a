// brisklet-clean.exe: the cleaning switches applied to files, or to standard input. The arguments
// and the IDE's variables arrive as UTF-16, so that every file name comes through, and go on as
// UTF-8. Wildcards in file names are expanded here: Windows shells leave them to the program.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "clean/Command.h"
#include "clean/PlatformFileSystem.h"
#include "clean/PlatformIdeTools.h"
#include "runtime/TextCodec.h"
#include "runtime/win32/OwnedHandle.h"
#include "runtime/win32/WideText.h"

namespace {

// What "*" and "?" in the last part of a name match, as Windows console programs expand them:
// through UTF-16 names, not the C library's ANSI ones, so that every name comes through; the
// folder part as the user typed it; sorted, as a folder's files are.
std::vector<std::string> MatchingNames(std::string_view pattern) {
    const std::u16string text = brisklet::DecodeUtf8(pattern);
    const size_t leafStart = text.find_last_of(u"\\/:") + 1; // 0 without a folder part
    WIN32_FIND_DATAW found{};
    const brisklet::FindHandle search(FindFirstFileW(brisklet::Wide(text).c_str(), &found));
    std::vector<std::string> names;
    if (!search.Valid())
        return names;
    do {
        const std::u16string_view leaf = brisklet::FromWide(found.cFileName);
        if (leaf != u"." && leaf != u"..")
            names.push_back(brisklet::EncodeUtf8(text.substr(0, leafStart) + std::u16string(leaf)));
    } while (FindNextFileW(search.Get(), &found));
    std::sort(names.begin(), names.end());
    return names;
}

// Standard error where a user reads it: a console the program shares with whatever started it.
// The IDE, a window program, has none, so Windows gives the program one of its own, which closes
// with it, unread.
bool ErrorsAreRead() {
    DWORD mode = 0;
    DWORD processes[2];
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0 && GetConsoleProcessList(processes, 2) > 1;
}

// Where the messages of a run whose standard error nobody reads are gathered: a temporary file,
// removed when it is closed.
std::FILE* GatheringFile() {
    wchar_t folder[MAX_PATH + 1];
    wchar_t name[MAX_PATH + 1];
    if (GetTempPathW(MAX_PATH + 1, folder) == 0 || GetTempFileNameW(folder, L"bkc", 0, name) == 0)
        return nullptr;
    return _wfopen(name, L"w+bD");
}

// The IDE shows neither a tool's standard error nor its exit status: the run's messages, all in
// one message box.
void ShowInDialog(std::string text) {
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    MessageBoxW(nullptr, brisklet::Wide(brisklet::DecodeUtf8(text)).c_str(), L"brisklet-clean",
                MB_OK | MB_ICONERROR | MB_SETFOREGROUND | MB_TOPMOST);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    // Bytes as they are, CR LF included. Typed input stays in text mode: it has no line ends of
    // its own to keep, and only there Ctrl+Z ends it.
    if (_isatty(_fileno(stdin)) == 0)
        _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    brisklet::InstallRewriteSignalHandlers();
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.push_back(brisklet::EncodeUtf8(brisklet::FromWide(argv[i])));
    brisklet::PlatformFileSystem files;
    brisklet::CleanEnvironment environment;
    if (const wchar_t* preferences = _wgetenv(L"PB_TOOL_Preferences"))
        environment.PreferencesPath = brisklet::FromWide(preferences);
    if (const wchar_t* selection = _wgetenv(L"PB_TOOL_Selection"))
        environment.Selection = brisklet::EncodeUtf8(brisklet::FromWide(selection));
    environment.IdeTool = _wgetenv(L"PB_TOOL_IDE") != nullptr;
    const wchar_t* noColor = _wgetenv(L"NO_COLOR");
    environment.NoColor = noColor != nullptr && *noColor != L'\0';
    DWORD inputMode = 0;
    environment.InputIsTerminal = GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &inputMode) != 0;
    environment.OutputIsTerminal = _isatty(_fileno(stdout)) != 0;
    environment.ErrorsIsTerminal = _isatty(_fileno(stderr)) != 0;
    environment.Processors = std::thread::hardware_concurrency();
    environment.OpenFileLimit = size_t{1} << 16; // handles, not C library descriptors
    environment.MoreFiles = [] { return std::make_unique<brisklet::PlatformFileSystem>(); };
    environment.Wildcards = MatchingNames;
    brisklet::TakeIdeToolsPlaces(environment);
    std::FILE* gathered = environment.IdeTool && !ErrorsAreRead() ? GatheringFile() : nullptr;
    const int status = brisklet::RunCleanCommand(arguments, environment, files, gathered ? gathered : stderr);
    if (gathered != nullptr) {
        std::string messages;
        std::rewind(gathered);
        for (int c = std::fgetc(gathered); c != EOF; c = std::fgetc(gathered))
            messages.push_back(static_cast<char>(c));
        std::fclose(gathered);
        std::fwrite(messages.data(), 1, messages.size(), stderr);
        if (!messages.empty())
            ShowInDialog(messages);
    }
    return status;
}
