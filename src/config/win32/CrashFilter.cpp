// The process's unhandled-exception filter: a crash becomes the German report, logged and shown.
#include "config/win32/CrashFilter.h"

#include <windows.h>

namespace brisklet {

namespace {

// The filter has no argument of its own to carry them: the process's one crash context.
ConfigPlatform* CrashPlatform = nullptr;
const OsNameTable* CrashOsNames = nullptr;
const ConfigState* CrashState = nullptr;
LPTOP_LEVEL_EXCEPTION_FILTER PreviousFilter = nullptr;

CrashInfo CaptureCrashInfo(const EXCEPTION_RECORD& record) {
    CrashInfo crash;
    crash.Code = record.ExceptionCode;
    // The report speaks of 32-bit addresses; a 64-bit tool reports their low half.
    crash.Address = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(record.ExceptionAddress));
    if (record.ExceptionCode == EXCEPTION_ACCESS_VIOLATION && record.NumberParameters >= 2)
        crash.TargetAddress = static_cast<uint32_t>(record.ExceptionInformation[1]);
    return crash;
}

LONG WINAPI ReportCrash(EXCEPTION_POINTERS* pointers) {
    CrashHandler(*CrashPlatform, *CrashOsNames, CrashState->DataFolder, CaptureCrashInfo(*pointers->ExceptionRecord));
    TerminateProcess(GetCurrentProcess(), 0);
    return EXCEPTION_EXECUTE_HANDLER;
}

} // namespace

void InstallCrashHandler(ConfigPlatform& platform, const OsNameTable& osNames, const ConfigState& state) {
    CrashPlatform = &platform;
    CrashOsNames = &osNames;
    CrashState = &state;
    PreviousFilter = SetUnhandledExceptionFilter(ReportCrash);
}

void RemoveCrashHandler() {
    SetUnhandledExceptionFilter(PreviousFilter);
}

} // namespace brisklet
