// brisklet-clean's files and streams on Linux and macOS: descriptors, and the rewrite through a
// temporary file beside the source that is renamed over it.
#include "clean/FileRewrite.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#if defined(__linux__) || defined(__APPLE__)
#include <sys/xattr.h>
#endif

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "cleaning/SourceCleaning.h"

namespace brisklet {

namespace {

int64_t ReadAll(int fd, char* into, size_t capacity) {
    for (;;) {
        const ssize_t got = ::read(fd, into, capacity);
        if (got >= 0 || errno != EINTR)
            return got;
    }
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t put = ::write(fd, bytes.data(), bytes.size());
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        bytes.remove_prefix(static_cast<size_t>(put));
    }
    return true;
}

bool ReadAt(int fd, uint64_t offset, size_t count, std::string& into) {
    into.resize(count);
    size_t done = 0;
    while (done < count) {
        const ssize_t got = ::pread(fd, into.data() + done, count - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            break;
        done += static_cast<size_t>(got);
    }
    into.resize(done);
    return true;
}


// The temporary file of the rewrite under way, for the signal handler.
char TemporaryPath[PATH_MAX + 32];
volatile sig_atomic_t TemporaryExists = 0;

constexpr int RewriteSignals[] = {SIGINT, SIGTERM, SIGHUP};

void RemoveTemporaryAndDie(int signalNumber) {
    if (TemporaryExists != 0)
        ::unlink(TemporaryPath);
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
}

// Holds the signals back while the file system changes in a step that must not be cut short.
class SignalsHeld {
public:
    SignalsHeld() {
        sigset_t held;
        sigemptyset(&held);
        for (const int signalNumber : RewriteSignals)
            sigaddset(&held, signalNumber);
        sigprocmask(SIG_BLOCK, &held, &previous_);
    }
    ~SignalsHeld() { sigprocmask(SIG_SETMASK, &previous_, nullptr); }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

private:
    sigset_t previous_{};
};

// One rewrite: the file as it was found, and the temporary file beside it once the result
// first differs. The temporary file goes away with the object unless it became the file.
struct Rewrite {
    std::string Target;
    struct stat Found {};
    int Source = -1;
    int Writable = -1;
    int Temporary = -1;
    std::string TemporaryName;

    Rewrite() = default;
    Rewrite(const Rewrite&) = delete;
    Rewrite& operator=(const Rewrite&) = delete;
    ~Rewrite() {
        if (Temporary >= 0) {
            const SignalsHeld held;
            ::close(Temporary);
            ::unlink(TemporaryName.c_str());
            TemporaryExists = 0;
        }
        for (const int fd : {Source, Writable}) {
            if (fd >= 0)
                ::close(fd);
        }
    }
};

// Readable by the owner alone until it is complete.
bool CreateTemporary(Rewrite& rewrite) {
    const SignalsHeld held;
    for (const bool besideIt : {true, false}) {
        std::string name = rewrite.Target;
        if (!besideIt) // a name at the length limit leaves no room for the suffix
            name = name.substr(0, name.rfind('/') + 1) + ".brisklet";
        name += ".brisklet-XXXXXX";
        if (name.size() >= sizeof TemporaryPath)
            continue;
        const int fd = ::mkstemp(name.data());
        if (fd < 0 && errno == ENAMETOOLONG)
            continue;
        if (fd < 0)
            return false;
        std::memcpy(TemporaryPath, name.c_str(), name.size() + 1);
        TemporaryExists = 1;
        rewrite.Temporary = fd;
        rewrite.TemporaryName = name;
        return true;
    }
    errno = ENAMETOOLONG;
    return false;
}

// The unchanged start of the file, copied from the file itself.
bool CopyStart(Rewrite& rewrite, uint64_t length) {
    std::string chunk;
    for (uint64_t at = 0; at < length;) {
        if (!ReadAt(rewrite.Source, at, static_cast<size_t>(std::min<uint64_t>(RereadChunk, length - at)), chunk))
            return false;
        if (chunk.empty()) {
            errno = EIO;
            return false;
        }
        if (!WriteAll(rewrite.Temporary, chunk))
            return false;
        at += chunk.size();
    }
    return true;
}

bool StartRewrite(Rewrite& rewrite, uint64_t unchangedLength) {
    // The rename would replace a file the user may not write; ask the file itself first.
    rewrite.Writable = ::open(rewrite.Target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    return rewrite.Writable >= 0 && CreateTemporary(rewrite) && CopyStart(rewrite, unchangedLength);
}

timespec ModificationTime(const struct stat& status) {
#ifdef __APPLE__
    return status.st_mtimespec;
#else
    return status.st_mtim;
#endif
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           ModificationTime(a).tv_sec == ModificationTime(b).tv_sec &&
           ModificationTime(a).tv_nsec == ModificationTime(b).tv_nsec;
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

// Every extended attribute of the file, ACLs included, onto the temporary file.
bool CopyAttributes(const Rewrite& rewrite, std::string& reason) {
    std::string names(4096, '\0');
    ssize_t listed = 0;
    while ((listed = ListAttributes(rewrite.Source, names.data(), names.size())) < 0 && errno == ERANGE)
        names.resize(names.size() * 4);
    if (listed < 0) {
        if (errno == ENOTSUP)
            return true;
        reason = "cannot read its extended attributes: " + ErrorText(errno);
        return false;
    }
    std::string value;
    for (size_t at = 0; at < static_cast<size_t>(listed);) {
        const char* name = names.c_str() + at;
        at += std::strlen(name) + 1;
        ssize_t size = 0;
        value.resize(256);
        while ((size = GetAttribute(rewrite.Source, name, value.data(), value.size())) < 0 && errno == ERANGE)
            value.resize(value.size() * 4);
        if (size < 0 || SetAttribute(rewrite.Temporary, name, value.data(), static_cast<size_t>(size)) != 0) {
            reason = std::string("cannot keep its extended attribute ") + name + ": " + ErrorText(errno);
            return false;
        }
    }
    return true;
}
#else
bool CopyAttributes(const Rewrite&, std::string&) {
    return true;
}
#endif

// Owner and group as far as the system allows (root always), then the mode, which a change of
// owner may have cut down.
bool CopyOwnerAndMode(const Rewrite& rewrite, std::string& reason) {
    if (::fchown(rewrite.Temporary, rewrite.Found.st_uid, rewrite.Found.st_gid) != 0)
        static_cast<void>(::fchown(rewrite.Temporary, static_cast<uid_t>(-1), rewrite.Found.st_gid));
    if (::fchmod(rewrite.Temporary, rewrite.Found.st_mode & 07777) != 0) {
        reason = "cannot give the new file its mode: " + ErrorText(errno);
        return false;
    }
    return true;
}

bool SyncFolderOf(const std::string& path) {
    const std::string folder = path.substr(0, std::max<size_t>(path.rfind('/'), 1));
    const int fd = ::open(folder.c_str(), O_RDONLY | O_CLOEXEC | O_DIRECTORY);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

// A file with other names: the finished text goes through its own inode, from the complete
// copy already on disk beside it, so every name keeps the one file.
bool WriteThrough(Rewrite& rewrite, std::string& reason) {
    const SignalsHeld held;
    struct stat written {};
    if (::fstat(rewrite.Temporary, &written) != 0) {
        reason = ErrorText(errno);
        return false;
    }
    std::string chunk;
    for (uint64_t at = 0; at < static_cast<uint64_t>(written.st_size);) {
        if (!ReadAt(rewrite.Temporary, at, RereadChunk, chunk) || chunk.empty() ||
            ::pwrite(rewrite.Writable, chunk.data(), chunk.size(), static_cast<off_t>(at)) !=
                static_cast<ssize_t>(chunk.size())) {
            reason = "written only in part (" + ErrorText(errno) + "); the cleaned text is in " + rewrite.TemporaryName;
            ::close(rewrite.Temporary);
            rewrite.Temporary = -1; // kept: it is the only whole copy
            TemporaryExists = 0;
            return false;
        }
        at += chunk.size();
    }
    if (::ftruncate(rewrite.Writable, written.st_size) != 0 || ::fsync(rewrite.Writable) != 0) {
        reason = ErrorText(errno) + "; the cleaned text is in " + rewrite.TemporaryName;
        ::close(rewrite.Temporary);
        rewrite.Temporary = -1;
        TemporaryExists = 0;
        return false;
    }
    return true;
}

bool FinishRewrite(Rewrite& rewrite, std::string& reason) {
    struct stat now {};
    struct stat named {};
    if (::fstat(rewrite.Source, &now) != 0 || ::stat(rewrite.Target.c_str(), &named) != 0 ||
        !SameFile(now, rewrite.Found) || !SameFile(named, rewrite.Found)) {
        reason = "changed on disk while it was cleaned; left as it is";
        return false;
    }
    if (::fsync(rewrite.Temporary) != 0) {
        reason = ErrorText(errno);
        return false;
    }
    if (rewrite.Found.st_nlink > 1)
        return WriteThrough(rewrite, reason);
    if (!CopyOwnerAndMode(rewrite, reason) || !CopyAttributes(rewrite, reason))
        return false;
    {
        const SignalsHeld held;
        if (::rename(rewrite.TemporaryName.c_str(), rewrite.Target.c_str()) != 0) {
            reason = ErrorText(errno);
            return false;
        }
        ::close(rewrite.Temporary);
        rewrite.Temporary = -1;
        TemporaryExists = 0;
    }
    if (!SyncFolderOf(rewrite.Target)) {
        reason = "rewritten, but its folder could not be flushed to disk: " + ErrorText(errno);
        return false;
    }
    return true;
}

} // namespace

CleanOutcome CleanDescriptors(int in, int out, const std::vector<CleaningOperation>& operations, int32_t tabLength,
                              bool check) {
#ifdef F_SETPIPE_SZ
    // Pipes of several blocks let the programs of a pipeline take turns less often; 1 MiB is
    // the usual limit for a user who is not root.
    constexpr int PipeSize = 1 << 20;
    for (const int fd : {in, out}) {
        struct stat status {};
        if (::fstat(fd, &status) == 0 && S_ISFIFO(status.st_mode) && ::fcntl(fd, F_GETPIPE_SZ) < PipeSize)
            static_cast<void>(::fcntl(fd, F_SETPIPE_SZ, PipeSize));
    }
#endif
    const ReadBytes read = [in](char* into, size_t capacity) { return ReadAll(in, into, capacity); };
    const CleanSink sink = check ? CleanSink{false, [](uint64_t) { return true; }, [](std::string_view) { return true; }}
                                 : CleanSink{true, {}, [out](std::string_view bytes) { return WriteAll(out, bytes); }};
    return CleanText(read, {}, sink, operations, tabLength);
}

FileResult RunOnFile(const std::string& path, const FileRun& run, bool check, std::string& reason) {
    Rewrite rewrite;
    // A link is followed: the file it points to is rewritten and the link stays.
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr) {
        reason = ErrorText(errno);
        return FileResult::Trouble;
    }
    rewrite.Target = resolved;
    // Asked before opening: opening a FIFO waits for a writer, and a device may act on it.
    struct stat named {};
    if (::stat(rewrite.Target.c_str(), &named) != 0) {
        reason = ErrorText(errno);
        return FileResult::Trouble;
    }
    if (S_ISDIR(named.st_mode)) {
        reason = ErrorText(EISDIR);
        return FileResult::Trouble;
    }
    if (!S_ISREG(named.st_mode)) {
        reason = "not a regular file";
        return FileResult::Trouble;
    }
    rewrite.Source = ::open(rewrite.Target.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (rewrite.Source < 0 || ::fstat(rewrite.Source, &rewrite.Found) != 0) {
        reason = ErrorText(errno);
        return FileResult::Trouble;
    }
    if (!S_ISREG(rewrite.Found.st_mode)) {
        reason = "not a regular file";
        return FileResult::Trouble;
    }
    const int source = rewrite.Source;
    const ReadBytes read = [source](char* into, size_t capacity) { return ReadAll(source, into, capacity); };
    const Rereading rereading = FileRereading(
        [source](uint64_t offset, size_t count, std::string& into) { return ReadAt(source, offset, count, into); },
        [source]() -> std::optional<uint64_t> {
            struct stat status {};
            if (::fstat(source, &status) != 0)
                return std::nullopt;
            return static_cast<uint64_t>(status.st_size);
        });
    const CleanSink sink{false,
                         [&](uint64_t unchangedLength) { return check || StartRewrite(rewrite, unchangedLength); },
                         [&](std::string_view bytes) { return check || WriteAll(rewrite.Temporary, bytes); }};
    const CleanOutcome outcome = run(read, rereading, sink);
    if (const std::optional<FileResult> result = ResultBeforeRewrite(outcome, check, TroubleReason(outcome), reason))
        return *result;
    return FinishRewrite(rewrite, reason) ? FileResult::Rewritten : FileResult::Trouble;
}

void InstallRewriteSignalHandlers() {
    for (const int signalNumber : RewriteSignals) {
        struct sigaction action {};
        struct sigaction previous {};
        sigaction(signalNumber, nullptr, &previous);
        if (previous.sa_handler == SIG_IGN)
            continue; // ignored on purpose by whoever started us (nohup)
        action.sa_handler = RemoveTemporaryAndDie;
        sigemptyset(&action.sa_mask);
        sigaction(signalNumber, &action, nullptr);
    }
}

bool NameExists(const std::string& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0;
}

} // namespace brisklet
