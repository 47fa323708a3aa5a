// brisklet-clean's file-system calls on Windows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "clean/FileSystem.h"

namespace brisklet {

// Names are UTF-8 and reach the file system as UTF-16, so that every name comes through. A link is
// followed to the file it names. A temporary file is removed by Ctrl+C or the console's closing.
class Win32FileSystem final : public FileSystem {
public:
    Win32FileSystem() = default;
    Win32FileSystem(const Win32FileSystem&) = delete;
    Win32FileSystem& operator=(const Win32FileSystem&) = delete;
    ~Win32FileSystem() override;

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
        void* Handle = nullptr;
        std::wstring Path;      // the file itself, links followed
        uint64_t ReadOffset = 0;
        bool Temporary = false; // removed by a console event until kept
    };
    FileId Add(Entry entry);
    Entry& At(FileId file) { return entries_[static_cast<size_t>(file - 1)]; }
    bool Fail();
    bool Refuse(std::string reason);
    void CloseHandleOf(Entry& entry);

    std::vector<Entry> entries_;
    unsigned long error_ = 0;
    std::string refusal_; // a reason of our own for the last failure instead of errno's
};

} // namespace brisklet
