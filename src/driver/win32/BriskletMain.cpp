// Brisklet.exe: started by the IDE as a tool, it cleans the IDE's editor and ends with code 0.
#include <windows.h>

#include "config/ConfigState.h"
#include "config/CrashReport.h"
#include "config/win32/ConfigPlatformWin32.h"
#include "config/win32/CrashFilter.h"
#include "driver/ToolRun.h"
#include "editor/win32/HostSystemWin32.h"
#include "editor/win32/WideText.h"
#include "runtime/Prefs.h"

namespace brisklet {
namespace {

// The common end of every run: release what is held, put the previous filter back, exit 0.
[[noreturn]] void RunShutdown(PrefsFile& prefs) {
    PrefsClose(prefs);
    RemoveCrashHandler();
    ExitProcess(0);
}

} // namespace
} // namespace brisklet

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    using namespace brisklet;
    // These outlive everything that may crash: the crash report reads them.
    static ConfigPlatformWin32 platform;
    static const OsNameTable osNames = BuildOsNameTable();
    static ConfigState state;
    InstallCrashHandler(platform, osNames, state);

    HostSystemWin32 host;
    static PrefsFile prefs;
    RunTool(platform, host, prefs, state, FromWide(GetCommandLineW()));
    RunShutdown(prefs);
}
