// brisklet-clean's file system in memory, with failures and other programs on request.
#include "support/FakeFileSystem.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace brisklet::test {

namespace {

constexpr std::string_view TemporaryMark = ".brisklet-";

FileFacts FactsOfInode(const FakeInode& inode) {
    FileFacts facts;
    facts.Kind = inode.Directory ? FileKind::Directory : FileKind::Regular;
    facts.Device = 1;
    facts.Inode = inode.Number;
    facts.Size = inode.Bytes.size();
    facts.Links = inode.Links;
    facts.Modified = inode.Modified;
    facts.Changed = inode.Changed;
    facts.Mode = inode.Mode;
    facts.Owner = inode.Owner;
    return facts;
}

} // namespace

bool FakeFileSystem::Step(const char* name) {
    const int64_t index = static_cast<int64_t>(Calls.size());
    Calls.emplace_back(name);
    if (index == KillAt)
        Ended = true;
    if (index == SignalAt && heldSignals_ > 0)
        signalPending_ = true;
    else if (index == SignalAt)
        EndBySignal();
    if (Ended) {
        error_ = "ended by a signal";
        return true;
    }
    if (index == MeddleAt && Meddle)
        Meddle(*this);
    return index == FailAt || (FailOnwards && FailAt >= 0 && index > FailAt);
}

void FakeFileSystem::EndBySignal() {
    for (Handle& handle : handles_) {
        if (handle.Temporary)
            Names.erase(handle.Name);
        handle.Temporary = false;
    }
    Ended = true;
}

bool FakeFileSystem::Fail() {
    error_ = FailWith;
    return false;
}

void FakeFileSystem::Touch(FakeInode& inode) {
    inode.Modified = inode.Changed = ++clock_;
}

FileId FakeFileSystem::Add(Handle handle) {
    handles_.push_back(std::move(handle));
    return static_cast<FileId>(handles_.size());
}

void FakeFileSystem::Put(const std::string& name, const std::string& bytes) {
    auto inode = std::make_shared<FakeInode>();
    inode->Number = nextInode_++;
    inode->Bytes = bytes;
    Touch(*inode);
    Names[name] = inode;
}

void FakeFileSystem::Rewrite(const std::string& name, const std::string& bytes) {
    Names.at(name)->Bytes = bytes;
    Touch(*Names.at(name));
}

void FakeFileSystem::RenameOver(const std::string& name, const std::string& bytes) {
    if (const auto old = Names.find(name); old != Names.end())
        --old->second->Links;
    Put(name, bytes);
}

void FakeFileSystem::ChangeMode(const std::string& name, uint32_t mode) {
    Names.at(name)->Mode = mode;
    Names.at(name)->Changed = ++clock_;
}

void FakeFileSystem::Link(const std::string& name, const std::string& newName) {
    Names[newName] = Names.at(name);
    ++Names.at(name)->Links;
    Names.at(name)->Changed = ++clock_;
}

std::string FakeFileSystem::Bytes(const std::string& name) const {
    return Names.at(name)->Bytes;
}

std::vector<std::string> FakeFileSystem::Leftovers() const {
    std::vector<std::string> left;
    for (const auto& [name, inode] : Names) {
        if (name.find(TemporaryMark) != std::string::npos)
            left.push_back(name);
    }
    return left;
}

std::string FakeFileSystem::LastError() {
    return error_;
}

bool FakeFileSystem::OpenSource(std::string_view name, FileId& source, FileFacts& facts) {
    source = 0;
    if (Step("OpenSource"))
        return Fail();
    const auto found = Names.find(std::string(name));
    if (found == Names.end()) {
        error_ = "No such file or directory";
        return false;
    }
    facts = FactsOfInode(*found->second);
    if (!found->second->Directory)
        source = Add({found->second, found->first});
    return true;
}

int64_t FakeFileSystem::Read(FileId file, char* into, size_t capacity) {
    if (Step("Read")) {
        Fail();
        return -1;
    }
    Handle& handle = At(file);
    const std::string& bytes = handle.Inode->Bytes;
    const size_t count = std::min<size_t>(capacity, bytes.size() - std::min<size_t>(handle.Offset, bytes.size()));
    std::memcpy(into, bytes.data() + handle.Offset, count);
    handle.Offset += count;
    return static_cast<int64_t>(count);
}

