// TEMPORARY stand-in for the tool's entry point, so that the Windows build and the end-to-end
// pipeline can be proven before the tool exists: it does nothing and exits with code 0.
// To be replaced by the real entry on top of the core.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return 0;
}
