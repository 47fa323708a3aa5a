// Runs a program with given input and collects what it writes, for command-line tests.
#pragma once

#include <string>
#include <vector>

namespace brisklet::test {

struct ProcessResult {
    int ExitCode = -1; // -1 when the program did not end normally
    std::string Output;
    std::string Errors;
};

// Runs program with arguments, feeding input on standard input. When outputPath is given,
// standard output goes to that file instead of being collected. The program gets this process's
// environment without the IDE's PB_TOOL_ variables, and the "NAME=value" entries given over its own.
[[nodiscard]] ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& arguments,
                                       const std::string& input, const std::string& outputPath = {},
                                       const std::vector<std::string>& environment = {});

} // namespace brisklet::test
