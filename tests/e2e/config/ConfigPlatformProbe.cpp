// Drives ConfigPlatformWin32 against real files in a temporary folder, one printed line per check; run under Wine.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "config/AppFolders.h"
#include "config/win32/ConfigPlatformWin32.h"
#include "runtime/TextCodec.h"
#include "runtime/win32/OwnedHandle.h"
#include "runtime/win32/WideText.h"

namespace {

using brisklet::ConfigPlatformWin32;
using brisklet::FileAccess;
using brisklet::FilePresence;
using brisklet::FileShare;
using brisklet::FromWide;
using brisklet::KernelHandle;
using brisklet::Wide;

constexpr int64_t Missing = -1;
constexpr int64_t Directory = -2;
constexpr int64_t Gibibyte = int64_t{1} << 30;

// Values as a failure line shows them; long texts are shortened so that a line stays readable.
std::string Shown(int64_t value) {
    return std::to_string(value);
}

std::string Shown(bool value) {
    return value ? "true" : "false";
}

std::string Shown(const std::u16string& text) {
    constexpr size_t shownLength = 60;
    if (text.size() <= shownLength)
        return "\"" + brisklet::EncodeUtf8(text) + "\"";
    return "\"" + brisklet::EncodeUtf8(text.substr(0, shownLength)) + "...\" (" + std::to_string(text.size()) +
           " characters)";
}

std::string Shown(const std::string& description) {
    return description;
}

// Bytes quoted, with anything outside printable ASCII written as \xNN.
std::string Escaped(std::string_view bytes) {
    std::string shown = "\"";
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b < 0x7F) {
            shown += c;
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof(escaped), "\\x%02X", b);
            shown += escaped;
        }
    }
    return shown + "\"";
}

std::string ReadOutcome(const std::optional<std::string>& bytes) {
    return bytes ? Escaped(*bytes) : "a failed read";
}

// What a read through an opened file gave, described for comparing and showing.
std::string ReadThrough(const std::unique_ptr<brisklet::OpenedFile>& file, int64_t offset, int64_t count) {
    return file ? ReadOutcome(file->Read(offset, count)) : "no file";
}

class Checks {
public:
    template <typename T>
    void Equal(const char* name, const T& expected, const T& seen) {
        if (expected == seen) {
            std::printf("ok %s\n", name);
            ++passed_;
        } else {
            std::printf("FAIL %s: expected %s, saw %s\n", name, Shown(expected).c_str(), Shown(seen).c_str());
            ++failed_;
        }
        std::fflush(stdout);
    }

    int Finish() const {
        std::printf("%d passed, %d failed\n", passed_, failed_);
        return failed_ == 0 ? 0 : 1;
    }

private:
    int passed_ = 0;
    int failed_ = 0;
};

