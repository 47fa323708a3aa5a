// What the platform tells of the IDE's Tools menu, realised in clean/posix and clean/win32: where
// each IDE keeps its tools file, the running program, and which IDEs run now.
#pragma once

#include "clean/Command.h"

namespace brisklet {

// Sets ToolsPlaces, ProgramPath (empty when it cannot be found), Road, LineEnd and RunningIdes.
void TakeIdeToolsPlaces(CleanEnvironment& environment);

} // namespace brisklet
