// Brisklet.exe: started by the IDE as a tool, it cleans the IDE's editor and ends with code 0.
#include <windows.h>

#include "tool/win32/StartUp.h"
#include "editor/win32/HostSystemWin32.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    brisklet::HostSystemWin32 host;
    brisklet::RunBrisklet(host);
}
