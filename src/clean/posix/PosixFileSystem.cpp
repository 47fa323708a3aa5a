// brisklet-clean's file-system calls on Linux and macOS: every file reached through its folder's
// descriptor, temporary files removed by any signal that ends the program.
#include "clean/PlatformFileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#if defined(__linux__) || defined(__APPLE__)
#include <sys/xattr.h>
#endif

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <mutex>
#include <vector>

#include "runtime/posix/PosixIo.h"

namespace brisklet {

namespace {

// The temporary files of the rewrites under way, for the signal handler: every job may hold two
// at once (a write-through keeps the new text and the old). Slots are taken under the lock, as
// several jobs create files at once; the handler only reads them.
struct TemporarySlot {
    volatile sig_atomic_t InUse = 0;
    int Folder = -1;
    char Leaf[NAME_MAX + 1] = {};
};
constexpr int SlotCount = static_cast<int>(MostTemporaryFiles);
TemporarySlot TemporarySlots[SlotCount];
std::mutex SlotLock;

bool EndsProgram(int signalNumber) {
    switch (signalNumber) {
    case SIGKILL:
    case SIGSTOP:
    case SIGCHLD:
    case SIGCONT:
    case SIGTSTP:
    case SIGTTIN:
    case SIGTTOU:
    case SIGURG:
#ifdef SIGWINCH
    case SIGWINCH:
#endif
#ifdef SIGINFO
    case SIGINFO:
#endif
        return false;
    default:
        return true;
    }
}

#ifdef NSIG
constexpr int SignalCount = NSIG;
#else
constexpr int SignalCount = 65;
#endif

// The jobs inside a step that must not be cut short (HoldSignals), and a signal that came
// meanwhile: the last job to leave ends the program by it.
std::atomic<int> HeldSteps = 0;
std::atomic<int> PendingSignal = 0;
static_assert(std::atomic<int>::is_always_lock_free, "used by the signal handler");

void RemoveTemporariesAndDie(int signalNumber) {
    for (TemporarySlot& slot : TemporarySlots) {
        if (slot.InUse != 0)
            ::unlinkat(slot.Folder, slot.Leaf, 0);
    }
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
}

// The signal is noted before the count is looked at, and taken back by exchange: whichever of
// the handler and the last job to leave sees both, and only one, ends the program.
void OnEndingSignal(int signalNumber) {
    PendingSignal.store(signalNumber);
    if (HeldSteps.load() != 0)
        return;
    if (const int pending = PendingSignal.exchange(0); pending != 0)
        RemoveTemporariesAndDie(pending);
}

// Holds the signals back while a temporary file comes or goes, so that the handler's list is
// always whole.
class SignalsHeld {
public:
    SignalsHeld() {
        sigset_t held;
        sigfillset(&held);
        sigprocmask(SIG_BLOCK, &held, &previous_);
    }
    ~SignalsHeld() { sigprocmask(SIG_SETMASK, &previous_, nullptr); }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

private:
    sigset_t previous_{};
};

int64_t Nanoseconds(const timespec& time) {
    return static_cast<int64_t>(time.tv_sec) * 1000000000 + time.tv_nsec;
}

FileFacts FactsFrom(const struct stat& status) {
    FileFacts facts;
    facts.Kind = S_ISREG(status.st_mode) ? FileKind::Regular
                 : S_ISDIR(status.st_mode) ? FileKind::Directory
                                           : FileKind::Other;
    facts.Device = static_cast<uint64_t>(status.st_dev);
    facts.Inode = static_cast<uint64_t>(status.st_ino);
    facts.Size = static_cast<uint64_t>(status.st_size);
    facts.Links = static_cast<uint64_t>(status.st_nlink);
#ifdef __APPLE__
    facts.Modified = Nanoseconds(status.st_mtimespec);
    facts.Changed = Nanoseconds(status.st_ctimespec);
#else
    facts.Modified = Nanoseconds(status.st_mtim);
    facts.Changed = Nanoseconds(status.st_ctim);
#endif
    facts.Mode = static_cast<uint32_t>(status.st_mode);
    facts.Owner = static_cast<uint32_t>(status.st_uid);
    facts.Group = static_cast<uint32_t>(status.st_gid);
    return facts;
}

constexpr int FolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

// Opens a folder named from another one (or from the current folder): at once, or one part
// at a time where the whole name is too long for the system.
Descriptor OpenFolder(int from, const std::string& path) {
    if (path.empty())
        return Descriptor(::openat(from, ".", FolderFlags));
    Descriptor direct(::openat(from, path.c_str(), FolderFlags));
    if (direct.Valid() || errno != ENAMETOOLONG)
        return direct;
    Descriptor current(::openat(path.front() == '/' ? AT_FDCWD : from, path.front() == '/' ? "/" : ".", FolderFlags));
    for (size_t start = 0; current.Valid() && start < path.size();) {
        size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        if (end > start)
            current = Descriptor(::openat(current.Get(), path.substr(start, end - start).c_str(), FolderFlags));
        start = end + 1;
    }
    return current;
}

struct Place {
    Descriptor Folder;
    std::string Leaf;
    std::string ShownFolder; // "" or ending in "/"
};

void SplitName(const std::string& name, std::string& folder, std::string& leaf) {
    const size_t slash = name.rfind('/');
    if (slash == std::string::npos) {
        folder.clear();
        leaf = name;
    } else {
        folder = name.substr(0, slash == 0 ? 1 : slash);
        leaf = name.substr(slash + 1);
    }
    if (leaf.empty())
        leaf.assign(1, '.'); // a name ending in "/" is the folder itself
}

// The folder and name of the file a name leads to, every link followed (a link is not rewritten:
// the file it leads to is, and the link stays).
bool Locate(const std::string& name, Place& place) {
    std::string folder;
    SplitName(name, folder, place.Leaf);
    place.ShownFolder = folder.empty() ? "" : (folder == "/" ? folder : folder + "/");
    place.Folder = OpenFolder(AT_FDCWD, folder);
    if (!place.Folder.Valid())
        return false;
    for (int hops = 0;; ++hops) {
        struct stat status {};
        if (::fstatat(place.Folder.Get(), place.Leaf.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0)
            return false;
        if (!S_ISLNK(status.st_mode))
            return true;
        if (hops == 40) {
            errno = ELOOP;
            return false;
        }
        std::string target(PATH_MAX, '\0');
        const ssize_t length = ::readlinkat(place.Folder.Get(), place.Leaf.c_str(), target.data(), target.size());
        if (length < 0)
            return false;
        target.resize(static_cast<size_t>(length));
        SplitName(target, folder, place.Leaf);
        const bool absolute = target.front() == '/';
        place.Folder = OpenFolder(absolute ? AT_FDCWD : place.Folder.Get(), folder);
        if (!place.Folder.Valid())
            return false;
        const std::string shown = folder.empty() ? "" : (folder == "/" ? folder : folder + "/");
        place.ShownFolder = absolute ? shown : place.ShownFolder + shown;
    }
}

#if defined(__linux__) || defined(__APPLE__)
ssize_t ListAttributes(int fd, char* names, size_t size) {
#ifdef __APPLE__
    return ::flistxattr(fd, names, size, 0);
#else
    return ::flistxattr(fd, names, size);
#endif
}

ssize_t GetAttribute(int fd, const char* name, void* value, size_t size) {
#ifdef __APPLE__
    return ::fgetxattr(fd, name, value, size, 0, 0);
#else
    return ::fgetxattr(fd, name, value, size);
#endif
}

int SetAttribute(int fd, const char* name, const void* value, size_t size) {
#ifdef __APPLE__
    return ::fsetxattr(fd, name, value, size, 0, 0);
#else
    return ::fsetxattr(fd, name, value, size, 0);
#endif
}

// Every extended attribute, ACLs included.
bool CopyAttributes(int from, int to) {
    std::string names(4096, '\0');
    ssize_t listed = 0;
    while ((listed = ListAttributes(from, names.data(), names.size())) < 0 && errno == ERANGE)
        names.resize(names.size() * 4);
    if (listed < 0)
        return errno == ENOTSUP;
    std::string value;
    for (size_t at = 0; at < static_cast<size_t>(listed);) {
        const char* name = names.c_str() + at;
        at += std::strlen(name) + 1;
        ssize_t size = 0;
        value.resize(256);
        while ((size = GetAttribute(from, name, value.data(), value.size())) < 0 && errno == ERANGE)
            value.resize(value.size() * 4);
        if (size < 0 || SetAttribute(to, name, value.data(), static_cast<size_t>(size)) != 0)
            return false;
    }
    return true;
}

// A file's access list is the attribute its folder's default list is inherited as: the new
// file loses one the file did not have.
bool DropInheritedAccessList(int from, int to) {
#ifdef __linux__
    constexpr const char* AccessList = "system.posix_acl_access";
    if (GetAttribute(from, AccessList, nullptr, 0) >= 0)
        return true; // the file's own list is copied over it
    if (errno != ENODATA && errno != ENOTSUP)
        return false;
    return ::fremovexattr(to, AccessList) == 0 || errno == ENODATA || errno == ENOTSUP;
#else
    static_cast<void>(from);
    static_cast<void>(to);
    return true;
#endif
}
#else
bool CopyAttributes(int, int) {
    return true;
}

bool DropInheritedAccessList(int, int) {
    return true;
}
#endif

} // namespace

struct PlatformFileSystem::State {
    struct Entry {
        int Descriptor = -1;
        int Folder = -1;   // the folder the name below is in
        std::string Leaf;  // the name in it
        std::string Shown; // the name for messages
        int Slot = -1;     // a temporary file's place in the signal handler's list
    };
    std::vector<Entry> Entries;
    int Error = 0;
    // Folders a file was replaced in since the last FlushFolders.
    struct Pending {
        dev_t Device = 0;
        ino_t Inode = 0;
        int Folder = -1;
        std::string Shown;
    };
    std::vector<Pending> Folders;

