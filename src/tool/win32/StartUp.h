// Brisklet.exe from its start to its end: crash handler, the run over the IDE, shutdown.
#pragma once

#include "editor/HostSystem.h"

namespace brisklet {

// Installs the crash handler, runs the tool on the process's command line with host as the
// way to the IDE, and ends the process with code 0 through the common shutdown.
[[noreturn]] void RunBrisklet(HostSystem& host);

} // namespace brisklet
