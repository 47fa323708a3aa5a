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
    const wchar_t* noColor = _wgetenv(L"NO_COLOR");
    environment.NoColor = noColor != nullptr && *noColor != L'\0';
    environment.OutputIsTerminal = _isatty(_fileno(stdout)) != 0;
    environment.ErrorsIsTerminal = _isatty(_fileno(stderr)) != 0;
    environment.Processors = std::thread::hardware_concurrency();
    environment.OpenFileLimit = size_t{1} << 16; // handles, not C library descriptors
    environment.MoreFiles = [] { return std::make_unique<brisklet::PlatformFileSystem>(); };
    environment.Wildcards = MatchingNames;
    brisklet::TakeIdeToolsPlaces(environment);
    return brisklet::RunCleanCommand(arguments, environment, files, stderr);
}