bool FakeFileSystem::ReadAt(FileId file, uint64_t offset, size_t count, std::string& into) {
    if (Step("ReadAt"))
        return Fail();
    const std::string& bytes = At(file).Inode->Bytes;
    into = offset < bytes.size() ? bytes.substr(static_cast<size_t>(offset), count) : std::string();
    return true;
}

bool FakeFileSystem::FactsOf(FileId file, FileFacts& facts) {
    if (Step("FactsOf"))
        return Fail();
    facts = FactsOfInode(*At(file).Inode);
    return true;
}

bool FakeFileSystem::FactsByName(FileId source, FileFacts& facts) {
    if (Step("FactsByName"))
        return Fail();
    const auto found = Names.find(At(source).Name);
    if (found == Names.end()) {
        error_ = "No such file or directory";
        return false;
    }
    facts = FactsOfInode(*found->second);
    return true;
}

LockState FakeFileSystem::Lock(FileId source, bool wait) {
    if (Step("Lock")) {
        Fail();
        return LockState::Failed;
    }
    if (!wait && At(source).Name == BusyName) {
        BusyName.clear();
        return LockState::Busy;
    }
    return LockState::Taken;
}

bool FakeFileSystem::FindBackup(FileId source, std::string& shown) {
    if (Step("FindBackup") || !Names.contains(At(source).Name + std::string(BackupSuffix)))
        return false;
    shown = At(source).Name + std::string(BackupSuffix);
    return true;
}

bool FakeFileSystem::OpenForWriting(FileId source, FileId& writable) {
    if (Step("OpenForWriting"))
        return Fail();
    const auto found = Names.find(At(source).Name);
    if (found == Names.end()) {
        error_ = "No such file or directory";
        return false;
    }
    writable = Add({found->second, found->first});
    return true;
}

bool FakeFileSystem::CreateBeside(FileId source, FileId& temporary) {
    return Create("CreateBeside", At(source).Name + std::string(TemporaryMark) + std::to_string(Calls.size()),
                  temporary);
}

bool FakeFileSystem::CreateBackup(FileId source, FileId& backup) {
    return Create("CreateBackup", At(source).Name + std::string(BackupSuffix), backup);
}

bool FakeFileSystem::Create(const char* call, const std::string& name, FileId& file) {
    if (Step(call) || Names.contains(name))
        return Fail();
    Put(name, {});
    Names.at(name)->Mode = 0100600;
    file = Add({Names.at(name), name, 0, true, true});
    return true;
}

bool FakeFileSystem::Write(FileId file, std::string_view bytes) {
    if (Step("Write"))
        return Fail();
    Handle& handle = At(file);
    handle.Inode->Bytes.resize(std::max<size_t>(handle.Inode->Bytes.size(), handle.Offset));
    handle.Inode->Bytes.replace(handle.Offset, bytes.size(), bytes);
    handle.Offset += bytes.size();
    Touch(*handle.Inode);
    return true;
}

bool FakeFileSystem::WriteAt(FileId file, uint64_t offset, std::string_view bytes) {
    if (Step("WriteAt"))
        return Fail();
    std::string& stored = At(file).Inode->Bytes;
    stored.resize(std::max<size_t>(stored.size(), static_cast<size_t>(offset)));
    stored.replace(static_cast<size_t>(offset), bytes.size(), bytes);
    Touch(*At(file).Inode);
    return true;
}

bool FakeFileSystem::Reserve(FileId, uint64_t) {
    return !Step("Reserve") || Fail();
}

bool FakeFileSystem::Truncate(FileId file, uint64_t size) {
    if (Step("Truncate"))
        return Fail();
    At(file).Inode->Bytes.resize(static_cast<size_t>(size));
    Touch(*At(file).Inode);
    return true;
}

bool FakeFileSystem::Flush(FileId) {
    return !Step("Flush") || Fail();
}

bool FakeFileSystem::CopyPermissions(FileId temporary, FileId, const FileFacts& facts) {
    if (Step("CopyPermissions"))
        return Fail();
    At(temporary).Inode->Mode = facts.Mode;
    At(temporary).Inode->Owner = facts.Owner;
    return true;
}

bool FakeFileSystem::Replace(FileId temporary, FileId source) {
    const bool fails = Step("Replace");
    Handle& copy = At(temporary);
    copy.Open = false;
    copy.Temporary = false;
    if (fails) {
        Names.erase(copy.Name);
        return Fail();
    }
    if (const auto old = Names.find(At(source).Name); old != Names.end())
        --old->second->Links;
    Names[At(source).Name] = copy.Inode;
    Names.erase(copy.Name);
    return true;
}

