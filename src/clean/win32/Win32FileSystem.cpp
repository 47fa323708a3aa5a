// brisklet-clean's file-system calls on Windows: handles that let others go on reading, writing
// and renaming, temporary files removed by a console event.
#include "clean/PlatformFileSystem.h"

#include <windows.h>

#include <io.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdio>
#include <cwctype>
#include <optional>
#include <vector>

#include "cleaning/stream/TextRun.h"
#include "runtime/TextCodec.h"
#include "runtime/win32/FileOpenerWin32.h"
#include "runtime/win32/OwnedHandle.h"
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

// Reads at an offset and leaves the handle's own position alone; 0 bytes at the end.
bool ReadPiece(HANDLE file, uint64_t offset, char* into, size_t count, DWORD& got) {
    OVERLAPPED at = AtOffset(offset);
    got = 0;
    if (ReadFile(file, into, ChunkSize(count), &got, &at))
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

// The jobs inside a step that must not be cut short (HoldSignals); a job enters only under the
// lock, so that once the handler holds it with none inside, none can enter.
std::atomic<int> HeldSteps = 0;

BOOL WINAPI RemoveTemporariesOnInterrupt(DWORD) {
    // The lock is never given back: the program ends now, and no rewrite step may follow. It is
    // not held while the steps under way end, as they may need it to keep a file.
    for (;;) {
        while (HeldSteps.load() != 0)
            Sleep(10);
        AcquireSRWLockExclusive(&TemporaryLock);
        if (HeldSteps.load() == 0)
            break;
        ReleaseSRWLockExclusive(&TemporaryLock);
    }
    for (const std::wstring& path : TemporaryPaths)
        DeleteFileW(path.c_str());
    return FALSE; // on to the default handler, which ends the process
}

// The name of the copy a write through keeps: the file's, its last part cut where it leaves no
// room for the suffix, so that the next run finds it under the same name.
std::wstring BackupPath(const std::wstring& path) {
    constexpr size_t MostInAName = 255;
    const std::wstring suffix = Wide(DecodeUtf8(BackupSuffix));
    const size_t slash = path.find_last_of(L"\\/");
    const size_t leafStart = slash == std::wstring::npos ? 0 : slash + 1;
    const size_t leafLength = std::min(path.size() - leafStart, MostInAName - suffix.size());
    return path.substr(0, leafStart + leafLength) + suffix;
}

// The text a call writes into a buffer it names the size of, the buffer grown until it fits.
template <class Call>
std::optional<std::wstring> GrownText(Call call) {
    std::wstring text(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = call(text.data(), static_cast<DWORD>(text.size()));
        if (length == 0)
            return std::nullopt;
        const bool fits = length < text.size();
        text.resize(length);
        if (fits)
            return text;
    }
}

std::optional<std::wstring> FullPath(const std::wstring& path) {
    return GrownText([&](wchar_t* into, DWORD size) { return GetFullPathNameW(path.c_str(), size, into, nullptr); });
}

// The path of the file the handle holds: a link names another file, which is the one rewritten,
// so that the link stays a link.
std::optional<std::wstring> FinalPath(HANDLE file) {
    return GrownText([&](wchar_t* into, DWORD size) {
        return GetFinalPathNameByHandleW(file, into, size, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    });
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

struct PlatformFileSystem::State {
    struct Entry {
        HANDLE Handle = nullptr;
        std::wstring Path;      // the file itself, links followed
        uint64_t ReadOffset = 0;
        bool Temporary = false; // removed by a console event until kept
    };
    std::vector<Entry> Entries;
    DWORD Error = 0;
    std::string Refusal; // a reason of our own for the last failure instead of the system's

    Entry& At(FileId file) { return Entries[static_cast<size_t>(file - 1)]; }
    FileId Add(Entry entry) {
        Entries.push_back(std::move(entry));
        return static_cast<FileId>(Entries.size());
    }
    bool Fail() {
        Error = GetLastError();
        Refusal.clear();
        return false;
    }
    bool Refuse(std::string reason) {
        Refusal = std::move(reason);
        return false;
    }
    static void CloseHandleOf(Entry& entry) {
        if (entry.Handle != nullptr && entry.Handle != INVALID_HANDLE_VALUE)
            CloseHandle(entry.Handle);
        entry.Handle = nullptr;
    }
};

PlatformFileSystem::PlatformFileSystem() : state_(std::make_unique<State>()) {}

PlatformFileSystem::~PlatformFileSystem() {
    for (FileId file = 1; file <= static_cast<FileId>(state_->Entries.size()); ++file) {
        if (state_->At(file).Temporary)
            Remove(file);
        else
            Close(file);
    }
}

std::string PlatformFileSystem::LastError() {
    return state_->Refusal.empty() ? WindowsErrorText(state_->Error) : state_->Refusal;
}

bool PlatformFileSystem::OpenSource(std::string_view name, FileId& source, FileFacts& facts) {
    source = 0;
    const std::wstring named = WidePath(name);
    const DWORD attributes = GetFileAttributesW(named.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return state_->Fail();
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        facts = FileFacts{};
        facts.Kind = FileKind::Directory;
        return true;
    }
    // Others may go on reading, writing and renaming it: a change is found before the end.
    const HANDLE handle =
        CreateFileW(named.c_str(), GENERIC_READ, ShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return state_->Fail();
    State::Entry entry{handle, {}, 0, false};
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        State::CloseHandleOf(entry);
        facts = FileFacts{};
        return true;
    }
    std::optional<std::wstring> target = FinalPath(handle);
    if (!target)
        target = FullPath(named);
    if (!target || !ReadFacts(handle, facts)) {
        const DWORD error = GetLastError();
        State::CloseHandleOf(entry);
        SetLastError(error);
        return state_->Fail();
    }
    entry.Path = *target;
    source = state_->Add(std::move(entry));
    return true;
}

int64_t PlatformFileSystem::Read(FileId file, char* into, size_t capacity) {
    State::Entry& entry = state_->At(file);
    DWORD got = 0;
    if (!ReadPiece(entry.Handle, entry.ReadOffset, into, capacity, got)) {
        state_->Fail();
        return -1;
    }
    entry.ReadOffset += got;
    return got;
}

bool PlatformFileSystem::ReadAt(FileId file, uint64_t offset, size_t count, std::string& into) {
    into.resize(count);
    size_t done = 0;
    DWORD got = 0;
    while (done < count) {
        if (!ReadPiece(state_->At(file).Handle, offset + done, into.data() + done, count - done, got))
            return state_->Fail();
        if (got == 0)
            break;
        done += got;
    }
    into.resize(done);
    return true;
}

bool PlatformFileSystem::FactsOf(FileId file, FileFacts& facts) {
    return ReadFacts(state_->At(file).Handle, facts) || state_->Fail();
}

bool PlatformFileSystem::FactsByName(FileId source, FileFacts& facts) {
    const KernelHandle byName(CreateFileW(state_->At(source).Path.c_str(), FILE_READ_ATTRIBUTES, ShareAll, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return (byName.Valid() && ReadFacts(byName.Get(), facts)) || state_->Fail();
}

bool PlatformFileSystem::OpenForWriting(FileId source, FileId& writable) {
    FileFacts facts;
    if (!FactsOf(source, facts))
        return false;
    // The read-only attribute says the file is not to be changed; it is kept, and so is the file.
    if ((facts.Mode & FILE_ATTRIBUTE_READONLY) != 0)
        return state_->Refuse("read-only; left unchanged");
    const HANDLE handle = CreateFileW(state_->At(source).Path.c_str(), GENERIC_WRITE, ShareAll, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return state_->Fail();
    writable = state_->Add({handle, state_->At(source).Path, 0, false});
    return true;
}

// Beside the file, open to nobody else but for its removal, until it is complete. A name at the
// length limit leaves no room for the suffix: then a shorter one in the same folder.
bool PlatformFileSystem::CreateBeside(FileId source, FileId& temporary) {
    const std::wstring target = state_->At(source).Path;
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
                temporary = state_->Add({handle, name, 0, true});
                return true;
            }
            const DWORD error = GetLastError();
            if (error == ERROR_FILENAME_EXCED_RANGE || error == ERROR_INVALID_NAME)
                break;
            if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
                return state_->Fail();
        }
    }
    return state_->Fail();
}

// NTFS journals the new name: nothing to flush for it.
bool PlatformFileSystem::CreateBackup(FileId source, FileId& backup) {
    const std::wstring name = BackupPath(state_->At(source).Path);
    const TemporaryHeld held;
    const HANDLE handle = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE, nullptr,
                                      CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return state_->Fail();
    TemporaryPaths.push_back(name);
    backup = state_->Add({handle, name, 0, true});
    return true;
}

bool PlatformFileSystem::FindBackup(FileId source, std::string& shown) {
    const std::wstring name = BackupPath(state_->At(source).Path);
    if (GetFileAttributesW(name.c_str()) == INVALID_FILE_ATTRIBUTES)
        return false;
    shown = EncodeUtf8(FromWide(name));
    return true;
}

// A lock on a byte far beyond any file's end: Windows locks keep every other handle, our own
// included, from the bytes they cover, and this one covers none that are read or written.
LockState PlatformFileSystem::Lock(FileId source, bool wait) {
    OVERLAPPED at = AtOffset(~uint64_t{0} - 1);
    const DWORD flags = LOCKFILE_EXCLUSIVE_LOCK | (wait ? 0 : LOCKFILE_FAIL_IMMEDIATELY);
    if (LockFileEx(state_->At(source).Handle, flags, 0, 1, 0, &at))
        return LockState::Taken;
    const DWORD error = GetLastError();
    if (error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING)
        return LockState::Busy;
    // Some network file systems have no locks at all.
    if (error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION)
        return LockState::Taken;
    state_->Fail();
    return LockState::Failed;
}

void PlatformFileSystem::HoldSignals() {
    const TemporaryHeld held;
    HeldSteps.fetch_add(1);
}

void PlatformFileSystem::ReleaseSignals() {
    HeldSteps.fetch_sub(1);
}

bool PlatformFileSystem::Write(FileId file, std::string_view bytes) {
    DWORD put = 0;
    while (!bytes.empty()) {
        if (!WriteFile(state_->At(file).Handle, bytes.data(), ChunkSize(bytes.size()), &put,
                       nullptr))
            return state_->Fail();
        if (put == 0) {
            SetLastError(ERROR_WRITE_FAULT);
            return state_->Fail();
        }
        bytes.remove_prefix(put);
    }
    return true;
}

bool PlatformFileSystem::WriteAt(FileId file, uint64_t offset, std::string_view bytes) {
    while (!bytes.empty()) {
        OVERLAPPED at = AtOffset(offset);
        DWORD put = 0;
        if (!WriteFile(state_->At(file).Handle, bytes.data(), ChunkSize(bytes.size()), &put,
                       &at))
            return state_->Fail();
        if (put == 0) {
            SetLastError(ERROR_WRITE_FAULT);
            return state_->Fail();
        }
        bytes.remove_prefix(put);
        offset += put;
    }
    return true;
}

bool PlatformFileSystem::Reserve(FileId file, uint64_t size) {
    LARGE_INTEGER current{};
    if (!GetFileSizeEx(state_->At(file).Handle, &current))
        return state_->Fail();
    // A smaller allocation would cut the file short.
    if (size <= static_cast<uint64_t>(current.QuadPart))
        return true;
    FILE_ALLOCATION_INFO allocation{};
    allocation.AllocationSize.QuadPart = static_cast<LONGLONG>(size);
    if (SetFileInformationByHandle(state_->At(file).Handle, FileAllocationInfo, &allocation, sizeof allocation))
        return true;
    // A file system that cannot reserve: the write goes ahead, with the old text kept to put back.
    const DWORD error = GetLastError();
    return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL ? state_->Fail() : true;
}

bool PlatformFileSystem::Truncate(FileId file, uint64_t size) {
    LARGE_INTEGER end{};
    end.QuadPart = static_cast<LONGLONG>(size);
    return (SetFilePointerEx(state_->At(file).Handle, end, nullptr, FILE_BEGIN) && SetEndOfFile(state_->At(file).Handle)) || state_->Fail();
}

bool PlatformFileSystem::Flush(FileId file) {
    return FlushFileBuffers(state_->At(file).Handle) || state_->Fail();
}

// Windows writes cached data on its own; only FlushFileBuffers waits for it.
void PlatformFileSystem::StartFlush(FileId) {}

// The attributes the file had (hidden, system, archive, not indexed) and its creation time go to
// the temporary file before it takes the file's place; ReplaceFileW keeps its security.
bool PlatformFileSystem::CopyPermissions(FileId temporary, FileId source, const FileFacts& facts) {
    constexpr DWORD Kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                           FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    FILE_BASIC_INFO found{};
    if (!GetFileInformationByHandleEx(state_->At(source).Handle, FileBasicInfo, &found, sizeof found))
        return state_->Fail();
    FILE_BASIC_INFO basic{};
    basic.CreationTime = found.CreationTime;
    basic.FileAttributes = facts.Mode & Kept;
    if (basic.FileAttributes == 0)
        basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    return SetFileInformationByHandle(state_->At(temporary).Handle, FileBasicInfo, &basic, sizeof basic) || state_->Fail();
}

bool PlatformFileSystem::Replace(FileId temporary, FileId source) {
    State::Entry& copy = state_->At(temporary);
    const std::wstring target = state_->At(source).Path;
    // Nothing of ours may hold the file or the copy open while one takes the other's place.
    for (State::Entry& entry : state_->Entries) {
        if (&entry == &copy || entry.Path == target)
            State::CloseHandleOf(entry);
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
    return replaced || state_->Fail();
}

// MOVEFILE_WRITE_THROUGH and ReplaceFileW have put the name on disk by the time they return.
bool PlatformFileSystem::NoteFolderToFlush(FileId) {
    return true;
}

std::vector<FolderTrouble> PlatformFileSystem::FlushFolders() {
    return {};
}

void PlatformFileSystem::Remove(FileId temporary) {
    State::Entry& entry = state_->At(temporary);
    const TemporaryHeld held;
    State::CloseHandleOf(entry);
    if (entry.Temporary) {
        DeleteFileW(entry.Path.c_str());
        Unregister(entry.Path);
        entry.Temporary = false;
    }
}

std::string PlatformFileSystem::KeepTemporary(FileId temporary) {
    State::Entry& entry = state_->At(temporary);
    const TemporaryHeld held;
    State::CloseHandleOf(entry);
    Unregister(entry.Path);
    entry.Temporary = false;
    return EncodeUtf8(FromWide(entry.Path));
}

void PlatformFileSystem::Close(FileId file) {
    State::CloseHandleOf(state_->At(file));
}

int64_t PlatformFileSystem::ReadInput(char* into, size_t capacity) {
    const int got = _read(0, into, static_cast<unsigned>(std::min<size_t>(capacity, INT_MAX)));
    if (got < 0)
        state_->Refuse(ErrorText(errno));
    return got;
}

bool PlatformFileSystem::WriteOutput(std::string_view bytes) {
    while (!bytes.empty()) {
        const int put = _write(1, bytes.data(), static_cast<unsigned>(std::min<size_t>(bytes.size(), INT_MAX)));
        if (put <= 0)
            return state_->Refuse(ErrorText(put < 0 ? errno : EIO));
        bytes.remove_prefix(static_cast<size_t>(put));
    }
    return true;
}

bool PlatformFileSystem::InputIsOutput() {
    BY_HANDLE_FILE_INFORMATION input{};
    BY_HANDLE_FILE_INFORMATION output{};
    const HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    return GetFileType(in) == FILE_TYPE_DISK && GetFileType(out) == FILE_TYPE_DISK &&
           GetFileInformationByHandle(in, &input) && GetFileInformationByHandle(out, &output) &&
           input.dwVolumeSerialNumber == output.dwVolumeSerialNumber && input.nFileIndexHigh == output.nFileIndexHigh &&
           input.nFileIndexLow == output.nFileIndexLow;
}

bool PlatformFileSystem::FullName(std::string_view name, std::string& full) {
    std::optional<std::wstring> path = FullPath(WidePath(name));
    if (!path)
        return state_->Fail();
    std::replace(path->begin(), path->end(), L'\\', L'/');
    full = EncodeUtf8(FromWide(*path));
    return true;
}

bool PlatformFileSystem::CreateEmpty(std::string_view name) {
    const KernelHandle created(CreateFileW(WidePath(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
    return created.Valid() || state_->Fail();
}

char PlatformFileSystem::Separator() {
    return '\\';
}

bool PlatformFileSystem::NameExists(std::string_view name) {
    return GetFileAttributesW(WidePath(name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool PlatformFileSystem::IdentityOf(std::string_view name, FileIdentity& identity) {
    // Backup semantics open a folder as well as a file.
    const KernelHandle handle(CreateFileW(WidePath(name).c_str(), FILE_READ_ATTRIBUTES, ShareAll, nullptr, OPEN_EXISTING,
                                         FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION information{};
    if (!handle.Valid() || !GetFileInformationByHandle(handle.Get(), &information))
        return state_->Fail();
    identity = {information.dwVolumeSerialNumber,
                (static_cast<uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow};
    return true;
}

// A drive's root (C:\), a share's (\\server\share\), or a volume's mounted on a folder.
bool PlatformFileSystem::IsFileSystemRoot(std::string_view name) {
    std::optional<std::wstring> full = FullPath(WidePath(name));
    if (!full)
        return false;
    if (full->back() != L'\\')
        *full += L'\\';
    std::wstring volume(full->size() + 1, L'\0');
    if (!GetVolumePathNameW(full->c_str(), volume.data(), static_cast<DWORD>(volume.size())))
        return false;
    volume.resize(wcslen(volume.c_str()));
    return _wcsicmp(volume.c_str(), full->c_str()) == 0;
}

bool PlatformFileSystem::IsFolder(std::string_view name) {
    const DWORD attributes = GetFileAttributesW(WidePath(name).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool PlatformFileSystem::ListFolder(std::string_view name, std::vector<FolderEntry>& entries) {
    std::wstring pattern = WidePath(name);
    if (!pattern.empty() && pattern.back() != L'\\' && pattern.back() != L'/')
        pattern += L'\\';
    pattern += L'*';
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return state_->Fail();
    do {
        const std::wstring_view leaf = found.cFileName;
        if (leaf == L"." || leaf == L"..")
            continue;
        EntryKind kind = EntryKind::Other;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            kind = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? EntryKind::LinkToFolder
                                                                               : EntryKind::Folder;
        entries.push_back({EncodeUtf8(FromWide(leaf)), kind});
    } while (FindNextFileW(search, &found));
    const DWORD error = GetLastError();
    FindClose(search);
    SetLastError(error);
    return error == ERROR_NO_MORE_FILES || state_->Fail();
}

// The EditorConfig core library's fopen (clean/win32/EditorConfigNames.h): its names are UTF-8.
extern "C" FILE* BriskletOpenUtf8(const char* name, const char* mode) {
    return _wfopen(WidePath(name).c_str(), WidePath(mode).c_str());
}

void InstallRewriteSignalHandlers() {
    SetConsoleCtrlHandler(RemoveTemporariesOnInterrupt, TRUE);
}

} // namespace brisklet
