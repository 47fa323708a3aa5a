// The IDE's Tools menu on Linux and macOS: each IDE keeps it in a dot folder of the user's home.
#include "clean/PlatformIdeTools.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <memory>

#if defined(__APPLE__)
#include <mach-o/dyld.h>
#endif

#include "runtime/TextCodec.h"

namespace brisklet {

namespace {

// HOME alone: the user database would tie the static program to the system's libraries.
std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    return home != nullptr ? home : "";
}

// The program's own file, links resolved: what the IDE is to run.
std::string ProgramPath() {
#if defined(__APPLE__)
    uint32_t size = 0;
    _NSGetExecutablePath(nullptr, &size);
    std::string path(size, '\0');
    if (_NSGetExecutablePath(path.data(), &size) != 0)
        return {};
    const std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
    return real ? real.get() : "";
#else
    std::string path(PATH_MAX, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
    if (length <= 0 || static_cast<size_t>(length) >= path.size())
        return {};
    path.resize(static_cast<size_t>(length));
    return path;
#endif
}

// The IDEs whose process runs now, by the name /proc gives each process (Linux; macOS shows
// none here).
std::vector<std::string> RunningIdes() {
    std::vector<std::string> running;
    const auto close = [](DIR* folder) { ::closedir(folder); };
    const std::unique_ptr<DIR, decltype(close)> processes(::opendir("/proc"), close);
    if (!processes)
        return running;
    for (const char* ide : {"PureBasic", "SpiderBasic"}) {
        std::string wanted(ide);
        std::transform(wanted.begin(), wanted.end(), wanted.begin(), AsciiLower);
        ::rewinddir(processes.get());
        while (const dirent* entry = ::readdir(processes.get())) {
            std::string name;
            std::ifstream(std::string("/proc/") + entry->d_name + "/comm") >> name;
            std::transform(name.begin(), name.end(), name.begin(), AsciiLower);
            if (name == wanted) {
                running.emplace_back(ide);
                break;
            }
        }
    }
    return running;
}

} // namespace

void TakeIdeToolsPlaces(CleanEnvironment& environment) {
    const std::string home = HomeFolder();
    if (!home.empty()) {
        environment.ToolsPlaces = {{home + "/.purebasic", home + "/.purebasic/tools.prefs"},
                                   {home + "/.spiderbasic", home + "/.spiderbasic/tools.prefs"}};
    }
    environment.ProgramPath = ProgramPath();
    environment.Road = ToolRoad::TemporaryFile;
    environment.RunningIdes = RunningIdes;
}

} // namespace brisklet
