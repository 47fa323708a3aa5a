// brisklet-clean: the cleaning switches applied to files, or to standard input.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "clean/Command.h"
#include "clean/FileRewrite.h"
#include "runtime/posix/PosixFileOpener.h"
#include "runtime/TextCodec.h"

int main(int argc, char** argv) {
#ifdef SIGPIPE
    // A closed pipe is a failed write to report, not a silent death.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    brisklet::InstallRewriteSignalHandlers();
    std::vector<std::string> arguments(argv + 1, argv + argc);
    brisklet::PosixFileOpener files;
    brisklet::ToolEnvironment environment;
    environment.Files = &files;
    if (const char* preferences = std::getenv("PB_TOOL_Preferences"))
        environment.PreferencesPath = brisklet::DecodeUtf8(preferences);
    if (const char* selection = std::getenv("PB_TOOL_Selection"))
        environment.Selection = selection;
    return brisklet::RunCleanCommand(arguments, environment, stdin, stdout, stderr);
}