    Entry& At(FileId file) { return Entries[static_cast<size_t>(file - 1)]; }
    FileId Add(Entry entry) {
        Entries.push_back(std::move(entry));
        return static_cast<FileId>(Entries.size());
    }
    bool Fail(int error) {
        Error = error;
        return false;
    }
};

PlatformFileSystem::PlatformFileSystem() : state_(std::make_unique<State>()) {}

PlatformFileSystem::~PlatformFileSystem() {
    static_cast<void>(FlushFolders());
    for (FileId file = 1; file <= static_cast<FileId>(state_->Entries.size()); ++file) {
        if (state_->At(file).Slot >= 0)
            Remove(file);
        else
            Close(file);
    }
}

std::string PlatformFileSystem::LastError() {
    return std::strerror(state_->Error);
}

bool PlatformFileSystem::OpenSource(std::string_view name, FileId& source, FileFacts& facts) {
    source = 0;
    Place place;
    if (!Locate(std::string(name), place))
        return state_->Fail(errno);
    // Asked before opening: opening a FIFO waits for a writer, and a device may act on it.
    struct stat status {};
    Descriptor file;
    bool found = ::fstatat(place.Folder.Get(), place.Leaf.c_str(), &status, 0) == 0;
    if (found && S_ISREG(status.st_mode)) {
        file = Descriptor(::openat(place.Folder.Get(), place.Leaf.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
        found = file.Valid() && ::fstat(file.Get(), &status) == 0;
    }
    if (!found)
        return state_->Fail(errno);
    facts = FactsFrom(status);
    if (facts.Kind != FileKind::Regular)
        return true;
    source = state_->Add({file.Release(), place.Folder.Release(), place.Leaf, place.ShownFolder + place.Leaf, -1});
    return true;
}

int64_t PlatformFileSystem::Read(FileId file, char* into, size_t capacity) {
    const int64_t got = ReadSome(state_->At(file).Descriptor, into, capacity);
    if (got < 0)
        state_->Error = errno;
    return got;
}

bool PlatformFileSystem::ReadAt(FileId file, uint64_t offset, size_t count, std::string& into) {
    return ReadFullyAt(state_->At(file).Descriptor, offset, count, into) || state_->Fail(errno);
}

bool PlatformFileSystem::FactsOf(FileId file, FileFacts& facts) {
    struct stat status {};
    if (::fstat(state_->At(file).Descriptor, &status) != 0)
        return state_->Fail(errno);
    facts = FactsFrom(status);
    return true;
}

bool PlatformFileSystem::FactsByName(FileId source, FileFacts& facts) {
    struct stat status {};
    if (::fstatat(state_->At(source).Folder, state_->At(source).Leaf.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0)
        return state_->Fail(errno);
    facts = FactsFrom(status);
    return true;
}

bool PlatformFileSystem::OpenForWriting(FileId source, FileId& writable) {
    const State::Entry& entry = state_->At(source);
    const int fd = ::openat(entry.Folder, entry.Leaf.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return state_->Fail(errno);
    writable = state_->Add({fd, -1, {}, entry.Shown, -1});
    return true;
}

namespace {

// A free place in the signal handler's list, taken under SlotLock; -1 when every one is taken.
int FreeSlot() {
    int slot = 0;
    while (slot < SlotCount && TemporarySlots[slot].InUse != 0)
        ++slot;
    return slot == SlotCount ? -1 : slot;
}

// The name of the copy a write through keeps: the file's, cut where it leaves no room for the
// suffix, so that the next run finds it under the same name.
std::string BackupLeaf(const std::string& leaf) {
    return leaf.substr(0, std::min(leaf.size(), NAME_MAX - BackupSuffix.size())) + std::string(BackupSuffix);
}

// Called with SlotLock and the signals held: the new file joins the handler's list.
FileId AddTemporary(PlatformFileSystem::State& state, FileId source, int slot, int fd, const std::string& leaf) {
    const PlatformFileSystem::State::Entry& entry = state.At(source);
    const int folder = ::dup(entry.Folder);
    if (folder < 0) {
        const int error = errno;
        ::unlinkat(entry.Folder, leaf.c_str(), 0);
        ::close(fd);
        state.Fail(error);
        return 0;
    }
    TemporarySlots[slot].Folder = folder;
    std::memcpy(TemporarySlots[slot].Leaf, leaf.c_str(), leaf.size() + 1);
    TemporarySlots[slot].InUse = 1;
    const std::string shown = entry.Shown.substr(0, entry.Shown.size() - entry.Leaf.size()) + leaf;
    return state.Add({fd, folder, leaf, shown, slot});
}

} // namespace

bool PlatformFileSystem::CreateBeside(FileId source, FileId& temporary) {
    const State::Entry& entry = state_->At(source);
    const std::lock_guard lock(SlotLock);
    const int slot = FreeSlot();
    if (slot < 0)
        return state_->Fail(EMFILE);
    static unsigned counter = 0;
    unsigned seed = static_cast<unsigned>(::getpid()) * 2654435761u ^ static_cast<unsigned>(std::time(nullptr));
    const SignalsHeld held;
    for (const bool besideIt : {true, false}) {
        for (int attempt = 0; attempt < 100; ++attempt) {
            seed = seed * 1664525u + 1013904223u + ++counter;
            std::string leaf = (besideIt ? entry.Leaf : std::string()) + ".brisklet-";
            for (int shift = 28; shift >= 0; shift -= 4)
                leaf.push_back("0123456789abcdef"[(seed >> shift) & 0xF]);
            if (leaf.size() > NAME_MAX)
                break; // a name at the length limit leaves no room for the suffix
            // Readable by the owner alone until it is complete.
            const int fd =
                ::openat(entry.Folder, leaf.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0600);
            if (fd < 0 && errno == EEXIST)
                continue;
            if (fd < 0 && errno == ENAMETOOLONG)
                break;
            if (fd < 0)
                return state_->Fail(errno);
            temporary = AddTemporary(*state_, source, slot, fd, leaf);
            return temporary != 0;
        }
    }
    return state_->Fail(ENAMETOOLONG);
}

bool PlatformFileSystem::CreateBackup(FileId source, FileId& backup) {
    const std::string leaf = BackupLeaf(state_->At(source).Leaf);
    const int folder = state_->At(source).Folder;
    {
        const std::lock_guard lock(SlotLock);
        const int slot = FreeSlot();
        if (slot < 0)
            return state_->Fail(EMFILE);
        const SignalsHeld held;
        const int fd = ::openat(folder, leaf.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0600);
        if (fd < 0)
            return state_->Fail(errno);
        backup = AddTemporary(*state_, source, slot, fd, leaf);
        if (backup == 0)
            return false;
    }
    return ::fsync(folder) == 0 || state_->Fail(errno);
}

bool PlatformFileSystem::FindBackup(FileId source, std::string& shown) {
    const State::Entry& entry = state_->At(source);
    const std::string leaf = BackupLeaf(entry.Leaf);
    struct stat status {};
    if (::fstatat(entry.Folder, leaf.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    shown = entry.Shown.substr(0, entry.Shown.size() - entry.Leaf.size()) + leaf;
    return true;
}

LockState PlatformFileSystem::Lock(FileId source, bool wait) {
    for (;;) {
        if (::flock(state_->At(source).Descriptor, LOCK_EX | (wait ? 0 : LOCK_NB)) == 0)
            return LockState::Taken;
        if (errno == EINTR)
            continue;
        if (errno == EWOULDBLOCK)
            return LockState::Busy;
        // Some network file systems have no locks at all.
        if (errno == ENOLCK || errno == EOPNOTSUPP || errno == EINVAL)
            return LockState::Taken;
        state_->Fail(errno);
        return LockState::Failed;
    }
}

void PlatformFileSystem::HoldSignals() {
    HeldSteps.fetch_add(1);
}

void PlatformFileSystem::ReleaseSignals() {
    if (HeldSteps.fetch_sub(1) != 1)
        return;
    if (const int pending = PendingSignal.exchange(0); pending != 0)
        RemoveTemporariesAndDie(pending);
}

bool PlatformFileSystem::Write(FileId file, std::string_view bytes) {
    return WriteFully(state_->At(file).Descriptor, bytes) || state_->Fail(errno);
}

bool PlatformFileSystem::WriteAt(FileId file, uint64_t offset, std::string_view bytes) {
    return WriteFully(state_->At(file).Descriptor, bytes, static_cast<int64_t>(offset)) || state_->Fail(errno);
}

bool PlatformFileSystem::Reserve(FileId file, uint64_t size) {
    const int fd = state_->At(file).Descriptor;
#if defined(__linux__)
    // Room beyond the end, the file's size unchanged: until the write, the file is as it was.
    if (::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size)) == 0)
        return true;
    // A file system that cannot reserve: the write goes ahead, with the old text kept to put back.
    return errno == EOPNOTSUPP || errno == ENOSYS ? true : state_->Fail(errno);
#elif defined(__APPLE__)
    fstore_t store{F_ALLOCATEALL, F_PEOFPOSMODE, 0, static_cast<off_t>(size), 0};
    if (::fcntl(fd, F_PREALLOCATE, &store) == 0)
        return true;
    return errno == ENOTSUP ? true : state_->Fail(errno);
#else
    static_cast<void>(fd);
    static_cast<void>(size);
    return true;
#endif
}

bool PlatformFileSystem::Truncate(FileId file, uint64_t size) {
    return ::ftruncate(state_->At(file).Descriptor, static_cast<off_t>(size)) == 0 || state_->Fail(errno);
}

bool PlatformFileSystem::Flush(FileId file) {
    return ::fsync(state_->At(file).Descriptor) == 0 || state_->Fail(errno);
}

void PlatformFileSystem::StartFlush(FileId file) {
#ifdef SYNC_FILE_RANGE_WRITE
    (void)::sync_file_range(state_->At(file).Descriptor, 0, 0, SYNC_FILE_RANGE_WRITE);
#else
    (void)file; // no such request here: Flush does all the waiting
#endif
}

bool PlatformFileSystem::CopyPermissions(FileId temporary, FileId source, const FileFacts& facts) {
    const int fd = state_->At(temporary).Descriptor;
    // Owner and group as far as the system allows; root always, or the file is left as it was.
    if (::fchown(fd, static_cast<uid_t>(facts.Owner), static_cast<gid_t>(facts.Group)) != 0) {
        if (::geteuid() == 0)
            return state_->Fail(errno);
        [[maybe_unused]] const int groupOnly = ::fchown(fd, static_cast<uid_t>(-1), static_cast<gid_t>(facts.Group));
    }
    // The access list a folder's default list gave the new file, when the file had none. Then
    // the mode, which a change of owner may have cut down.
    if (!DropInheritedAccessList(state_->At(source).Descriptor, fd) ||
        ::fchmod(fd, static_cast<mode_t>(facts.Mode & 07777)) != 0)
        return state_->Fail(errno);
    return CopyAttributes(state_->At(source).Descriptor, fd) || state_->Fail(errno);
}

bool PlatformFileSystem::Replace(FileId temporary, FileId source) {
    State::Entry& entry = state_->At(temporary);
    const SignalsHeld held;
    const bool renamed = ::renameat(entry.Folder, entry.Leaf.c_str(), state_->At(source).Folder, state_->At(source).Leaf.c_str()) == 0;
    const int error = errno;
    if (!renamed)
        ::unlinkat(entry.Folder, entry.Leaf.c_str(), 0);
    TemporarySlots[entry.Slot].InUse = 0;
    entry.Slot = -1;
    Close(temporary);
    return renamed || state_->Fail(error);
}

bool PlatformFileSystem::NoteFolderToFlush(FileId source) {
    const State::Entry& entry = state_->At(source);
    struct stat status {};
    if (::fstat(entry.Folder, &status) != 0)
        return state_->Fail(errno);
    for (const State::Pending& pending : state_->Folders) {
        if (pending.Device == status.st_dev && pending.Inode == status.st_ino)
            return true;
    }
    const int folder = ::dup(entry.Folder);
    if (folder < 0)
        return state_->Fail(errno);
    const std::string shown = entry.Shown.substr(0, entry.Shown.size() - entry.Leaf.size());
    state_->Folders.push_back({status.st_dev, status.st_ino, folder, shown.empty() ? "." : shown});
    return true;
}

std::vector<FolderTrouble> PlatformFileSystem::FlushFolders() {
    std::vector<FolderTrouble> troubles;
    for (const State::Pending& pending : state_->Folders) {
        if (::fsync(pending.Folder) != 0)
            troubles.push_back({pending.Shown, std::strerror(errno)});
        ::close(pending.Folder);
    }
    state_->Folders.clear();
    return troubles;
}

void PlatformFileSystem::Remove(FileId temporary) {
    State::Entry& entry = state_->At(temporary);
    const SignalsHeld held;
    if (entry.Slot >= 0) {
        ::unlinkat(entry.Folder, entry.Leaf.c_str(), 0);
        TemporarySlots[entry.Slot].InUse = 0;
        entry.Slot = -1;
    }
    Close(temporary);
}

std::string PlatformFileSystem::KeepTemporary(FileId temporary) {
    State::Entry& entry = state_->At(temporary);
    {
        const SignalsHeld held;
        if (entry.Slot >= 0)
            TemporarySlots[entry.Slot].InUse = 0;
        entry.Slot = -1;
    }
    const std::string shown = entry.Shown;
    Close(temporary);
    return shown;
}

void PlatformFileSystem::Close(FileId file) {
    State::Entry& entry = state_->At(file);
    for (int* fd : {&entry.Descriptor, &entry.Folder}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

int64_t PlatformFileSystem::ReadInput(char* into, size_t capacity) {
    const int64_t got = ReadSome(STDIN_FILENO, into, capacity);
    if (got < 0)
        state_->Error = errno;
    return got;
}

bool PlatformFileSystem::WriteOutput(std::string_view bytes) {
    return WriteFully(STDOUT_FILENO, bytes) || state_->Fail(errno);
}

bool PlatformFileSystem::InputIsOutput() {
    struct stat input {};
    struct stat output {};
    return ::fstat(STDIN_FILENO, &input) == 0 && ::fstat(STDOUT_FILENO, &output) == 0 && S_ISREG(input.st_mode) &&
           input.st_dev == output.st_dev && input.st_ino == output.st_ino;
}

bool PlatformFileSystem::FullName(std::string_view name, std::string& full) {
    std::string path(name);
    if (!path.starts_with('/')) {
        const std::unique_ptr<char, decltype(&std::free)> folder(::getcwd(nullptr, 0), &std::free);
        if (folder == nullptr)
            return state_->Fail(errno);
        path = std::string(folder.get()) + "/" + path;
    }
    full = std::filesystem::path(path).lexically_normal().string();
    return true;
}

bool PlatformFileSystem::CreateEmpty(std::string_view name) {
    const int created = ::open(std::string(name).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (created < 0)
        return state_->Fail(errno);
    ::close(created);
    return true;
}

char PlatformFileSystem::Separator() {
    return '/';
}

bool PlatformFileSystem::NameExists(std::string_view name) {
    struct stat status {};
    return ::lstat(std::string(name).c_str(), &status) == 0;
}

bool PlatformFileSystem::IdentityOf(std::string_view name, FileIdentity& identity) {
    struct stat status {};
    if (::stat(std::string(name).c_str(), &status) != 0)
        return state_->Fail(errno);
    identity = {static_cast<uint64_t>(status.st_dev), static_cast<uint64_t>(status.st_ino)};
    return true;
}

bool PlatformFileSystem::IsFileSystemRoot(std::string_view name) {
    FileIdentity named;
    FileIdentity root;
    return IdentityOf(name, named) && IdentityOf("/", root) && named == root;
}

bool PlatformFileSystem::IsFolder(std::string_view name) {
    struct stat status {};
    const Descriptor folder = OpenFolder(AT_FDCWD, std::string(name));
    return folder.Valid() && ::fstat(folder.Get(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool PlatformFileSystem::ListFolder(std::string_view name, std::vector<FolderEntry>& entries) {
    Descriptor opened = OpenFolder(AT_FDCWD, std::string(name));
    DIR* listing = opened.Valid() ? ::fdopendir(opened.Get()) : nullptr;
    if (listing == nullptr)
        return state_->Fail(errno);
    // The listing owns the descriptor from here on.
    const int folder = opened.Release();
    errno = 0;
    for (const dirent* entry = ::readdir(listing); entry != nullptr; entry = ::readdir(listing)) {
        const std::string_view leaf = entry->d_name;
        if (leaf == "." || leaf == "..")
            continue;
        EntryKind kind = entry->d_type == DT_DIR ? EntryKind::Folder : EntryKind::Other;
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            struct stat named {};
            struct stat target {};
            const bool link = ::fstatat(folder, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
                              S_ISLNK(named.st_mode);
            if (::fstatat(folder, entry->d_name, &target, 0) == 0 && S_ISDIR(target.st_mode))
                kind = link ? EntryKind::LinkToFolder : EntryKind::Folder;
        }
        entries.push_back({std::string(leaf), kind});
        errno = 0;
    }
    const int error = errno;
    ::closedir(listing);
    return error == 0 || state_->Fail(error);
}

void InstallRewriteSignalHandlers() {
    for (int signalNumber = 1; signalNumber < SignalCount; ++signalNumber) {
        if (!EndsProgram(signalNumber))
            continue;
        struct sigaction previous {};
        if (sigaction(signalNumber, nullptr, &previous) != 0 || previous.sa_handler != SIG_DFL)
            continue; // ignored on purpose by whoever started us (nohup), or not ours to take
        struct sigaction action {};
        action.sa_handler = OnEndingSignal;
        sigemptyset(&action.sa_mask);
        sigaction(signalNumber, &action, nullptr);
    }
}

} // namespace brisklet
