// brisklet-clean's file system in memory: one flat folder, standard input and output, every call
// counted, any call made to fail, and another program's change made between any two calls.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "clean/Command.h"
#include "clean/FileSystem.h"

namespace brisklet::test {

struct FakeInode {
    std::string Bytes;
    uint64_t Number = 0;
    uint32_t Mode = 0100644;
    uint32_t Owner = 1000;
    uint64_t Links = 1;
    int64_t Modified = 0;
    int64_t Changed = 0;
    bool Directory = false;
};

class FakeFileSystem final : public FileSystem {
public:
    // Names to inodes; two names may share one (a hard link).
    std::map<std::string, std::shared_ptr<FakeInode>> Names;
    std::string Input;
    std::string Output;
    bool InputIsTheOutput = false;
    // Every call by name, in order ("Flush", "Replace", ...).
    std::vector<std::string> Calls;
    // The call with this index (counted from 0) fails with FailWith.
    int64_t FailAt = -1;
    bool FailOnwards = false; // and every call after it
    std::string FailWith = "No space left on device";
    // Run before the call with this index, as another program would act meanwhile.
    int64_t MeddleAt = -1;
    std::function<void(FakeFileSystem&)> Meddle;
    // A signal that ends the program comes before the call with this index: at once, or at the
    // last ReleaseSignals, the temporary files removed as the handler would. KillAt: SIGKILL,
    // nothing removed. Either way every call after it fails and changes nothing.
    int64_t SignalAt = -1;
    int64_t KillAt = -1;
    bool Ended = false;
    char PathSeparator = '/';
    // Lock answers Busy once for the file of this name, as while another run holds it.
    std::string BusyName;

    // A new file, or new bytes for one (a new inode unless it exists).
    void Put(const std::string& name, const std::string& bytes);
    // Another program's acts: they change the times as the system would.
    void Rewrite(const std::string& name, const std::string& bytes);
    void RenameOver(const std::string& name, const std::string& bytes);
    void ChangeMode(const std::string& name, uint32_t mode);
    void Link(const std::string& name, const std::string& newName);
    [[nodiscard]] std::string Bytes(const std::string& name) const;
    // The names of the temporary files still there.
    [[nodiscard]] std::vector<std::string> Leftovers() const;

    std::string LastError() override;
    bool OpenSource(std::string_view name, FileId& source, FileFacts& facts) override;
    int64_t Read(FileId file, char* into, size_t capacity) override;
    bool ReadAt(FileId file, uint64_t offset, size_t count, std::string& into) override;
    bool FactsOf(FileId file, FileFacts& facts) override;
    bool FactsByName(FileId source, FileFacts& facts) override;
    LockState Lock(FileId source, bool wait) override;
    bool FindBackup(FileId source, std::string& shown) override;
    bool OpenForWriting(FileId source, FileId& writable) override;
    bool CreateBeside(FileId source, FileId& temporary) override;
    bool CreateBackup(FileId source, FileId& backup) override;
    bool Write(FileId file, std::string_view bytes) override;
    bool WriteAt(FileId file, uint64_t offset, std::string_view bytes) override;
    bool Reserve(FileId file, uint64_t size) override;
    bool Truncate(FileId file, uint64_t size) override;
    bool Flush(FileId file) override;
    void StartFlush(FileId file) override;
    bool CopyPermissions(FileId temporary, FileId source, const FileFacts& facts) override;
    bool Replace(FileId temporary, FileId source) override;
    bool NoteFolderToFlush(FileId source) override;
    std::vector<FolderTrouble> FlushFolders() override;
    void HoldSignals() override;
    void ReleaseSignals() override;
    void Remove(FileId temporary) override;
    std::string KeepTemporary(FileId temporary) override;
    void Close(FileId file) override;
    int64_t ReadInput(char* into, size_t capacity) override;
    bool WriteOutput(std::string_view bytes) override;
    bool InputIsOutput() override;
    bool FullName(std::string_view name, std::string& full) override;
    bool CreateEmpty(std::string_view name) override;
    char Separator() override;
    bool NameExists(std::string_view name) override;
    bool IdentityOf(std::string_view name, FileIdentity& identity) override;
    bool IsFileSystemRoot(std::string_view name) override;
    bool IsFolder(std::string_view name) override;
    bool ListFolder(std::string_view name, std::vector<FolderEntry>& entries) override;

private:
    struct Handle {
        std::shared_ptr<FakeInode> Inode;
        std::string Name;
        uint64_t Offset = 0;
        bool Open = true;
        bool Temporary = false; // removed by a signal
    };
    // Counts the call, acts for the other program and answers whether the call is to fail.
    bool Step(const char* name);
    bool Fail();
    // A new temporary file of that name, never over one that exists.
    bool Create(const char* call, const std::string& name, FileId& file);
    // The program ended by a signal: its temporary files go, as the handler removes them.
    void EndBySignal();
    void Touch(FakeInode& inode);
    FileId Add(Handle handle);
    Handle& At(FileId file) { return handles_[static_cast<size_t>(file - 1)]; }

    std::vector<Handle> handles_;
    std::string error_;
    uint64_t nextInode_ = 1;
    int64_t clock_ = 1;
    size_t inputRead_ = 0;
    int heldSignals_ = 0;
    bool signalPending_ = false;
};

// brisklet-clean's command run in this process over files: its exit status and what it wrote
// to standard error.
struct CommandRun {
    int Status = -1;
    std::string Errors;
};
CommandRun RunCommandInMemory(FakeFileSystem& files, const std::vector<std::string>& arguments,
                              const CleanEnvironment& environment = {});

} // namespace brisklet::test
