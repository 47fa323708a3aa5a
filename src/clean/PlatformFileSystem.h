// brisklet-clean's file system on the platform it is built for: realised once for POSIX
// (clean/posix) and once for Windows (clean/win32).
#pragma once

#include <memory>

#include "clean/FileSystem.h"

namespace brisklet {

// POSIX: names are bytes, used as given, and a file is reached from its folder's descriptor, so
// that a relative name works in a folder deeper than PATH_MAX. Windows: names are UTF-8 and reach
// the system as UTF-16, so that every name comes through. Either way a link is followed to the
// file it names, and a temporary file is removed by whatever ends the program from outside but
// SIGKILL (InstallRewriteSignalHandlers).
class PlatformFileSystem final : public FileSystem {
public:
    PlatformFileSystem();
    PlatformFileSystem(const PlatformFileSystem&) = delete;
    PlatformFileSystem& operator=(const PlatformFileSystem&) = delete;
    ~PlatformFileSystem() override;

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

    // The platform's open files and the last failure, defined by each realisation.
    struct State;

private:
    std::unique_ptr<State> state_;
};

} // namespace brisklet
