// brisklet-clean: the cleaning switches applied to files, or to standard input.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "driver/CleanCommand.h"
#include "driver/FileRewrite.h"

int main(int argc, char** argv) {
#ifdef SIGPIPE
    // A closed pipe is a failed write to report, not a silent death.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    brisklet::InstallRewriteSignalHandlers();
    std::vector<std::string> arguments(argv + 1, argv + argc);
    return brisklet::RunCleanCommand(arguments, stdin, stdout, stderr);
}
