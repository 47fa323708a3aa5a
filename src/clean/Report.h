// What brisklet-clean tells the user about each source, in the sources' order: messages on
// standard error, what a source printed (a diff) on standard output, coloured on request, and a
// progress line on a terminal.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>

#include "clean/Command.h"
#include "clean/Options.h"
#include "clean/Output.h"
#include "clean/Sources.h"

namespace brisklet {

// A part of a diff coloured as git colours one: the diff's two header lines bold, hunk heads cyan,
// removed lines red, added ones green. line: how many lines of the diff came before, moved on.
[[nodiscard]] std::string Colored(std::string_view diff, int& line);

class Reporter {
public:
    Reporter(const CleanSettings& settings, const CleanEnvironment& environment, FileSystem& files,
             std::FILE* errors, size_t total);

    // Reports the result of the next source; its exit status.
    [[nodiscard]] int Report(const SourceName& source, SourceResult result);
    // Shows how far the run is once it has lasted a second.
    void ShowProgress();
    void ClearProgress();

private:
    const CleanSettings& settings_;
    FileSystem& files_;
    std::FILE* errors_;
    size_t total_;
    size_t done_ = 0;
    bool progress_;
    bool color_;
    bool shown_ = false;
    std::chrono::steady_clock::time_point start_;
};

} // namespace brisklet
