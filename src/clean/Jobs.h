// The sources cleaned by one job or several, and reported in their own order as one job would.
#pragma once

#include <cstdio>
#include <vector>

#include "clean/Command.h"
#include "clean/Options.h"
#include "clean/Sources.h"

namespace brisklet {

// Cleans every source and reports each; the run's exit status, the worst of them.
[[nodiscard]] int CleanSources(const CleanSettings& settings, const CleanEnvironment& environment, FileSystem& files,
                               const std::vector<SourceName>& sources, std::FILE* errors);

} // namespace brisklet