void FakeFileSystem::StartFlush(FileId) {
    (void)Step("StartFlush");
}

bool FakeFileSystem::NoteFolderToFlush(FileId) {
    return !Step("NoteFolderToFlush") || Fail();
}

std::vector<FolderTrouble> FakeFileSystem::FlushFolders() {
    if (Step("FlushFolders"))
        return {{".", FailWith}};
    return {};
}

void FakeFileSystem::HoldSignals() {
    Calls.emplace_back("HoldSignals");
    ++heldSignals_;
}

void FakeFileSystem::ReleaseSignals() {
    Calls.emplace_back("ReleaseSignals");
    if (--heldSignals_ == 0 && signalPending_ && !Ended)
        EndBySignal();
}

void FakeFileSystem::Remove(FileId temporary) {
    Calls.emplace_back("Remove");
    if (At(temporary).Open && !Ended)
        Names.erase(At(temporary).Name);
    At(temporary).Open = false;
    At(temporary).Temporary = false;
}

std::string FakeFileSystem::KeepTemporary(FileId temporary) {
    Calls.emplace_back("KeepTemporary");
    At(temporary).Open = false;
    At(temporary).Temporary = false;
    return At(temporary).Name;
}

void FakeFileSystem::Close(FileId file) {
    At(file).Open = false;
}

int64_t FakeFileSystem::ReadInput(char* into, size_t capacity) {
    if (Step("ReadInput")) {
        Fail();
        return -1;
    }
    const size_t count = std::min(capacity, Input.size() - inputRead_);
    std::memcpy(into, Input.data() + inputRead_, count);
    inputRead_ += count;
    return static_cast<int64_t>(count);
}

bool FakeFileSystem::WriteOutput(std::string_view bytes) {
    if (Step("WriteOutput"))
        return Fail();
    Output += bytes;
    return true;
}

bool FakeFileSystem::InputIsOutput() {
    return InputIsTheOutput;
}

// The one folder is the root: nothing above it but the real root's .editorconfig, if any.
bool FakeFileSystem::FullName(std::string_view name, std::string& full) {
    if (Step("FullName"))
        return Fail();
    full.assign(1, '/');
    full += name;
    return true;
}

bool FakeFileSystem::CreateEmpty(std::string_view name) {
    if (Step("CreateEmpty"))
        return Fail();
    if (Names.contains(std::string(name))) {
        error_ = "File exists";
        return false;
    }
    Put(std::string(name), "");
    return true;
}

char FakeFileSystem::Separator() {
    return PathSeparator;
}

bool FakeFileSystem::NameExists(std::string_view name) {
    return Names.contains(std::string(name));
}

bool FakeFileSystem::IdentityOf(std::string_view name, FileIdentity& identity) {
    const auto found = Names.find(std::string(name));
    if (found == Names.end()) {
        error_ = "No such file or directory";
        return false;
    }
    identity = {1, found->second->Number};
    return true;
}

bool FakeFileSystem::IsFileSystemRoot(std::string_view name) {
    return name == "/";
}

bool FakeFileSystem::IsFolder(std::string_view name) {
    const auto found = Names.find(std::string(name));
    return found != Names.end() && found->second->Directory;
}

// Names with a "/" are files in folders: "d/a.pb" is a in d.
bool FakeFileSystem::ListFolder(std::string_view name, std::vector<FolderEntry>& entries) {
    if (Step("ListFolder"))
        return Fail();
    const std::string prefix = std::string(name) + "/";
    for (const auto& [path, inode] : Names) {
        if (path.starts_with(prefix) && path.find('/', prefix.size()) == std::string::npos)
            entries.push_back({path.substr(prefix.size()), inode->Directory ? EntryKind::Folder : EntryKind::Other});
    }
    return true;
}

CommandRun RunCommandInMemory(FakeFileSystem& files, const std::vector<std::string>& arguments,
                              const CleanEnvironment& environment) {
    std::FILE* errors = std::tmpfile();
    CommandRun run;
    run.Status = RunCleanCommand(arguments, environment, files, errors);
    std::rewind(errors);
    for (int c = std::fgetc(errors); c != EOF; c = std::fgetc(errors))
        run.Errors.push_back(static_cast<char>(c));
    std::fclose(errors);
    return run;
}

} // namespace brisklet::test
