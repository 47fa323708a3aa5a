// brisklet-clean: the cleaning switches applied to files, or to standard input.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
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

int main(int argc, char** argv) {
    // A closed pipe is a failed write to report, not a silent death.
    std::signal(SIGPIPE, SIG_IGN);
#ifdef F_SETPIPE_SZ
    // Pipes of several blocks let the programs of a pipeline take turns less often; 1 MiB is
    // the usual limit for a user who is not root.
    constexpr int PipeSize = 1 << 20;
    for (const int fd : {0, 1}) {
        struct stat status {};
        if (::fstat(fd, &status) == 0 && S_ISFIFO(status.st_mode) && ::fcntl(fd, F_GETPIPE_SZ) < PipeSize)
            static_cast<void>(::fcntl(fd, F_SETPIPE_SZ, PipeSize));
    }
#endif
    brisklet::InstallRewriteSignalHandlers();
    std::vector<std::string> arguments(argv + 1, argv + argc);
    brisklet::PlatformFileSystem files;
    brisklet::CleanEnvironment environment;
    if (const char* path = std::getenv("PB_TOOL_Preferences"))
        environment.PreferencesPath = brisklet::DecodeDocument(path, true).Text; // every byte kept
    if (const char* selection = std::getenv("PB_TOOL_Selection"))
        environment.Selection = selection;
    const char* noColor = std::getenv("NO_COLOR");
    environment.NoColor = noColor != nullptr && *noColor != '\0';
    environment.OutputIsTerminal = ::isatty(STDOUT_FILENO) != 0;
    environment.ErrorsIsTerminal = ::isatty(STDERR_FILENO) != 0;
    environment.Processors = std::thread::hardware_concurrency();
    struct rlimit openFiles {};
    if (::getrlimit(RLIMIT_NOFILE, &openFiles) == 0)
        environment.OpenFileLimit = openFiles.rlim_cur == RLIM_INFINITY ? size_t{1} << 20
                                                                   : static_cast<size_t>(openFiles.rlim_cur);
    environment.MoreFiles = [] { return std::make_unique<brisklet::PlatformFileSystem>(); };
    brisklet::TakeIdeToolsPlaces(environment);
    return brisklet::RunCleanCommand(arguments, environment, files, stderr);
}
