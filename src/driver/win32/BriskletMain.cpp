// Brisklet.exe: started by the IDE as a tool, it cleans the IDE's editor and ends with code 0.
#include <windows.h>

#include "driver/win32/ToolStartUp.h"
#include "editor/win32/HostSystemWin32.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    brisklet::HostSystemWin32 host;
    brisklet::RunBrisklet(host);
}
