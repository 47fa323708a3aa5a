// brisklet-clean's file-system calls on Linux and macOS.
#pragma once

#include <string>
#include <vector>

#include "clean/FileSystem.h"

namespace brisklet {

// Names are bytes, used as given. A file is reached from its folder's descriptor, so a relative
// name works in a folder deeper than PATH_MAX. A temporary file is removed by every signal whose
// default action ends the program (SIGKILL aside).
class PosixFileSystem final : public FileSystem {
public:
    PosixFileSystem() = default;
    PosixFileSystem(const PosixFileSystem&) = delete;
    PosixFileSystem& operator=(const PosixFileSystem&) = delete;
    ~PosixFileSystem() override;

    std::string LastError() override;
    bool OpenSource(std::string_view name, FileId& source, FileFacts& facts) override;
    int64_t Read(FileId file, char* into, size_t capacity) override;
    bool ReadAt(FileId file, uint64_t offset, size_t count, std::string& into) override;
    bool FactsOf(FileId file, FileFacts& facts) override;
    bool FactsByName(FileId source, FileFacts& facts) override;
    bool OpenForWriting(FileId source, FileId& writable) override;
    bool CreateBeside(FileId source, FileId& temporary) override;
    bool Write(FileId file, std::string_view bytes) override;
    bool WriteAt(FileId file, uint64_t offset, std::string_view bytes) override;
    bool Reserve(FileId file, uint64_t size) override;
    bool Truncate(FileId file, uint64_t size) override;
    bool Flush(FileId file) override;
    bool TakeOver(FileId temporary, FileId source, const FileFacts& facts) override;
    bool Replace(FileId temporary, FileId source) override;
    bool FlushFolder(FileId source) override;
    void Remove(FileId temporary) override;
    std::string Keep(FileId temporary) override;
    void Close(FileId file) override;
    int64_t ReadInput(char* into, size_t capacity) override;
    bool WriteOutput(std::string_view bytes) override;
    bool InputIsOutput() override;
    bool NameExists(std::string_view name) override;

private:
    struct Entry {
        int Descriptor = -1;
        int Folder = -1;      // the folder the name below is in
        std::string Leaf;     // the name in it
        std::string Shown;    // the name for messages
        int Slot = -1;        // a temporary file's place in the signal handler's list
    };
    FileId Add(Entry entry);
    Entry& At(FileId file) { return entries_[static_cast<size_t>(file - 1)]; }
    bool Fail(int error);

    std::vector<Entry> entries_;
    int error_ = 0;
    std::string refusal_; // a reason of our own for the last failure instead of errno's
};

} // namespace brisklet
