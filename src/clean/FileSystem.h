// The file-system calls brisklet-clean makes, each able to fail: realised once for POSIX and once
// for Win32 (clean/posix, clean/win32), and by the tests with any call made to fail and the file
// changed by another program between any two calls.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brisklet {

enum class FileKind { Regular, Directory, Other };

// What tells one state of a file from another: a file another program replaced, wrote, truncated,
// renamed over, linked, chmodded or chowned differs here. Times are at the platform's full
// precision. On Windows, Mode holds the file attributes and Owner and Group stay 0.
struct FileFacts {
    FileKind Kind = FileKind::Other;
    uint64_t Device = 0;
    uint64_t Inode = 0;
    uint64_t Size = 0;
    uint64_t Links = 0;
    int64_t Modified = 0;
    int64_t Changed = 0;
    uint32_t Mode = 0;
    uint32_t Owner = 0;
    uint32_t Group = 0;
};

[[nodiscard]] inline bool operator==(const FileFacts& a, const FileFacts& b) {
    return a.Kind == b.Kind && a.Device == b.Device && a.Inode == b.Inode && a.Size == b.Size &&
           a.Links == b.Links && a.Modified == b.Modified && a.Changed == b.Changed && a.Mode == b.Mode &&
           a.Owner == b.Owner && a.Group == b.Group;
}

// What a folder holds under one name: a folder, a link to one (which a walk never follows), or
// anything else (a file, a link to one, a FIFO, ...).
enum class EntryKind { Folder, LinkToFolder, Other };

struct FolderEntry {
    std::string Name;
    EntryKind Kind = EntryKind::Other;
};

// A folder that could not be flushed to disk, and why.
struct FolderTrouble {
    std::string Folder;
    std::string Reason;
};

// How many temporary files the process holds at once, at most, for the handler that removes
// them when a signal ends it: the new texts awaiting their commit, which the jobs keep within
// half of it together, and each job's copy of a text it writes through.
inline constexpr size_t MostTemporaryFiles = 2048;

// A file held open by the file system; 0 is none.
using FileId = int;

// What one file is, whatever name leads to it.
struct FileIdentity {
    uint64_t Device = 0;
    uint64_t Inode = 0;
    [[nodiscard]] bool operator==(const FileIdentity&) const = default;
};

// Whether a file's lock was taken, is held by another run, or cannot be taken.
enum class LockState { Taken, Busy, Failed };

