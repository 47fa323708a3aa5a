// The configuration platform over Win32: each query is one or a few system calls, handles always closed.
#include "config/win32/ConfigPlatformWin32.h"

#include <windows.h>
#include <winternl.h>

#include <cwchar>

#include "runtime/win32/FileOpenerWin32.h"
#include "runtime/win32/OwnedHandle.h"
#include "runtime/win32/ToolHelpSnapshot.h"
#include "runtime/win32/WideText.h"

namespace brisklet {

namespace {

constexpr int64_t MissingCode = -1;
constexpr int64_t DirectoryCode = -2;

// Paths and folders longer than this are not looked at in full.
constexpr size_t PathLimit = MAX_PATH;

static_assert(sizeof(OSVERSIONINFOW) == 276 && sizeof(OSVERSIONINFOEXW) == 284,
              "the version structures must have the sizes the system checks");

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

bool IsDriveRoot(std::wstring_view path) {
    return path.size() == 2 && path[1] == L':' &&
           ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'));
}

// Network paths and parent-folder paths can name things that have no directory entry to
// list, such as a share root or "..".
bool NeedsAttributeFallback(std::wstring_view path) {
    return path.starts_with(L"\\\\") || path.starts_with(L"//") || path.starts_with(L"..");
}

int64_t CodeFromAttributes(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return DirectoryCode;
    // A share root need not answer with attributes, but it has a drive type.
    if (GetDriveTypeW((path + L"\\").c_str()) == DRIVE_REMOTE)
        return DirectoryCode;
    return MissingCode;
}

int64_t FileSize(DWORD high, DWORD low) {
    return static_cast<int64_t>((static_cast<uint64_t>(high) << 32) | low);
}

bool WriteAll(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), ChunkSize(bytes.size()), &written, nullptr) || written == 0)
            return false;
        bytes.remove_prefix(written);
    }
    return true;
}

void ReadRtlVersion(OsVersionFacts& facts) {
    // Looked up at run time, so that a system without it still gets its answer from GetVersionExW;
    // where it exists it names the real system even to a program without a compatibility manifest.
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (!ntdll)
        return;
    const FARPROC address = GetProcAddress(ntdll, "RtlGetVersion");
    if (!address)
        return;
    using RtlGetVersionFunction = NTSTATUS(NTAPI*)(RTL_OSVERSIONINFOEXW*);
    // Through void(*)() because GetProcAddress's generic type says nothing of the real one.
    const auto rtlGetVersion = reinterpret_cast<RtlGetVersionFunction>(reinterpret_cast<void (*)()>(address));
    RTL_OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!NT_SUCCESS(rtlGetVersion(&info)))
        return;
    facts.RtlVersionRead = true;
    facts.RtlMajorVersion = info.dwMajorVersion;
    facts.RtlMinorVersion = info.dwMinorVersion;
    facts.RtlBuildNumber = info.dwBuildNumber;
    facts.RtlProductType = info.wProductType;
}

// A box owned by a window of another process would block that process's input, so only our
// own foreground window may own it.
HWND MessageOwner() {
    const HWND foreground = GetForegroundWindow();
    if (!foreground)
        return nullptr;
    DWORD processId = 0;
    GetWindowThreadProcessId(foreground, &processId);
    return processId == GetCurrentProcessId() ? foreground : nullptr;
}

} // namespace

std::unique_ptr<OpenedFile> ConfigPlatformWin32::OpenExisting(std::u16string_view path, FileAccess access,
                                                              FileShare share) {
    return FileOpenerWin32().OpenExisting(path, access, share);
}

