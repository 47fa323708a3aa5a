// The process's unhandled-exception filter: a crash becomes the German report, logged and shown.
#pragma once

#include "config/ConfigState.h"
#include "config/CrashReport.h"
#include "config/Platform.h"

namespace brisklet {

// Makes the report filter the process's unhandled-exception filter, remembering the one
// before. The three objects must live until the process ends; state is read at the crash.
void InstallCrashHandler(ConfigPlatform& platform, const OsNameTable& osNames, const ConfigState& state);

// Puts the filter back that was in place before InstallCrashHandler.
void RemoveCrashHandler();

} // namespace brisklet
