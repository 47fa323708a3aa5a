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
CrashInfo CapturedCrash;

CrashInfo CaptureCrashInfo(const EXCEPTION_RECORD& record) {
    CrashInfo crash;
    crash.Code = record.ExceptionCode;
    // The report speaks of 32-bit addresses; a 64-bit tool reports their low half.
    crash.Address = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(record.ExceptionAddress));
    if (record.ExceptionCode == EXCEPTION_ACCESS_VIOLATION && record.NumberParameters >= 2)
        crash.TargetAddress = static_cast<uint32_t>(record.ExceptionInformation[1]);
    return crash;
}

DWORD WINAPI ReportCapturedCrash(LPVOID) {
    CrashHandler(*CrashPlatform, *CrashOsNames, CrashState->DataFolder, CapturedCrash);
    return 0;
}

LONG WINAPI ReportCrash(EXCEPTION_POINTERS* pointers) {
    CapturedCrash = CaptureCrashInfo(*pointers->ExceptionRecord);
    // After a stack overflow the failing thread has too little stack left for the message box,
    // so the report is made on a thread of its own while this one waits.
    const HANDLE reporter = CapturedCrash.Code == EXCEPTION_STACK_OVERFLOW
                                ? CreateThread(nullptr, 0, ReportCapturedCrash, nullptr, 0, nullptr)
                                : nullptr;
    if (reporter != nullptr) {
        WaitForSingleObject(reporter, INFINITE);
        CloseHandle(reporter);
    } else {
        ReportCapturedCrash(nullptr);
    }
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
