// What the configuration code asks of the operating system: files, folders, environment,
// processes, clock, version facts and the message box.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/FileOpener.h"

namespace brisklet {

// Local wall-clock time (GetLocalTime).
struct LocalTime {
    int Year = 0;
    int Month = 0;
    int Day = 0;
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
};

// The three version queries that name the running system, each with its own success flag.
struct OsVersionFacts {
    // GetVersionExW with an OSVERSIONINFOW (dwOSVersionInfoSize 276).
    bool VersionInfoRead = false;
    uint32_t PlatformId = 0; // VER_PLATFORM_WIN32_WINDOWS 1, VER_PLATFORM_WIN32_NT 2
    uint32_t MajorVersion = 0;
    uint32_t MinorVersion = 0;

    // RtlGetVersion of ntdll.dll with an RTL_OSVERSIONINFOEXW (size 284): the function was
    // found and returned success.
    bool RtlVersionRead = false;
    uint32_t RtlMajorVersion = 0;
    uint32_t RtlMinorVersion = 0;
    uint32_t RtlBuildNumber = 0;
    uint8_t RtlProductType = 0; // VER_NT_WORKSTATION 1

    // A second GetVersionExW with an OSVERSIONINFOEXW (size 284).
    bool ExtendedVersionInfoRead = false;
    uint8_t ProductType = 0;
};

// The icon of a message box; the value is its MB_ style (MB_ICONERROR 16).
enum class MessageIcon : uint32_t { Error = 16 };

class ConfigPlatform : public FileOpener {
public:
    // -1 when nothing of that name exists or the path is empty, -2 for a directory or a
    // drive root, else the file size. Trailing "\" and "/" are ignored; the raw path is
    // looked up as given (FindFirstFileW, so wildcards would match).
    [[nodiscard]] virtual int64_t FileSizeCode(std::u16string_view path) = 0;

    // Appends bytes at the end of the file, creating it when missing (OPEN_ALWAYS), with no
    // sharing while it is open. False when it cannot be opened or written; folders are
    // never created.
    virtual bool AppendToFile(std::u16string_view path, std::string_view bytes) = 0;

    // The variable's value (names ignore letter case), "" when it is unset.
    [[nodiscard]] virtual std::u16string EnvironmentValue(std::u16string_view name) = 0;

    [[nodiscard]] virtual std::u16string CurrentFolder() = 0;
    virtual bool ChangeCurrentFolder(std::u16string_view path) = 0;

    // GetModuleFileNameW of the tool itself, as the platform gives it.
    [[nodiscard]] virtual std::u16string OwnExecutablePath() = 0;

    // The full executable path of a process (its first module), "" when it cannot be read.
    [[nodiscard]] virtual std::u16string ProcessExecutablePath(uint32_t processId) = 0;

    [[nodiscard]] virtual LocalTime LocalClock() = 0;
    [[nodiscard]] virtual OsVersionFacts VersionFacts() = 0;

    // A modal message box with an OK button; returns when the user has closed it.
    virtual void ShowMessage(std::u16string_view caption, std::u16string_view text, MessageIcon icon) = 0;
};

} // namespace brisklet
