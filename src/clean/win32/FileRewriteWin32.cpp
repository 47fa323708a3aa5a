// brisklet-clean's files and streams on Windows: standard streams in binary mode, and the rewrite
// through a temporary file beside the source that replaces it once complete and flushed.
#include "clean/FileRewrite.h"

#include <windows.h>

#include <io.h>

#include <algorithm>
#include <climits>
#include <cwctype>
#include <optional>
#include <string_view>

#include "runtime/TextCodec.h"
#include "runtime/win32/OwnedHandle.h"
#include "runtime/win32/WideText.h"

namespace brisklet {

namespace {

// The program's text is UTF-8; the file system's names are UTF-16.
std::wstring WidePath(const std::string& path) {
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

int64_t ReadAll(int fd, char* into, size_t capacity) {
    return _read(fd, into, static_cast<unsigned>(std::min<size_t>(capacity, INT_MAX)));
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const int put = _write(fd, bytes.data(), static_cast<unsigned>(std::min<size_t>(bytes.size(), INT_MAX)));
        if (put <= 0)
            return false;
        bytes.remove_prefix(static_cast<size_t>(put));
    }
    return true;
}

OVERLAPPED At(uint64_t offset) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return at;
}

// At most a gigabyte a call: ReadFile counts in 32 bits.
constexpr size_t MostPerCall = size_t{1} << 30;

// Reads at an offset and leaves the handle's own position alone; 0 bytes at the end.
bool ReadPiece(HANDLE file, uint64_t offset, char* into, size_t count, DWORD& got) {
    OVERLAPPED at = At(offset);
    got = 0;
    if (ReadFile(file, into, static_cast<DWORD>(std::min(count, MostPerCall)), &got, &at))
        return true;
    return GetLastError() == ERROR_HANDLE_EOF;
}

bool ReadAt(HANDLE file, uint64_t offset, size_t count, std::string& into) {
    into.resize(count);
    size_t done = 0;
    DWORD got = 0;
    while (done < count) {
        if (!ReadPiece(file, offset + done, into.data() + done, count - done, got))
            return false;
        if (got == 0)
            break;
        done += got;
    }
    into.resize(done);
    return true;
}

bool WriteAt(HANDLE file, uint64_t offset, std::string_view bytes) {
    while (!bytes.empty()) {
        OVERLAPPED at = At(offset);
        DWORD put = 0;
        if (!WriteFile(file, bytes.data(), static_cast<DWORD>(std::min(bytes.size(), MostPerCall)), &put, &at) ||
            put == 0)
            return false;
        bytes.remove_prefix(put);
        offset += put;
    }
    return true;
}

// The temporary file of the rewrite under way, for the console control handler, which runs on a
// thread of its own. The lock keeps the handler out of the steps that must not be cut short.
SRWLOCK TemporaryLock = SRWLOCK_INIT;
std::wstring TemporaryPath;

class TemporaryHeld {
public:
    TemporaryHeld() { AcquireSRWLockExclusive(&TemporaryLock); }
    ~TemporaryHeld() { ReleaseSRWLockExclusive(&TemporaryLock); }
    TemporaryHeld(const TemporaryHeld&) = delete;
    TemporaryHeld& operator=(const TemporaryHeld&) = delete;
};

BOOL WINAPI RemoveTemporaryOnInterrupt(DWORD) {
    // The lock is never given back: the program ends now, and no rewrite step may follow.
    AcquireSRWLockExclusive(&TemporaryLock);
    if (!TemporaryPath.empty())
        DeleteFileW(TemporaryPath.c_str());
    return FALSE; // on to the default handler, which ends the process
}

// One rewrite: the file as it was found, and the temporary file beside it once the result first
// differs. The temporary file goes away with the object unless it became the file.
struct Rewrite {
    std::wstring Target; // the full path of the file itself, links followed
    BY_HANDLE_FILE_INFORMATION Found{};
    std::optional<KernelHandle> Source;
    std::optional<KernelHandle> Writable;
    std::optional<KernelHandle> Temporary;
    std::wstring TemporaryName; // empty once it is gone or became the file
    uint64_t ReadOffset = 0;
    DWORD Error = ERROR_SUCCESS; // of the call that failed
    std::string Refusal;         // a reason of our own instead

