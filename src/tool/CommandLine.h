// The tool's command line: raw splitting into arguments and the switch list built from them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace brisklet {

// Splits the raw command line after the program path. Arguments are separated by runs of
// spaces only; double quotes group (also inside an argument) and are dropped; "" is an
// empty argument. No backslash rules.
[[nodiscard]] std::vector<std::u16string> SplitArguments(std::u16string_view arguments);

// Cuts the program path off a raw command line (GetCommandLineW), the way Windows finds it:
// a quoted path ends at the next quote, an unquoted one at the first space or tab.
[[nodiscard]] std::u16string_view ArgumentsAfterProgram(std::u16string_view commandLine);

struct Switches {
    // Arguments, not fields, and the dispatch's bound: a quoted "/removecomments /fold" runs only
    // its first switch. Kept on purpose: existing tool entries keep doing what they did.
    int ParameterCount = 0;
    std::u16string SwitchList; // each argument lower-cased and followed by one space
};

[[nodiscard]] Switches BuildSwitchList(const std::vector<std::u16string>& arguments);

} // namespace brisklet
