// What happens to one source, from its opening to its result: the one place that tells a file
// from standard input.
#pragma once

#include <functional>

#include "clean/FileSystem.h"
#include "clean/Options.h"
#include "clean/Output.h"
#include "clean/Sources.h"

namespace brisklet {

// The source opened, its tab width decided, the switches run over it and their result given to
// output. A file to rewrite is taken in turn with other runs; beforeWaiting lets go of the files
// the job holds before it waits for one. Running out of memory is this source's trouble: the
// next one is still cleaned.
[[nodiscard]] SourceResult CleanOneSource(const CleanSettings& settings, FileSystem& files, CleanOutput& output,
                                          const SourceName& source, const std::function<void()>& beforeWaiting);

} // namespace brisklet
