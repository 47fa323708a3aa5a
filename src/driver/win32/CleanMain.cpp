// brisklet-clean.exe: the cleaning switches applied to files, or to standard input. The arguments
// arrive as UTF-16, so that every file name comes through, and go on as UTF-8.
#include <cstdio>
#include <string>
#include <vector>

#include "driver/CleanCommand.h"
#include "driver/FileRewrite.h"
#include "runtime/TextCodec.h"
#include "runtime/win32/WideText.h"

int wmain(int argc, wchar_t** argv) {
    brisklet::InstallRewriteSignalHandlers();
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.push_back(brisklet::EncodeUtf8(brisklet::FromWide(argv[i])));
    return brisklet::RunCleanCommand(arguments, stdin, stdout, stderr);
}