int64_t ConfigPlatformWin32::FileSizeCode(std::u16string_view path) {
    std::wstring lookup = Wide(path.substr(0, PathLimit));
    while (!lookup.empty() && IsSeparator(lookup.back()))
        lookup.pop_back();
    if (lookup.empty())
        return MissingCode;
    // A drive root has no directory entry of its own to find.
    if (IsDriveRoot(lookup)) {
        const DWORD attributes = GetFileAttributesW((lookup + L"\\").c_str());
        return attributes != INVALID_FILE_ATTRIBUTES ? DirectoryCode : MissingCode;
    }
    WIN32_FIND_DATAW entry{};
    const FindHandle find(FindFirstFileW(lookup.c_str(), &entry));
    if (!find.Valid())
        return NeedsAttributeFallback(lookup) ? CodeFromAttributes(lookup) : MissingCode;
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return DirectoryCode;
    return FileSize(entry.nFileSizeHigh, entry.nFileSizeLow);
}

bool ConfigPlatformWin32::AppendToFile(std::u16string_view path, std::string_view bytes) {
    // Share mode 0: no other process may touch the file while the entry goes in.
    const KernelHandle file(CreateFileW(Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid())
        return false;
    const LARGE_INTEGER fromEnd{};
    if (!SetFilePointerEx(file.Get(), fromEnd, nullptr, FILE_END))
        return false;
    return WriteAll(file.Get(), bytes);
}

std::u16string ConfigPlatformWin32::EnvironmentValue(std::u16string_view name) {
    const std::wstring wideName = Wide(name);
    // The first call gives the size with its terminating zero; 0 when the variable is unset.
    DWORD needed = GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
    std::wstring value;
    while (needed > 0) {
        value.resize(needed);
        const DWORD length = GetEnvironmentVariableW(wideName.c_str(), value.data(), needed);
        if (length < needed) {
            value.resize(length);
            return std::u16string(FromWide(value));
        }
        needed = length; // it grew between the two calls
    }
    return {};
}

std::u16string ConfigPlatformWin32::CurrentFolder() {
    wchar_t buffer[PathLimit];
    const DWORD length = GetCurrentDirectoryW(PathLimit, buffer);
    // A longer folder gives the size it would need, not the folder.
    if (length == 0 || length >= PathLimit)
        return {};
    return std::u16string(FromWide({buffer, length}));
}

bool ConfigPlatformWin32::ChangeCurrentFolder(std::u16string_view path) {
    return SetCurrentDirectoryW(Wide(path).c_str()) != 0;
}

std::u16string ConfigPlatformWin32::OwnExecutablePath() {
    wchar_t buffer[PathLimit];
    const DWORD length = GetModuleFileNameW(nullptr, buffer, PathLimit);
    // A cut path may lack its terminating zero; its folder part is still right when only the
    // file name was cut. The portable side removes a "\\?\" prefix.
    return std::u16string(FromWide({buffer, wcsnlen(buffer, length)}));
}

std::u16string ConfigPlatformWin32::ProcessExecutablePath(uint32_t processId) {
    const std::optional<MODULEENTRY32W> module = ExecutableModule(processId);
    return module ? std::u16string(FromWide(module->szExePath)) : std::u16string();
}

LocalTime ConfigPlatformWin32::LocalClock() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return LocalTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

OsVersionFacts ConfigPlatformWin32::VersionFacts() {
    OsVersionFacts facts;
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    if (GetVersionExW(&info)) {
        facts.VersionInfoRead = true;
        facts.PlatformId = info.dwPlatformId;
        facts.MajorVersion = info.dwMajorVersion;
        facts.MinorVersion = info.dwMinorVersion;
    }
    ReadRtlVersion(facts);
    // Only the extended structure carries the product type (workstation or server).
    OSVERSIONINFOEXW extended{};
    extended.dwOSVersionInfoSize = sizeof(extended);
    if (GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&extended))) {
        facts.ExtendedVersionInfoRead = true;
        facts.ProductType = extended.wProductType;
    }
    return facts;
}

void ConfigPlatformWin32::ShowMessage(std::u16string_view caption, std::u16string_view text, MessageIcon icon) {
    MessageBoxW(MessageOwner(), Wide(text).c_str(), Wide(caption).c_str(), MB_OK | static_cast<UINT>(icon));
}

} // namespace brisklet
