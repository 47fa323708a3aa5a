// Brisklet.exe from its start to its end: crash handler, the run over the IDE, shutdown.
#include "tool/win32/StartUp.h"

#include <windows.h>

#include "config/ConfigState.h"
#include "config/CrashReport.h"
#include "config/win32/ConfigPlatformWin32.h"
#include "config/win32/CrashFilter.h"
#include "tool/ToolSequence.h"
#include "runtime/Prefs.h"
#include "runtime/win32/WideText.h"

namespace brisklet {

namespace {

// The common end of every run: release what is held, put the previous filter back, exit 0.
[[noreturn]] void RunShutdown(PrefsFile& prefs) {
    PrefsClose(prefs);
    RemoveCrashHandler();
    ExitProcess(0);
}

} // namespace

void RunBrisklet(HostSystem& host) {
    // These outlive everything that may crash: the crash report reads them.
    static ConfigPlatformWin32 platform;
    static const OsNameTable osNames = BuildOsNameTable();
    static ConfigState state;
    InstallCrashHandler(platform, osNames, state);

    static PrefsFile prefs;
    RunToolSequence(platform, host, prefs, state, FromWide(GetCommandLineW()));
    RunShutdown(prefs);
}

} // namespace brisklet
