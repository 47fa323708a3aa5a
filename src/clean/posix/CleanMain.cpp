// brisklet-clean: the cleaning switches applied to files, or to standard input.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
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

extern char** environ;

namespace {

// Runs a dialog program found on PATH, its standard input and output kept from the run's, and
// waits until the user closes it. False when there is no such program.
bool RunDialog(const std::vector<std::string>& command) {
    std::vector<char*> argv;
    for (const std::string& argument : command)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const int failed = ::posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0)
        return false;
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return true;
}

// The IDE shows neither a tool's standard error nor its exit status: the run's messages, all in
// one dialog, in the desktop's own dialog program; nothing more where there is none.
void ShowInDialog(std::string text) {
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
#ifdef __APPLE__
    // The text as an argument, not inside the script, where a quote in a file name would end it.
    static_cast<void>(RunDialog({"osascript", "-e", "on run argv", "-e",
                                 "display alert \"brisklet-clean\" message (item 1 of argv) as critical", "-e",
                                 "end run", text}));
#else
    // zenity would read "<" and "&" in a name as markup.
    if (!RunDialog({"zenity", "--error", "--no-markup", "--title=brisklet-clean", "--text=" + text}))
        static_cast<void>(RunDialog({"kdialog", "--title", "brisklet-clean", "--error", text}));
#endif
}

} // namespace

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
    environment.IdeTool = std::getenv("PB_TOOL_IDE") != nullptr;
    const char* noColor = std::getenv("NO_COLOR");
    environment.NoColor = noColor != nullptr && *noColor != '\0';
    environment.InputIsTerminal = ::isatty(STDIN_FILENO) != 0;
    environment.OutputIsTerminal = ::isatty(STDOUT_FILENO) != 0;
    environment.ErrorsIsTerminal = ::isatty(STDERR_FILENO) != 0;
    environment.Processors = std::thread::hardware_concurrency();
    struct rlimit openFiles {};
    if (::getrlimit(RLIMIT_NOFILE, &openFiles) == 0)
        environment.OpenFileLimit = openFiles.rlim_cur == RLIM_INFINITY ? size_t{1} << 20
                                                                   : static_cast<size_t>(openFiles.rlim_cur);
    environment.MoreFiles = [] { return std::make_unique<brisklet::PlatformFileSystem>(); };
    brisklet::TakeIdeToolsPlaces(environment);
    // Run from the IDE with standard error going where nobody reads it: the messages are gathered,
    // and go to standard error and a dialog once the run ends.
    char* messages = nullptr;
    size_t size = 0;
    std::FILE* gathered =
        environment.IdeTool && !environment.ErrorsIsTerminal ? ::open_memstream(&messages, &size) : nullptr;
    const int status = brisklet::RunCleanCommand(arguments, environment, files, gathered ? gathered : stderr);
    if (gathered != nullptr && std::fclose(gathered) == 0) {
        std::fwrite(messages, 1, size, stderr);
        if (size != 0)
            ShowInDialog(std::string(messages, size));
    }
    std::free(messages);
    return status;
}
