// The tool's command line: raw splitting into arguments and the switch list built from them.
#include "tool/CommandLine.h"

#include "runtime/Strings.h"

namespace brisklet {

std::vector<std::u16string> SplitArguments(std::u16string_view arguments) {
    std::vector<std::u16string> result;
    std::u16string current;
    bool inArgument = false;
    bool quoted = false;
    for (const char16_t c : arguments) {
        if (c == u'"') {
            // A quote opens an argument even when nothing follows: "" is an empty argument.
            quoted = !quoted;
            inArgument = true;
        } else if (c == u' ' && !quoted) {
            if (inArgument)
                result.push_back(std::move(current));
            current.clear();
            inArgument = false;
        } else {
            current.push_back(c);
            inArgument = true;
        }
    }
    if (inArgument)
        result.push_back(std::move(current));
    return result;
}

std::u16string_view ArgumentsAfterProgram(std::u16string_view commandLine) {
    if (!commandLine.empty() && commandLine.front() == u'"') {
        const size_t close = commandLine.find(u'"', 1);
        return close == std::u16string_view::npos ? std::u16string_view() : commandLine.substr(close + 1);
    }
    const size_t end = commandLine.find_first_of(u" \t");
    if (end == std::u16string_view::npos)
        return {};
    return commandLine.substr(end + 1);
}

Switches BuildSwitchList(const std::vector<std::u16string>& arguments) {
    Switches switches;
    switches.ParameterCount = static_cast<int>(arguments.size());
    for (const std::u16string& argument : arguments) {
        switches.SwitchList += LowerCase(argument);
        switches.SwitchList += u' ';
    }
    return switches;
}

} // namespace brisklet