    Rewrite() = default;
    Rewrite(const Rewrite&) = delete;
    Rewrite& operator=(const Rewrite&) = delete;
    ~Rewrite() {
        if (TemporaryName.empty())
            return;
        const TemporaryHeld held;
        Temporary.reset();
        DeleteFileW(TemporaryName.c_str());
        TemporaryPath.clear();
    }
};

bool Failed(Rewrite& rewrite) {
    rewrite.Error = GetLastError();
    return false;
}

std::string FailureReason(const Rewrite& rewrite) {
    return rewrite.Refusal.empty() ? WindowsErrorText(rewrite.Error) : rewrite.Refusal;
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

bool OpenSource(Rewrite& rewrite, const std::string& path, std::string& reason) {
    const std::wstring named = WidePath(path);
    const DWORD attributes = GetFileAttributesW(named.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        reason = WindowsErrorText(GetLastError());
        return false;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        reason = ErrorText(EISDIR);
        return false;
    }
    // Others may go on reading, writing and renaming it: a change is found before the end.
    rewrite.Source.emplace(CreateFileW(named.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!rewrite.Source->Valid()) {
        reason = WindowsErrorText(GetLastError());
        return false;
    }
    const HANDLE source = rewrite.Source->Get();
    if (GetFileType(source) != FILE_TYPE_DISK) {
        reason = "not a regular file";
        return false;
    }
    if (!GetFileInformationByHandle(source, &rewrite.Found)) {
        reason = WindowsErrorText(GetLastError());
        return false;
    }
    std::optional<std::wstring> target = FinalPath(source);
    if (!target)
        target = FullPath(named);
    if (!target) {
        reason = WindowsErrorText(GetLastError());
        return false;
    }
    rewrite.Target = *target;
    return true;
}

// Beside the file, open to nobody else but for its removal, until it is complete. A name at the
// length limit leaves no room for the suffix: then a shorter one in the same folder.
bool CreateTemporary(Rewrite& rewrite) {
    const TemporaryHeld held;
    const size_t slash = rewrite.Target.find_last_of(L"\\/");
    const std::wstring folder = rewrite.Target.substr(0, slash == std::wstring::npos ? 0 : slash + 1);
    // Only the start of the name: CREATE_NEW never takes over a file that exists.
    DWORD seed = GetCurrentProcessId() * 2654435761u ^ GetTickCount();
    for (const bool besideIt : {true, false}) {
        for (int attempt = 0; attempt < 100; ++attempt) {
            seed = seed * 1664525u + 1013904223u;
            std::wstring suffix = L".brisklet-";
            for (int shift = 28; shift >= 0; shift -= 4)
                suffix.push_back(L"0123456789abcdef"[(seed >> shift) & 0xF]);
            const std::wstring name = (besideIt ? rewrite.Target : folder + L".brisklet") + suffix;
            rewrite.Temporary.emplace(CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE,
                                                  nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
            if (rewrite.Temporary->Valid()) {
                rewrite.TemporaryName = name;
                TemporaryPath = name;
                return true;
            }
            const DWORD error = GetLastError();
            if (error == ERROR_FILENAME_EXCED_RANGE || error == ERROR_INVALID_NAME)
                break;
            if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
                return Failed(rewrite);
        }
    }
    return Failed(rewrite);
}

bool WriteResult(Rewrite& rewrite, std::string_view bytes) {
    DWORD put = 0;
    while (!bytes.empty()) {
        if (!WriteFile(rewrite.Temporary->Get(), bytes.data(), static_cast<DWORD>(std::min(bytes.size(), MostPerCall)),
                       &put, nullptr) ||
            put == 0)
            return Failed(rewrite);
        bytes.remove_prefix(put);
    }
    return true;
}

// The unchanged start of the file, copied from the file itself.
bool CopyStart(Rewrite& rewrite, uint64_t length) {
    std::string chunk;
    for (uint64_t at = 0; at < length;) {
        if (!ReadAt(rewrite.Source->Get(), at, static_cast<size_t>(std::min<uint64_t>(RereadChunk, length - at)),
                    chunk))
            return Failed(rewrite);
        if (chunk.empty()) {
            rewrite.Error = ERROR_HANDLE_EOF;
            return false;
        }
        if (!WriteResult(rewrite, chunk))
            return false;
        at += chunk.size();
    }
    return true;
}

bool StartRewrite(Rewrite& rewrite, uint64_t unchangedLength) {
    // The read-only attribute says the file is not to be changed; it is kept, and so is the file.
    if ((rewrite.Found.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
        rewrite.Refusal = "read-only; left unchanged";
        return false;
    }
    // The replacement would take the place of a file the user may not write; ask the file itself first.
    rewrite.Writable.emplace(CreateFileW(rewrite.Target.c_str(), GENERIC_WRITE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!rewrite.Writable->Valid())
        return Failed(rewrite);
    return CreateTemporary(rewrite) && CopyStart(rewrite, unchangedLength);
}

bool SameFile(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
           a.nFileIndexLow == b.nFileIndexLow && a.nFileSizeHigh == b.nFileSizeHigh &&
           a.nFileSizeLow == b.nFileSizeLow && CompareFileTime(&a.ftLastWriteTime, &b.ftLastWriteTime) == 0;
}

// The file still the one that was read, through the handle and under its name.
bool Unchanged(const Rewrite& rewrite) {
    BY_HANDLE_FILE_INFORMATION now{};
    BY_HANDLE_FILE_INFORMATION named{};
    const KernelHandle byName(CreateFileW(rewrite.Target.c_str(), FILE_READ_ATTRIBUTES,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return byName.Valid() && GetFileInformationByHandle(rewrite.Source->Get(), &now) &&
           GetFileInformationByHandle(byName.Get(), &named) && SameFile(now, rewrite.Found) &&
           SameFile(named, rewrite.Found);
}

// A file with other names: the finished text goes through its own handle, from the complete copy
// already on disk beside it, so every name keeps the one file.
bool WriteThrough(Rewrite& rewrite, std::string& reason) {
    const TemporaryHeld held;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(rewrite.Temporary->Get(), &size)) {
        reason = WindowsErrorText(GetLastError());
        return false;
    }
    const HANDLE target = rewrite.Writable->Get();
    std::string chunk;
    bool written = true;
    for (uint64_t at = 0; written && at < static_cast<uint64_t>(size.QuadPart); at += chunk.size()) {
        written = ReadAt(rewrite.Temporary->Get(), at, RereadChunk, chunk) && !chunk.empty() &&
                  WriteAt(target, at, chunk);
    }
    written = written && SetFilePointerEx(target, size, nullptr, FILE_BEGIN) && SetEndOfFile(target) &&
              FlushFileBuffers(target);
    if (!written) {
        // Kept: it is the only whole copy.
        reason = "written only in part (" + WindowsErrorText(GetLastError()) + "); the cleaned text is in " +
                 EncodeUtf8(FromWide(rewrite.TemporaryName));
        rewrite.Temporary.reset();
        rewrite.TemporaryName.clear();
        TemporaryPath.clear();
        return false;
    }
    return true;
}

// The attributes the file had (hidden, system, archive, not indexed) and its creation time go to
// the temporary file before it takes the file's place.
bool CopyAttributes(const Rewrite& rewrite) {
    constexpr DWORD Kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                           FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    FILE_BASIC_INFO basic{};
    basic.CreationTime.LowPart = rewrite.Found.ftCreationTime.dwLowDateTime;
    basic.CreationTime.HighPart = static_cast<LONG>(rewrite.Found.ftCreationTime.dwHighDateTime);
    basic.FileAttributes = rewrite.Found.dwFileAttributes & Kept;
    if (basic.FileAttributes == 0)
        basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    return SetFileInformationByHandle(rewrite.Temporary->Get(), FileBasicInfo, &basic, sizeof basic) != 0;
}

bool FinishRewrite(Rewrite& rewrite, std::string& reason) {
    if (!Unchanged(rewrite)) {
        reason = "changed on disk while it was cleaned; left as it is";
        return false;
    }
    if (!FlushFileBuffers(rewrite.Temporary->Get())) {
        reason = WindowsErrorText(GetLastError());
        return false;
    }
    if (rewrite.Found.nNumberOfLinks > 1)
        return WriteThrough(rewrite, reason);
    if (!CopyAttributes(rewrite)) {
        reason = "cannot give the new file its attributes: " + WindowsErrorText(GetLastError());
        return false;
    }
    // Nothing of ours may hold the file or the copy open while one takes the other's place.
    rewrite.Source.reset();
    rewrite.Writable.reset();
    rewrite.Temporary.reset();
    const TemporaryHeld held;
    // ReplaceFileW keeps the file's security and streams; where the file system cannot, the copy
    // is moved over it.
    if (!ReplaceFileW(rewrite.Target.c_str(), rewrite.TemporaryName.c_str(), nullptr,
                      REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) &&
        !MoveFileExW(rewrite.TemporaryName.c_str(), rewrite.Target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        reason = WindowsErrorText(GetLastError());
        return false;
    }
    rewrite.TemporaryName.clear();
    TemporaryPath.clear();
    return true;
}

} // namespace

CleanOutcome CleanDescriptors(int in, int out, const std::vector<CleaningOperation>& operations, int32_t tabLength,
                              bool check) {
    const ReadBytes read = [in](char* into, size_t capacity) { return ReadAll(in, into, capacity); };
    const CleanSink sink = check ? CleanSink{false, [](uint64_t) { return true; }, [](std::string_view) { return true; }}
                                 : CleanSink{true, {}, [out](std::string_view bytes) { return WriteAll(out, bytes); }};
    return CleanText(read, {}, sink, operations, tabLength);
}

FileResult RunOnFile(const std::string& path, const FileRun& run, bool check, std::string& reason) {
    Rewrite rewrite;
    if (!OpenSource(rewrite, path, reason))
        return FileResult::Trouble;
    const HANDLE source = rewrite.Source->Get();
    const ReadBytes read = [&rewrite, source](char* into, size_t capacity) -> int64_t {
        DWORD got = 0;
        if (!ReadPiece(source, rewrite.ReadOffset, into, capacity, got)) {
            rewrite.Error = GetLastError();
            return -1;
        }
        rewrite.ReadOffset += got;
        return got;
    };
    const Rereading rereading = FileRereading(
        [&rewrite, source](uint64_t offset, size_t count, std::string& into) {
            return ReadAt(source, offset, count, into) || Failed(rewrite);
        },
        [&rewrite, source]() -> std::optional<uint64_t> {
            LARGE_INTEGER size{};
            if (!GetFileSizeEx(source, &size)) {
                rewrite.Error = GetLastError();
                return std::nullopt;
            }
            return static_cast<uint64_t>(size.QuadPart);
        });
    const CleanSink sink{false,
                         [&](uint64_t unchangedLength) { return check || StartRewrite(rewrite, unchangedLength); },
                         [&](std::string_view bytes) { return check || WriteResult(rewrite, bytes); }};
    const CleanOutcome outcome = run(read, rereading, sink);
    if (const std::optional<FileResult> result = ResultBeforeRewrite(outcome, check, FailureReason(rewrite), reason))
        return *result;
    return FinishRewrite(rewrite, reason) ? FileResult::Rewritten : FileResult::Trouble;
}

bool NameExists(const std::string& path) {
    return GetFileAttributesW(WidePath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void InstallRewriteSignalHandlers() {
    SetConsoleCtrlHandler(RemoveTemporaryOnInterrupt, TRUE);
}

} // namespace brisklet
