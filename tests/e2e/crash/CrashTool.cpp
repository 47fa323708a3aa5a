// CrashTool.exe, installed as Brisklet.exe by the crash scenarios: Brisklet's start-up, then a fault on purpose.
// Arguments: the fault ("read-zero", "read-high", "divide-zero" or "stack-overflow"), and "early"
// after it to fault right after the switches are read, before the IDE is looked for. Without
// arguments it ends silently, like Brisklet.exe.
#include <windows.h>

#include "CrashStartUp.h"
#include "config/CrashReport.h"
#include "config/win32/ConfigPlatformWin32.h"
#include "config/win32/CrashFilter.h"
#include "editor/win32/HostSystemWin32.h"
#include "editor/win32/WideText.h"
#include "runtime/Strings.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    using namespace brisklet;
    // As in Brisklet.exe: these outlive everything that may crash, the crash report reads them.
    static ConfigPlatformWin32 platform;
    static const OsNameTable osNames = BuildOsNameTable();
    static ConfigState state;
    InstallCrashHandler(platform, osNames, state);

    HostSystemWin32 host;
    static PrefsFile prefs;
    const std::optional<std::u16string> switchList =
        e2e::CrashStartUp(platform, host, prefs, state, FromWide(GetCommandLineW()));
    if (switchList) {
        const std::u16string fault = FieldAt(*switchList, 1, u" ");
        e2e::Fault(fault);
        // Only an unknown fault comes back.
        platform.ShowMessage(u"CrashTool", u"no fault for \"" + fault + u"\"", MessageIcon::Error);
    }
    PrefsClose(prefs);
    RemoveCrashHandler();
    ExitProcess(0);
}
