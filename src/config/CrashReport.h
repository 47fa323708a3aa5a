// The crash report: system names, exception texts and the German report that is logged and shown.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "BriskletVersion.h"
#include "config/Platform.h"

namespace brisklet {

inline constexpr std::u16string_view SupportEmailAddress = u"support@brisklet.dev";
inline constexpr std::u16string_view ApplicationLine = u"Anwendung: Brisklet " BRISKLET_VERSION_TEXT;
inline constexpr uint32_t AccessViolationCode = 0xC0000005; // EXCEPTION_ACCESS_VIOLATION

// Decimal text of an operating-system code to the system's name.
using OsNameTable = std::map<std::u16string, std::u16string>;

[[nodiscard]] OsNameTable BuildOsNameTable();

// The code of the running system as the name table indexes it; 200 when unknown.
[[nodiscard]] int32_t OsVersionCode(const OsVersionFacts& facts);

// The English description of an exception code, "Unknown error code" outside the table.
[[nodiscard]] std::u16string_view ExceptionText(uint32_t code);

// What the exception filter captured.
struct CrashInfo {
    uint32_t Code = 0;
    uint32_t Address = 0;
    uint32_t TargetAddress = 0; // the inaccessible address of an access violation, else 0
};

// The report, each line ended by a single CR.
[[nodiscard]] std::u16string CrashReportText(ConfigPlatform& platform, const OsNameTable& osNames,
                                             const CrashInfo& crash);

// Logs the report under "Error" in dataFolder, then shows it and waits for the user. The
// caller ends the process afterwards.
void CrashHandler(ConfigPlatform& platform, const OsNameTable& osNames, std::u16string_view dataFolder,
                  const CrashInfo& crash);

} // namespace brisklet
