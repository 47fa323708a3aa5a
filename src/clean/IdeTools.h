// --add-ide-tools and --remove-ide-tools: Brisklet's entries put into the IDE's Tools menu, or
// taken out of it, through the IDE's tools file.
#pragma once

#include <cstdio>

#include "clean/Command.h"
#include "clean/Options.h"

namespace brisklet {

// Edits the tools file of every IDE found, or those named with --tools-file; its exit status.
[[nodiscard]] int RunIdeToolsCommand(const CleanSettings& settings, const CleanEnvironment& environment,
                                     FileSystem& files, std::FILE* errors);

} // namespace brisklet
