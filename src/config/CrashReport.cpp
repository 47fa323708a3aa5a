// Names the running system and the exception, and composes, logs and shows the crash report.
#include "config/CrashReport.h"

#include <array>

#include "config/RunLog.h"
#include "runtime/Strings.h"

namespace brisklet {

namespace {

struct ExceptionTextEntry {
    uint32_t Code;
    std::u16string_view Text;
};

// Texts as the report has always shown them, typos and the trailing blank included.
constexpr std::array<ExceptionTextEntry, 20> ExceptionTextTable{{
    {0xC0000005, u"Invalid memory access"},
    {0xC000008C, u"Array bounds exceeded"},
    {0x80000003, u"Debugger breakpoint reached"},
    {0x80000002, u"Misaligned data access"},
    {0xC000008D, u"Denormal floating-point operand"},
    {0xC000008E, u"Division by zero (floating-point)"},
    {0xC000008F, u"Inexact floating-point result"},
    {0xC0000090, u"Invalid floating-point operation"},
    {0xC0000091, u"Floating-point overflow (exponent to great)"},
    {0xC0000092, u"Floating-point stack overflow or underflow"},
    {0xC0000093, u"Floating-point underflow (exponent too small)"},
    {0xC000001D, u"Illegal instruction"},
    {0xC0000006, u"Memory page error"},
    {0xC0000094, u"Division by zero "},
    {0xC0000095, u"Integer overflow"},
    {0xC0000026, u"Exception handler returned unknown value"},
    {0xC0000025, u"Exception handler tried to continue after non-continuable exception"},
    {0xC0000096, u"Privileged instruction"},
    {0x80000004, u"Single step trap"},
    {0xC00000FD, u"Stack overflow"},
}};

constexpr uint32_t Windows9xPlatform = 1; // VER_PLATFORM_WIN32_WINDOWS
constexpr uint32_t WindowsNtPlatform = 2; // VER_PLATFORM_WIN32_NT
constexpr uint8_t WorkstationProduct = 1; // VER_NT_WORKSTATION
constexpr int32_t UnknownOsCode = 200;

int32_t Windows9xCode(uint32_t minor) {
    switch (minor) {
    case 0: return 10;
    case 10: return 30;
    case 90: return 40;
    default: return UnknownOsCode;
    }
}

int32_t WindowsNtCode(uint32_t major, uint32_t minor, uint32_t build, bool workstation) {
    if (major == 3)
        return 5;
    if (major == 4)
        return 20;
    if (major == 5 && minor == 0)
        return 50;
    if (major == 5 && minor == 1)
        return 60;
    if (major == 5 && minor == 2)
        return workstation ? 60 : 65;
    if (major == 6 && minor <= 3) // 6.0 Vista/2008 ... 6.3 8.1/2012 R2
        return static_cast<int32_t>(70 + 10 * minor) + (workstation ? 0 : 5);
    if (major == 10 && minor == 0)
        return build < 22000 ? 110 : 120;
    return UnknownOsCode;
}

std::u16string AddressText(uint32_t address) {
    return IntegerText(static_cast<int32_t>(address));
}

} // namespace

OsNameTable BuildOsNameTable() {
    return {
        {u"5", u"Windows NT 3.51"},     {u"10", u"Windows 95"},
        {u"20", u"Windows NT 4.0"},     {u"30", u"Windows 98"},
        {u"40", u"Windows ME"},         {u"50", u"Windows 2000"},
        {u"60", u"Windows XP"},         {u"65", u"Windows Server 2003"},
        {u"70", u"Windows Vista"},      {u"75", u"Windows Server 2008"},
        {u"80", u"Windows 7"},          {u"85", u"Windows Server 2008 R2"},
        {u"90", u"Windows 8"},          {u"95", u"Windows Server 2012"},
        {u"100", u"Windows 8.1"},       {u"110", u"Windows 10"},
        {u"120", u"Windows 11"},        {u"200", u"Unbekanntes Betriebssystem"},
    };
}

int32_t OsVersionCode(const OsVersionFacts& facts) {
    if (!facts.VersionInfoRead)
        return UnknownOsCode;
    if (facts.PlatformId == Windows9xPlatform)
        return Windows9xCode(facts.MinorVersion);
    if (facts.PlatformId != WindowsNtPlatform)
        return UnknownOsCode;
    // RtlGetVersion is asked first: it is not subject to the compatibility shims that make
    // GetVersionExW report an older system.
    if (facts.RtlVersionRead) {
        return WindowsNtCode(facts.RtlMajorVersion, facts.RtlMinorVersion, facts.RtlBuildNumber,
                             facts.RtlProductType == WorkstationProduct);
    }
    if (!facts.ExtendedVersionInfoRead)
        return WindowsNtCode(0, 0, 0, false);
    return WindowsNtCode(facts.MajorVersion, facts.MinorVersion, 0, facts.ProductType == WorkstationProduct);
}

std::u16string_view ExceptionText(uint32_t code) {
    for (const ExceptionTextEntry& entry : ExceptionTextTable) {
        if (entry.Code == code)
            return entry.Text;
    }
    return u"Unknown error code";
}

std::u16string CrashReportText(ConfigPlatform& platform, const OsNameTable& osNames, const CrashInfo& crash) {
    std::u16string report;
    const auto addLine = [&report](std::u16string_view line) {
        report += line;
        report += u'\r';
    };
    addLine(u"Es ist ein schwerwiegender Fehler aufgetreten und das Programm muss beendet werden.");
    addLine(u"Senden Sie bitte die folgenden Informationen an " + std::u16string(SupportEmailAddress) + u":");
    addLine(u"");
    addLine(u"Datum/Uhrzeit: " + DateTimeText(platform, LogTimeMask));
    const auto osName = osNames.find(IntegerText(OsVersionCode(platform.VersionFacts())));
    addLine(u"Betriebssystem: " + (osName == osNames.end() ? std::u16string() : osName->second));
    addLine(ApplicationLine);
    addLine(u"Fehlermeldung: " + std::u16string(ExceptionText(crash.Code)));
    addLine(u"Speicheradresse: " + AddressText(crash.Address));
    if (crash.Code == AccessViolationCode)
        addLine(u"Ziel-Speicheradresse:  " + AddressText(crash.TargetAddress));
    return report;
}

void CrashHandler(ConfigPlatform& platform, const OsNameTable& osNames, std::u16string_view dataFolder,
                  const CrashInfo& crash) {
    const std::u16string report = CrashReportText(platform, osNames, crash);
    AppendLogEntry(platform, dataFolder, u"Error", report);
    platform.ShowMessage(u"Fehler", report, MessageIcon::Error);
}

} // namespace brisklet
