// brisklet-clean's command: options, switches and files in, exit status out.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace brisklet {

enum CleanExitCode { CleanSuccess = 0, CleanWouldChange = 1, CleanTrouble = 2 };

// Runs the command on its arguments (without the program name). Without files it cleans
// input to output; messages go to errors as "brisklet-clean: FILE: reason".
int RunCleanCommand(const std::vector<std::string>& arguments, std::FILE* input, std::FILE* output,
                    std::FILE* errors);

} // namespace brisklet