// The copy of a file's text that a write through keeps beside it until the new text is whole:
// its name is the file's with this after it, so that the run after a crash finds it.
inline constexpr std::string_view BackupSuffix = ".brisklet-backup";

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // The reason the last failed call gave, as the platform words it ("No space left on device").
    [[nodiscard]] virtual std::string LastError() = 0;

    // Opens the file a name (UTF-8 on Windows, bytes elsewhere) leads to, links followed, for
    // reading, with facts its state then. Anything but a regular file is described in facts and
    // not opened (a FIFO would wait for a writer): source stays 0.
    [[nodiscard]] virtual bool OpenSource(std::string_view name, FileId& source, FileFacts& facts) = 0;
    // The next bytes: their count, 0 at the end, -1 on failure.
    [[nodiscard]] virtual int64_t Read(FileId file, char* into, size_t capacity) = 0;
    // Up to count bytes from offset; fewer only at the end of the file.
    [[nodiscard]] virtual bool ReadAt(FileId file, uint64_t offset, size_t count, std::string& into) = 0;
    // The facts of the file held open, and of whatever the source's name leads to now.
    [[nodiscard]] virtual bool FactsOf(FileId file, FileFacts& facts) = 0;
    [[nodiscard]] virtual bool FactsByName(FileId source, FileFacts& facts) = 0;
    // Takes the lock every brisklet-clean run takes before it rewrites the source, so that two
    // runs take turns; with wait, until the other run lets go. A file system without locks
    // answers Taken: there is nothing to take turns by.
    [[nodiscard]] virtual LockState Lock(FileId source, bool wait) = 0;
    // Whether the copy of the source's text kept by an interrupted write through is beside it;
    // shown is then its name, for the message.
    [[nodiscard]] virtual bool FindBackup(FileId source, std::string& shown) = 0;

    // Opens the source's file for writing: asks whether the user may change it at all, and is
    // the way to write a file with several names through.
    [[nodiscard]] virtual bool OpenForWriting(FileId source, FileId& writable) = 0;
    // A new empty file beside the source, readable by its owner alone, that is removed when a
    // signal or the console ends the program.
    [[nodiscard]] virtual bool CreateBeside(FileId source, FileId& temporary) = 0;
    // The same under the source's name and BackupSuffix, never over a file that has that name;
    // its folder is flushed at once (SyncFolder), so that a power cut keeps the name too.
    [[nodiscard]] virtual bool CreateBackup(FileId source, FileId& backup) = 0;
    [[nodiscard]] virtual bool Write(FileId file, std::string_view bytes) = 0;
    [[nodiscard]] virtual bool WriteAt(FileId file, uint64_t offset, std::string_view bytes) = 0;
    // Room on disk for size bytes, so that writing them cannot fail for want of space.
    [[nodiscard]] virtual bool Reserve(FileId file, uint64_t size) = 0;
    [[nodiscard]] virtual bool Truncate(FileId file, uint64_t size) = 0;
    // Everything written is on disk.
    [[nodiscard]] virtual bool Flush(FileId file) = 0;
    // Starts writing to disk what was written, without waiting for it: the Flush that comes
    // later finds most of it done, and several files' waits overlap. A failure shows in Flush.
    virtual void StartFlush(FileId file) = 0;
    // The temporary file takes the owner, mode and attributes of facts and the source's
    // extended attributes.
    [[nodiscard]] virtual bool CopyPermissions(FileId temporary, FileId source, const FileFacts& facts) = 0;
    // The temporary file takes the source's name, replacing it in one step. The temporary id is
    // closed either way, and its file removed when the replace failed; the source id stays
    // valid for NoteFolderToFlush and Close.
    [[nodiscard]] virtual bool Replace(FileId temporary, FileId source) = 0;
    // Notes that the source's folder, and so the replace, is to reach the disk: it does by the
    // next FlushFolders, which flushes each folder once however many files were replaced in it.
    [[nodiscard]] virtual bool NoteFolderToFlush(FileId source) = 0;
    [[nodiscard]] virtual std::vector<FolderTrouble> FlushFolders() = 0;
    // Signals (console events on Windows) that would end the program wait from Hold to the last
    // Release, across every job: what lies between is done whole or not begun.
    virtual void HoldSignals() = 0;
    virtual void ReleaseSignals() = 0;
    // Closes a temporary file and removes it.
    virtual void Remove(FileId temporary) = 0;
    // Closes a temporary file and leaves it, no longer removed by a signal: its name, for a
    // message that tells the user where the text is.
    [[nodiscard]] virtual std::string KeepTemporary(FileId temporary) = 0;
    virtual void Close(FileId file) = 0;

    // Standard input and output: raw reads and writes, and whether both are the same file.
    [[nodiscard]] virtual int64_t ReadInput(char* into, size_t capacity) = 0;
    [[nodiscard]] virtual bool WriteOutput(std::string_view bytes) = 0;
    [[nodiscard]] virtual bool InputIsOutput() = 0;
    // The name as an absolute path, "." and ".." taken away by their letters (links not followed:
    // the path an editor names the file by), "/" between folders on every platform.
    [[nodiscard]] virtual bool FullName(std::string_view name, std::string& full) = 0;
    // A new empty file under the name, never over anything that has it.
    [[nodiscard]] virtual bool CreateEmpty(std::string_view name) = 0;
    // What the platform writes between folders: '\\' on Windows, which takes '/' too, and '/'
    // elsewhere. Every name the user is shown uses it; a diff's labels use '/', as git's do.
    [[nodiscard]] virtual char Separator() = 0;
    // Whether anything at all has the name, a link to nothing included.
    [[nodiscard]] virtual bool NameExists(std::string_view name) = 0;
    // What the name leads to, links followed.
    [[nodiscard]] virtual bool IdentityOf(std::string_view name, FileIdentity& identity) = 0;
    // Whether the name leads to the root of the file system ("/", a drive's root on Windows).
    [[nodiscard]] virtual bool IsFileSystemRoot(std::string_view name) = 0;
    // Whether the name leads to a folder, links followed.
    [[nodiscard]] virtual bool IsFolder(std::string_view name) = 0;
    // What the folder holds, but "." and "..", in no particular order.
    [[nodiscard]] virtual bool ListFolder(std::string_view name, std::vector<FolderEntry>& entries) = 0;
};

// Has the platform's signals (SIGINT, SIGTERM, SIGQUIT, ...) or console events (Ctrl+C, the
// console closed) remove the temporary files of the rewrites under way before the program ends.
void InstallRewriteSignalHandlers();

} // namespace brisklet
