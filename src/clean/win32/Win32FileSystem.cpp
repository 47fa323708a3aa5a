// brisklet-clean's file-system calls on Windows: handles that let others go on reading, writing
// and renaming, temporary files removed by a console event.
#include "clean/win32/Win32FileSystem.h"

#include <windows.h>

#include <io.h>

#include <algorithm>
#include <climits>
#include <cwctype>
#include <optional>

#include "cleaning/SourceCleaning.h"
#include "runtime/TextCodec.h"
#include "runtime/win32/WideText.h"

namespace brisklet {

namespace {

// The program's text is UTF-8; the file system's names are UTF-16.
std::wstring WidePath(std::string_view path) {
    return Wide(DecodeUtf8(path));
}

std::string WindowsErrorText(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring_view message(text, length);
    // Messages end in ".\r\n"; the reason ends the line itself.
    while (!message.empty() && (std::iswspace(message.back()) != 0 || message.back() == L'.'))
        message.remove_suffix(1);
    std::string result = EncodeUtf8(FromWide(message));
    LocalFree(text);
    return result.empty() ? "system error " + std::to_string(error) : result;
}

OVERLAPPED AtOffset(uint64_t offset) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return at;
}

// At most a gigabyte a call: ReadFile counts in 32 bits.
constexpr size_t MostPerCall = size_t{1} << 30;

// Reads at an offset and leaves the handle's own position alone; 0 bytes at the end.
bool ReadPiece(HANDLE file, uint64_t offset, char* into, size_t count, DWORD& got) {
    OVERLAPPED at = AtOffset(offset);
    got = 0;
    if (ReadFile(file, into, static_cast<DWORD>(std::min(count, MostPerCall)), &got, &at))
        return true;
    return GetLastError() == ERROR_HANDLE_EOF;
}

constexpr DWORD ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The temporary files of the rewrites under way, for the console control handler, which runs on
// a thread of its own. The lock keeps the handler out of the steps that must not be cut short.
SRWLOCK TemporaryLock = SRWLOCK_INIT;
std::vector<std::wstring> TemporaryPaths;

class TemporaryHeld {
public:
    TemporaryHeld() { AcquireSRWLockExclusive(&TemporaryLock); }
    ~TemporaryHeld() { ReleaseSRWLockExclusive(&TemporaryLock); }
    TemporaryHeld(const TemporaryHeld&) = delete;
    TemporaryHeld& operator=(const TemporaryHeld&) = delete;
};

void Unregister(const std::wstring& path) {
    TemporaryPaths.erase(std::remove(TemporaryPaths.begin(), TemporaryPaths.end(), path), TemporaryPaths.end());
}

BOOL WINAPI RemoveTemporariesOnInterrupt(DWORD) {
    // The lock is never given back: the program ends now, and no rewrite step may follow.
    AcquireSRWLockExclusive(&TemporaryLock);
    for (const std::wstring& path : TemporaryPaths)
        DeleteFileW(path.c_str());
    return FALSE; // on to the default handler, which ends the process
}

std::optional<std::wstring> FullPath(const std::wstring& path) {
    std::wstring full(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (length == 0)
            return std::nullopt;
        if (length < full.size()) {
            full.resize(length);
            return full;
        }
        full.resize(length);
    }
}

// The path of the file the handle holds: a link names another file, which is the one rewritten,
// so that the link stays a link.
std::optional<std::wstring> FinalPath(HANDLE file) {
    std::wstring final(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetFinalPathNameByHandleW(file, final.data(), static_cast<DWORD>(final.size()),
                                                       FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0)
            return std::nullopt;
        if (length < final.size()) {
            final.resize(length);
            return final;
        }
        final.resize(length);
    }
}

int64_t Ticks(const FILETIME& time) {
    return static_cast<int64_t>((static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

bool ReadFacts(HANDLE file, FileFacts& facts) {
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(file, &information))
        return false;
    facts.Kind = (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? FileKind::Directory
                                                                                  : FileKind::Regular;
    facts.Device = information.dwVolumeSerialNumber;
    facts.Inode = (static_cast<uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow;
    facts.Size = (static_cast<uint64_t>(information.nFileSizeHigh) << 32) | information.nFileSizeLow;
    facts.Links = information.nNumberOfLinks;
    facts.Modified = Ticks(information.ftLastWriteTime);
    facts.Mode = information.dwFileAttributes;
    // The change time tells a change of attributes apart; a file system without one answers 0.
    FILE_BASIC_INFO basic{};
    facts.Changed = GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic) ? basic.ChangeTime.QuadPart
                                                                                            : 0;
    return true;
}

} // namespace

Win32FileSystem::~Win32FileSystem() {
    for (FileId file = 1; file <= static_cast<FileId>(entries_.size()); ++file) {
        if (At(file).Temporary)
            Remove(file);
        else
            Close(file);
    }
}

bool Win32FileSystem::Fail() {
    error_ = GetLastError();
    refusal_.clear();
    return false;
}

bool Win32FileSystem::Refuse(std::string reason) {
    refusal_ = std::move(reason);
    return false;
}

std::string Win32FileSystem::LastError() {
    return refusal_.empty() ? WindowsErrorText(error_) : refusal_;
}

FileId Win32FileSystem::Add(Entry entry) {
    entries_.push_back(std::move(entry));
    return static_cast<FileId>(entries_.size());
}

void Win32FileSystem::CloseHandleOf(Entry& entry) {
    if (entry.Handle != nullptr && entry.Handle != INVALID_HANDLE_VALUE)
        CloseHandle(entry.Handle);
    entry.Handle = nullptr;
}

bool Win32FileSystem::OpenSource(std::string_view name, FileId& source, FileFacts& facts) {
    source = 0;
    const std::wstring named = WidePath(name);
    const DWORD attributes = GetFileAttributesW(named.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return Fail();
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        facts = FileFacts{};
        facts.Kind = FileKind::Directory;
        return true;
    }
    // Others may go on reading, writing and renaming it: a change is found before the end.
    const HANDLE handle =
        CreateFileW(named.c_str(), GENERIC_READ, ShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return Fail();
    Entry entry{handle, {}, 0, false};
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        CloseHandleOf(entry);
        facts = FileFacts{};
        return true;
    }
    std::optional<std::wstring> target = FinalPath(handle);
    if (!target)
        target = FullPath(named);
    if (!target || !ReadFacts(handle, facts)) {
        const DWORD error = GetLastError();
        CloseHandleOf(entry);
        SetLastError(error);
        return Fail();
    }
    entry.Path = *target;
    source = Add(std::move(entry));
    return true;
}

int64_t Win32FileSystem::Read(FileId file, char* into, size_t capacity) {
    Entry& entry = At(file);
    DWORD got = 0;
    if (!ReadPiece(entry.Handle, entry.ReadOffset, into, capacity, got)) {
        Fail();
        return -1;
    }
    entry.ReadOffset += got;
    return got;
}

bool Win32FileSystem::ReadAt(FileId file, uint64_t offset, size_t count, std::string& into) {
    into.resize(count);
    size_t done = 0;
    DWORD got = 0;
    while (done < count) {
        if (!ReadPiece(At(file).Handle, offset + done, into.data() + done, count - done, got))
            return Fail();
        if (got == 0)
            break;
        done += got;
    }
    into.resize(done);
    return true;
}

bool Win32FileSystem::FactsOf(FileId file, FileFacts& facts) {
    return ReadFacts(At(file).Handle, facts) || Fail();
}

bool Win32FileSystem::FactsByName(FileId source, FileFacts& facts) {
    const HANDLE byName = CreateFileW(At(source).Path.c_str(), FILE_READ_ATTRIBUTES, ShareAll, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (byName == INVALID_HANDLE_VALUE)
        return Fail();
    const bool read = ReadFacts(byName, facts);
    const DWORD error = GetLastError();
    CloseHandle(byName);
    SetLastError(error);
    return read || Fail();
}

bool Win32FileSystem::OpenForWriting(FileId source, FileId& writable) {
    FileFacts facts;
    if (!FactsOf(source, facts))
        return false;
    // The read-only attribute says the file is not to be changed; it is kept, and so is the file.
    if ((facts.Mode & FILE_ATTRIBUTE_READONLY) != 0)
        return Refuse("read-only; left unchanged");
    const HANDLE handle = CreateFileW(At(source).Path.c_str(), GENERIC_WRITE, ShareAll, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return Fail();
    writable = Add({handle, At(source).Path, 0, false});
    return true;
}

// Beside the file, open to nobody else but for its removal, until it is complete. A name at the
// length limit leaves no room for the suffix: then a shorter one in the same folder.
bool Win32FileSystem::CreateBeside(FileId source, FileId& temporary) {
    const std::wstring target = At(source).Path;
    const size_t slash = target.find_last_of(L"\\/");
    const std::wstring folder = target.substr(0, slash == std::wstring::npos ? 0 : slash + 1);
    const TemporaryHeld held;
    // Only the start of the name: CREATE_NEW never takes over a file that exists.
    static DWORD counter = 0;
    DWORD seed = GetCurrentProcessId() * 2654435761u ^ GetTickCount();
    for (const bool besideIt : {true, false}) {
        for (int attempt = 0; attempt < 100; ++attempt) {
            seed = seed * 1664525u + 1013904223u + ++counter;
            std::wstring suffix = L".brisklet-";
            for (int shift = 28; shift >= 0; shift -= 4)
                suffix.push_back(L"0123456789abcdef"[(seed >> shift) & 0xF]);
            const std::wstring name = (besideIt ? target : folder + L".brisklet") + suffix;
            const HANDLE handle = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE, nullptr,
                                              CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (handle != INVALID_HANDLE_VALUE) {
                TemporaryPaths.push_back(name);
                temporary = Add({handle, name, 0, true});
                return true;
            }
            const DWORD error = GetLastError();
            if (error == ERROR_FILENAME_EXCED_RANGE || error == ERROR_INVALID_NAME)
                break;
            if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
                return Fail();
        }
    }
    return Fail();
}

bool Win32FileSystem::Write(FileId file, std::string_view bytes) {
    DWORD put = 0;
    while (!bytes.empty()) {
        if (!WriteFile(At(file).Handle, bytes.data(), static_cast<DWORD>(std::min(bytes.size(), MostPerCall)), &put,
                       nullptr))
            return Fail();
        if (put == 0) {
            SetLastError(ERROR_WRITE_FAULT);
            return Fail();
        }
        bytes.remove_prefix(put);
    }
    return true;
}

bool Win32FileSystem::WriteAt(FileId file, uint64_t offset, std::string_view bytes) {
    while (!bytes.empty()) {
        OVERLAPPED at = AtOffset(offset);
        DWORD put = 0;
        if (!WriteFile(At(file).Handle, bytes.data(), static_cast<DWORD>(std::min(bytes.size(), MostPerCall)), &put,
                       &at))
            return Fail();
        if (put == 0) {
            SetLastError(ERROR_WRITE_FAULT);
            return Fail();
        }
        bytes.remove_prefix(put);
        offset += put;
    }
    return true;
}

bool Win32FileSystem::Reserve(FileId file, uint64_t size) {
    LARGE_INTEGER current{};
    if (!GetFileSizeEx(At(file).Handle, &current))
        return Fail();
    // A smaller allocation would cut the file short.
    if (size <= static_cast<uint64_t>(current.QuadPart))
        return true;
    FILE_ALLOCATION_INFO allocation{};
    allocation.AllocationSize.QuadPart = static_cast<LONGLONG>(size);
    if (SetFileInformationByHandle(At(file).Handle, FileAllocationInfo, &allocation, sizeof allocation))
        return true;
    // A file system that cannot reserve: the write goes ahead, with the old text kept to put back.
    const DWORD error = GetLastError();
    return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL ? Fail() : true;
}

bool Win32FileSystem::Truncate(FileId file, uint64_t size) {
    LARGE_INTEGER end{};
    end.QuadPart = static_cast<LONGLONG>(size);
    return (SetFilePointerEx(At(file).Handle, end, nullptr, FILE_BEGIN) && SetEndOfFile(At(file).Handle)) || Fail();
}

bool Win32FileSystem::Flush(FileId file) {
    return FlushFileBuffers(At(file).Handle) || Fail();
}

// The attributes the file had (hidden, system, archive, not indexed) and its creation time go to
// the temporary file before it takes the file's place; ReplaceFileW keeps its security.
bool Win32FileSystem::TakeOver(FileId temporary, FileId source, const FileFacts& facts) {
    constexpr DWORD Kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                           FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    FILE_BASIC_INFO found{};
    if (!GetFileInformationByHandleEx(At(source).Handle, FileBasicInfo, &found, sizeof found))
        return Fail();
    FILE_BASIC_INFO basic{};
    basic.CreationTime = found.CreationTime;
    basic.FileAttributes = facts.Mode & Kept;
    if (basic.FileAttributes == 0)
        basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    return SetFileInformationByHandle(At(temporary).Handle, FileBasicInfo, &basic, sizeof basic) || Fail();
}

bool Win32FileSystem::Replace(FileId temporary, FileId source) {
    Entry& copy = At(temporary);
    const std::wstring target = At(source).Path;
    // Nothing of ours may hold the file or the copy open while one takes the other's place.
    for (Entry& entry : entries_) {
        if (&entry == &copy || entry.Path == target)
            CloseHandleOf(entry);
    }
    const TemporaryHeld held;
    // ReplaceFileW keeps the file's security and streams; where the file system cannot, the copy
    // is moved over it.
    const bool replaced = ReplaceFileW(target.c_str(), copy.Path.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                                       nullptr, nullptr) ||
                          MoveFileExW(copy.Path.c_str(), target.c_str(),
                                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    const DWORD error = GetLastError();
    if (!replaced)
        DeleteFileW(copy.Path.c_str());
    Unregister(copy.Path);
    copy.Temporary = false;
    SetLastError(error);
    return replaced || Fail();
}

// MOVEFILE_WRITE_THROUGH and ReplaceFileW have put the name on disk by the time they return.
bool Win32FileSystem::FlushFolder(FileId) {
    return true;
}

void Win32FileSystem::Remove(FileId temporary) {
    Entry& entry = At(temporary);
    const TemporaryHeld held;
    CloseHandleOf(entry);
    if (entry.Temporary) {
        DeleteFileW(entry.Path.c_str());
        Unregister(entry.Path);
        entry.Temporary = false;
    }
}

std::string Win32FileSystem::Keep(FileId temporary) {
    Entry& entry = At(temporary);
    const TemporaryHeld held;
    CloseHandleOf(entry);
    Unregister(entry.Path);
    entry.Temporary = false;
    return EncodeUtf8(FromWide(entry.Path));
}

void Win32FileSystem::Close(FileId file) {
    CloseHandleOf(At(file));
}

int64_t Win32FileSystem::ReadInput(char* into, size_t capacity) {
    const int got = _read(0, into, static_cast<unsigned>(std::min<size_t>(capacity, INT_MAX)));
    if (got < 0)
        Refuse(ErrorText(errno));
    return got;
}

bool Win32FileSystem::WriteOutput(std::string_view bytes) {
    while (!bytes.empty()) {
        const int put = _write(1, bytes.data(), static_cast<unsigned>(std::min<size_t>(bytes.size(), INT_MAX)));
        if (put <= 0)
            return Refuse(ErrorText(put < 0 ? errno : EIO));
        bytes.remove_prefix(static_cast<size_t>(put));
    }
    return true;
}

bool Win32FileSystem::InputIsOutput() {
    BY_HANDLE_FILE_INFORMATION input{};
    BY_HANDLE_FILE_INFORMATION output{};
    const HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    return GetFileType(in) == FILE_TYPE_DISK && GetFileType(out) == FILE_TYPE_DISK &&
           GetFileInformationByHandle(in, &input) && GetFileInformationByHandle(out, &output) &&
           input.dwVolumeSerialNumber == output.dwVolumeSerialNumber && input.nFileIndexHigh == output.nFileIndexHigh &&
           input.nFileIndexLow == output.nFileIndexLow;
}

bool Win32FileSystem::NameExists(std::string_view name) {
    return GetFileAttributesW(WidePath(name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void InstallRewriteSignalHandlers() {
    SetConsoleCtrlHandler(RemoveTemporariesOnInterrupt, TRUE);
}

} // namespace brisklet