KernelHandle OpenForProbe(const std::u16string& path, DWORD access, DWORD share, DWORD disposition = OPEN_EXISTING) {
    return KernelHandle(
        CreateFileW(Wide(path).c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool WriteNewFile(const std::u16string& path, std::string_view bytes) {
    const KernelHandle file = OpenForProbe(path, GENERIC_WRITE, 0, CREATE_ALWAYS);
    DWORD written = 0;
    return file.Valid() && WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

// A file of the given size whose content is all zeros; sparse on the file systems Wine runs on.
bool WriteSizedFile(const std::u16string& path, int64_t size) {
    const KernelHandle file = OpenForProbe(path, GENERIC_WRITE, 0, CREATE_ALWAYS);
    LARGE_INTEGER end{};
    end.QuadPart = size;
    return file.Valid() && SetFilePointerEx(file.Get(), end, nullptr, FILE_BEGIN) && SetEndOfFile(file.Get());
}

std::optional<std::string> ReadWholeFile(const std::u16string& path) {
    const KernelHandle file = OpenForProbe(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
    if (!file.Valid())
        return std::nullopt;
    std::string bytes(4096, '\0');
    DWORD read = 0;
    if (!ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr))
        return std::nullopt;
    bytes.resize(read);
    return bytes;
}

bool Exists(const std::u16string& path) {
    return GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW entry{};
    const HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring path = folder + L"\\" + name;
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
                RemoveTree(path);
            else
                DeleteFileW(path.c_str());
        } while (FindNextFileW(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryW(folder.c_str());
}

// The probe's own scratch folder under the user's temporary folder, in its long form so that
// it compares equal to what the current-directory call gives back.
std::u16string MakeScratchFolder() {
    wchar_t temp[MAX_PATH];
    const DWORD tempLength = GetTempPathW(MAX_PATH, temp);
    wchar_t longTemp[MAX_PATH];
    const DWORD longLength = GetLongPathNameW(std::wstring(temp, tempLength).c_str(), longTemp, MAX_PATH);
    const std::wstring folder =
        std::wstring(longTemp, longLength) + L"brisklet-config-probe-" + std::to_wstring(GetCurrentProcessId());
    RemoveTree(folder);
    CreateDirectoryW(folder.c_str(), nullptr);
    return std::u16string(FromWide(folder));
}

char16_t UnusedDriveLetter() {
    const DWORD drives = GetLogicalDrives();
    for (char16_t letter = u'Q'; letter <= u'Y'; ++letter) {
        if ((drives & (1u << (letter - u'A'))) == 0)
            return letter;
    }
    return 0;
}

void CheckFileSizeCodes(Checks& checks, ConfigPlatformWin32& platform, const std::u16string& root) {
    const std::u16string alpha = root + u"\\alpha.txt";
    WriteNewFile(alpha, "hello");
    WriteNewFile(root + u"\\empty.txt", "");
    CreateDirectoryW(Wide(root + u"\\sub").c_str(), nullptr);
    const int64_t bigSize = 5 * Gibibyte + 7;
    WriteSizedFile(root + u"\\big.bin", bigSize);

    checks.Equal("FileSizeCode of a file is its size", int64_t{5}, platform.FileSizeCode(alpha));
    checks.Equal("FileSizeCode of an empty file is 0", int64_t{0}, platform.FileSizeCode(root + u"\\empty.txt"));
    checks.Equal("FileSizeCode of a file above 4 GiB", bigSize, platform.FileSizeCode(root + u"\\big.bin"));
    checks.Equal("FileSizeCode of a folder", Directory, platform.FileSizeCode(root + u"\\sub"));
    checks.Equal("FileSizeCode of a missing name", Missing, platform.FileSizeCode(root + u"\\missing.txt"));
    checks.Equal("FileSizeCode of the empty path", Missing, platform.FileSizeCode(u""));
    // Through FilePresence, so that the unit tests' fake platform is held to what these show.
    checks.Equal("FilePresence of C:\\", Directory, FilePresence(platform, u"C:\\"));
    checks.Equal("FilePresence of C:", Directory, FilePresence(platform, u"C:"));
    const char16_t unused = UnusedDriveLetter();
    checks.Equal("FileSizeCode of an unmapped drive root", Missing,
                 platform.FileSizeCode(std::u16string{unused, u':', u'\\'}));
    checks.Equal("FileSizeCode with * matches another file", int64_t{5}, platform.FileSizeCode(root + u"\\alph*.txt"));
    checks.Equal("FileSizeCode with ? matches another file", int64_t{5}, platform.FileSizeCode(root + u"\\?lpha.txt"));
    checks.Equal("FileSizeCode with * matching nothing", Missing, platform.FileSizeCode(root + u"\\*.none"));
    checks.Equal("FileSizeCode ignores a trailing backslash after a file", int64_t{5},
                 platform.FileSizeCode(alpha + u"\\"));
    checks.Equal("FileSizeCode ignores trailing separators after a folder", Directory,
                 platform.FileSizeCode(root + u"\\sub\\/\\"));
    checks.Equal("FileSizeCode with forward slashes", int64_t{5}, platform.FileSizeCode(root + u"/alpha.txt"));

    // Separators fill the path up to the cut, so only a cut path names the folder.
    std::u16string longPath = root + u"\\sub";
    longPath.resize(260, u'\\');
    longPath += u"missing.txt";
    checks.Equal("FilePresence looks at the first 260 characters only", Directory, FilePresence(platform, longPath));

    checks.Equal("ChangeCurrentFolder into the scratch subfolder", true, platform.ChangeCurrentFolder(root + u"\\sub"));
    checks.Equal("FileSizeCode of a relative name", Missing, platform.FileSizeCode(u"alpha.txt"));
    checks.Equal("FileSizeCode of ..", Directory, platform.FileSizeCode(u".."));
    checks.Equal("FileSizeCode of ..\\ and a file", int64_t{5}, platform.FileSizeCode(u"..\\alpha.txt"));
    // A drive root has no ".." entry to list; only its attributes tell that ".." names a folder.
    checks.Equal("ChangeCurrentFolder to C:\\", true, platform.ChangeCurrentFolder(u"C:\\"));
    checks.Equal("FileSizeCode of .. at a drive root", Directory, platform.FileSizeCode(u".."));
    checks.Equal("FileSizeCode of a missing network share", Missing,
                 platform.FileSizeCode(u"\\\\brisklet-no-such-server\\share"));
    checks.Equal("FileSizeCode of a missing network share with slashes", Missing,
                 platform.FileSizeCode(u"//brisklet-no-such-server/share"));
}

void CheckOpenExisting(Checks& checks, ConfigPlatformWin32& platform, const std::u16string& root) {
    const std::u16string alpha = root + u"\\alpha.txt";
    struct Kind {
        const char* Name;
        FileAccess Access;
        FileShare Share;
    };
    const Kind kinds[] = {
        {"OpenExisting(Read, Read) reads a file", FileAccess::Read, FileShare::Read},
        {"OpenExisting(Read, ReadWrite) reads a file", FileAccess::Read, FileShare::ReadWrite},
        {"OpenExisting(ReadWrite, Read) reads a file", FileAccess::ReadWrite, FileShare::Read},
        {"OpenExisting(ReadWrite, ReadWrite) reads a file", FileAccess::ReadWrite, FileShare::ReadWrite},
    };
    for (const Kind& kind : kinds) {
        const auto file = platform.OpenExisting(alpha, kind.Access, kind.Share);
        checks.Equal(kind.Name, Escaped("hello"), ReadThrough(file, 0, 5));
    }

    {
        const auto file = platform.OpenExisting(alpha, FileAccess::Read, FileShare::Read);
        checks.Equal("OpenedFile Size", int64_t{5}, file ? file->Size().value_or(-3) : -4);
        checks.Equal("OpenedFile Read stops at the end", Escaped("ello"), ReadThrough(file, 1, 100));
        checks.Equal("OpenedFile Read at the end gives nothing", Escaped(""), ReadThrough(file, 5, 3));
        checks.Equal("OpenedFile Read again from the start", Escaped("he"), ReadThrough(file, 0, 2));
        checks.Equal("OpenedFile Read at a negative offset fails", std::string("a failed read"),
                     ReadThrough(file, -1, 2));
    }
    {
        const auto big = platform.OpenExisting(root + u"\\big.bin", FileAccess::Read, FileShare::Read);
        checks.Equal("OpenedFile Size above 4 GiB", 5 * Gibibyte + 7, big ? big->Size().value_or(-3) : -4);
        checks.Equal("OpenedFile Read beyond 4 GiB stops at the end", Escaped(std::string(3, '\0')),
                     ReadThrough(big, 5 * Gibibyte + 4, 10));
    }

    checks.Equal("OpenExisting of a missing file fails", false,
                 platform.OpenExisting(root + u"\\missing.txt", FileAccess::Read, FileShare::ReadWrite) != nullptr);
    checks.Equal("OpenExisting of a folder fails", false,
                 platform.OpenExisting(root + u"\\sub", FileAccess::Read, FileShare::ReadWrite) != nullptr);

    // What the open allows others tells which access and share mode it used.
    const auto othersMayOpen = [&](FileAccess access, FileShare share, DWORD otherAccess, DWORD otherShare) {
        const auto file = platform.OpenExisting(alpha, access, share);
        return file != nullptr && OpenForProbe(alpha, otherAccess, otherShare).Valid();
    };
    checks.Equal("after OpenExisting(Read, Read) others may read without sharing writes", true,
                 othersMayOpen(FileAccess::Read, FileShare::Read, GENERIC_READ, FILE_SHARE_READ));
    checks.Equal("after OpenExisting(ReadWrite, Read) others may not read without sharing writes", false,
                 othersMayOpen(FileAccess::ReadWrite, FileShare::Read, GENERIC_READ, FILE_SHARE_READ));
    checks.Equal("after OpenExisting(Read, Read) others may not write", false,
                 othersMayOpen(FileAccess::Read, FileShare::Read, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE));
    checks.Equal("after OpenExisting(Read, ReadWrite) others may write", true,
                 othersMayOpen(FileAccess::Read, FileShare::ReadWrite, GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE));

    // The three opens the preferences engine tries in turn, while someone holds the file for writing.
    const KernelHandle writer = OpenForProbe(alpha, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
    checks.Equal("the probe holds the file open for writing", true, writer.Valid());
    checks.Equal("held for writing: OpenExisting(ReadWrite, Read) fails", false,
                 platform.OpenExisting(alpha, FileAccess::ReadWrite, FileShare::Read) != nullptr);
    checks.Equal("held for writing: OpenExisting(Read, Read) fails", false,
                 platform.OpenExisting(alpha, FileAccess::Read, FileShare::Read) != nullptr);
    const auto third = platform.OpenExisting(alpha, FileAccess::Read, FileShare::ReadWrite);
    checks.Equal("held for writing: OpenExisting(Read, ReadWrite) reads the file", Escaped("hello"),
                 ReadThrough(third, 0, 5));
}

void CheckAppendToFile(Checks& checks, ConfigPlatformWin32& platform, const std::u16string& root) {
    const std::u16string log = root + u"\\Error_01012026.log";
    checks.Equal("AppendToFile creates a missing file", true, platform.AppendToFile(log, "ab\r\n"));
    const std::string second("\xC3\xA4\r\0z", 5);
    checks.Equal("AppendToFile appends to an existing file", true, platform.AppendToFile(log, second));
    checks.Equal("AppendToFile twice gives both entries in order", Escaped("ab\r\n" + second),
                 ReadOutcome(ReadWholeFile(log)));

    {
        const KernelHandle holder = OpenForProbe(log, GENERIC_READ, 0);
        checks.Equal("the probe holds the log with share mode 0", true, holder.Valid());
        checks.Equal("AppendToFile to a file locked by another open fails", false,
                     platform.AppendToFile(log, "lost"));
    }
    {
        // Share mode 0 refuses even an open that shares everything.
        const KernelHandle holder =
            OpenForProbe(log, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
        checks.Equal("the probe holds the log sharing everything", true, holder.Valid());
        checks.Equal("AppendToFile to a file open elsewhere fails", false, platform.AppendToFile(log, "lost"));
    }
    checks.Equal("a failed append leaves the file as it was", Escaped("ab\r\n" + second),
                 ReadOutcome(ReadWholeFile(log)));

    checks.Equal("AppendToFile into a missing folder fails", false,
                 platform.AppendToFile(root + u"\\NoFolder\\Error_01012026.log", "x"));
    checks.Equal("AppendToFile creates no folder", false, Exists(root + u"\\NoFolder"));

    checks.Equal("AppendToFile onto a folder fails", false, platform.AppendToFile(root + u"\\sub", "x"));
}

void CheckEnvironment(Checks& checks, ConfigPlatformWin32& platform) {
    std::u16string longValue;
    for (int i = 0; i < 5000; ++i)
        longValue += static_cast<char16_t>(u'a' + i % 26);
    SetEnvironmentVariableW(L"BRISKLET_PROBE_LONG", Wide(longValue).c_str());
    checks.Equal("EnvironmentValue of 5000 characters", longValue, platform.EnvironmentValue(u"BRISKLET_PROBE_LONG"));
    checks.Equal("EnvironmentValue ignores the letter case of the name", longValue,
                 platform.EnvironmentValue(u"brisklet_probe_long"));
    SetEnvironmentVariableW(L"BRISKLET_PROBE_SHORT", L"\u00e4\u20ac");
    checks.Equal("EnvironmentValue outside ASCII", std::u16string(u"\u00e4\u20ac"),
                 platform.EnvironmentValue(u"BRISKLET_PROBE_SHORT"));
    SetEnvironmentVariableW(L"BRISKLET_PROBE_UNSET", nullptr);
    checks.Equal("EnvironmentValue of an unset variable", std::u16string(),
                 platform.EnvironmentValue(u"BRISKLET_PROBE_UNSET"));
}

void CheckFolders(Checks& checks, ConfigPlatformWin32& platform, const std::u16string& root) {
    checks.Equal("ChangeCurrentFolder to the scratch folder", true, platform.ChangeCurrentFolder(root));
    checks.Equal("CurrentFolder after a change", root, platform.CurrentFolder());
    checks.Equal("ChangeCurrentFolder to a missing folder fails", false,
                 platform.ChangeCurrentFolder(root + u"\\missing"));
    checks.Equal("CurrentFolder after a failed change", root, platform.CurrentFolder());
    checks.Equal("FileSizeCode of a relative name in the current folder", int64_t{5},
                 platform.FileSizeCode(u"alpha.txt"));
}

bool EndsWith(const std::u16string& text, std::u16string_view end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

void CheckProcesses(Checks& checks, ConfigPlatformWin32& platform) {
    const std::u16string own = platform.OwnExecutablePath();
    checks.Equal("OwnExecutablePath names the probe", true, EndsWith(own, u"\\ConfigPlatformProbe.exe"));
    checks.Equal("OwnExecutablePath names an existing file", true, platform.FileSizeCode(own) > 0);
    checks.Equal("ProcessExecutablePath of the probe itself", own,
                 platform.ProcessExecutablePath(GetCurrentProcessId()));
    checks.Equal("ProcessExecutablePath of a process that does not exist", std::u16string(),
                 platform.ProcessExecutablePath(0x7FFFFFFC));
}

void CheckClock(Checks& checks, ConfigPlatformWin32& platform) {
    // Compared only when the second did not turn during the call, so the check does not
    // depend on how fast the call is.
    for (int attempt = 0; attempt < 100; ++attempt) {
        SYSTEMTIME before{};
        GetLocalTime(&before);
        const brisklet::LocalTime now = platform.LocalClock();
        SYSTEMTIME after{};
        GetLocalTime(&after);
        if (before.wSecond != after.wSecond || before.wMinute != after.wMinute)
            continue;
        const auto shown = [](int year, int month, int day, int hour, int minute, int second) {
            char text[32];
            std::snprintf(text, sizeof(text), "%04d-%02d-%02d %02d:%02d:%02d", year, month, day, hour, minute, second);
            return std::string(text);
        };
        checks.Equal("LocalClock is the local time",
                     shown(before.wYear, before.wMonth, before.wDay, before.wHour, before.wMinute, before.wSecond),
                     shown(now.Year, now.Month, now.Day, now.Hour, now.Minute, now.Second));
        return;
    }
    checks.Equal("LocalClock is the local time", std::string("a reading within one second"), std::string("none"));
}

void CheckVersion(Checks& checks, ConfigPlatformWin32& platform) {
    const brisklet::OsVersionFacts facts = platform.VersionFacts();
    // GetVersion packs the same facts into one number; Wine applies no compatibility shim, so
    // all three queries name the same system.
    const DWORD packed = GetVersion();
    const auto major = static_cast<int64_t>(LOBYTE(LOWORD(packed)));
    const auto minor = static_cast<int64_t>(HIBYTE(LOWORD(packed)));
    const auto build = static_cast<int64_t>(HIWORD(packed));
    checks.Equal("VersionFacts: GetVersionExW answered", true, facts.VersionInfoRead);
    checks.Equal("VersionFacts: NT platform", int64_t{VER_PLATFORM_WIN32_NT}, int64_t{facts.PlatformId});
    checks.Equal("VersionFacts: major version", major, int64_t{facts.MajorVersion});
    checks.Equal("VersionFacts: minor version", minor, int64_t{facts.MinorVersion});
    checks.Equal("VersionFacts: RtlGetVersion answered", true, facts.RtlVersionRead);
    checks.Equal("VersionFacts: RtlGetVersion major version", major, int64_t{facts.RtlMajorVersion});
    checks.Equal("VersionFacts: RtlGetVersion minor version", minor, int64_t{facts.RtlMinorVersion});
    checks.Equal("VersionFacts: RtlGetVersion build number", build, int64_t{facts.RtlBuildNumber});
    checks.Equal("VersionFacts: RtlGetVersion workstation", int64_t{VER_NT_WORKSTATION}, int64_t{facts.RtlProductType});
    checks.Equal("VersionFacts: extended GetVersionExW answered", true, facts.ExtendedVersionInfoRead);
    checks.Equal("VersionFacts: extended GetVersionExW workstation", int64_t{VER_NT_WORKSTATION},
                 int64_t{facts.ProductType});
}

} // namespace

int main() {
    ConfigPlatformWin32 platform;
    Checks checks;
    const std::u16string root = MakeScratchFolder();
    CheckFileSizeCodes(checks, platform, root);
    CheckOpenExisting(checks, platform, root);
    CheckAppendToFile(checks, platform, root);
    CheckEnvironment(checks, platform);
    CheckFolders(checks, platform, root);
    CheckProcesses(checks, platform);
    CheckClock(checks, platform);
    CheckVersion(checks, platform);
    // Out of the scratch folder, so that it can be removed.
    SetCurrentDirectoryW(L"C:\\");
    RemoveTree(Wide(root));
    return checks.Finish();
}
