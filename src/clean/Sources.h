// The sources a run cleans: named files as named, "-" for standard input, and under each named
// folder its PureBasic and SpiderBasic sources.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "clean/FileSystem.h"

namespace brisklet {

inline constexpr std::string_view StandardInputName = "-";
// Standard input's name in messages.
inline constexpr std::string_view StandardInputShown = "standard input";

// The names a pattern holding "*" or "?" matches, sorted; none when it matches nothing. Set where
// the shell leaves wildcards to the program (Windows); elsewhere the shell has expanded them.
using WildcardExpansion = std::function<std::vector<std::string>(std::string_view pattern)>;

struct SourceName {
    std::string Name;
    std::string Trouble; // a folder that could not be read, a pattern that matched nothing: reported in its place
};

// Folders are walked in sorted order, every level: files ending in ".pb", ".pbi", ".sb" or
// ".sbi" in any letter case are taken (form files and others only when named); hidden folders
// and files (a name beginning with ".", such as ".git") and links to folders are passed by. With
// wildcards, a name holding "*" or "?" stands for what it matches, in its place. A file reached
// more than once is taken the first time only.
[[nodiscard]] std::vector<SourceName> ExpandSources(const std::vector<std::string>& names, FileSystem& files,
                                                    const WildcardExpansion& wildcards);

} // namespace brisklet
