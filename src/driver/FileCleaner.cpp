// brisklet-clean's work on one text: the byte order mark, the IDE's settings block, the case
// conversions' encoding, and the safe rewrite of a file.
#include "driver/FileCleaner.h"

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

#include "cleaning/Indentation.h"
#include "cleaning/StreamCleaning.h"

namespace brisklet {

namespace {

constexpr std::string_view Utf8ByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view SettingsBlockStart = "; IDE Options";
// Every "O" is a candidate for the "O" of "Options": memchr finds them at several gigabytes
// a second, and they are rare in source text.
constexpr size_t OptionsOffset = SettingsBlockStart.find('O');
constexpr size_t None = std::string_view::npos;

bool IsLineEnd(char c) {
    return c == '\n' || c == '\r';
}

bool HasNonAscii(std::string_view bytes) {
    return std::any_of(bytes.begin(), bytes.end(), [](char c) { return (static_cast<unsigned char>(c) & 0x80) != 0; });
}

// The result compared with the input while the two agree, so that an unchanged text is
// never written and a changed file gets only what differs written after its unchanged start.
struct ResultWatch {
    const CleanSink& Sink;
    ByteBuffer Input; // input the result has not yet been compared with
    size_t InputStart = 0;
    uint64_t Matched = 0;
    bool Diverged = false;
};

void NoteInput(ResultWatch& watch, std::string_view bytes) {
    if (watch.Sink.WritesAll || watch.Diverged)
        return;
    // What is left is what the stages still carry: a line or two.
    const size_t left = watch.Input.Size - watch.InputStart;
    if (watch.InputStart > 0 && left > 0)
        std::memmove(watch.Input.Data.get(), watch.Input.Data.get() + watch.InputStart, left);
    watch.Input.Size = left;
    watch.InputStart = 0;
    AppendBytes(watch.Input, bytes);
}

bool EmitResult(ResultWatch& watch, std::string_view bytes) {
    if (bytes.empty())
        return true;
    if (watch.Sink.WritesAll || watch.Diverged)
        return watch.Sink.Write(bytes);
    const std::string_view input = BufferView(watch.Input).substr(watch.InputStart);
    const size_t common = std::min(input.size(), bytes.size());
    const size_t same =
        static_cast<size_t>(std::mismatch(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(common), input.begin())
                                .first -
                            bytes.begin());
    if (same == bytes.size()) {
        watch.InputStart += same;
        watch.Matched += same;
        return true;
    }
    watch.Diverged = true;
    return watch.Sink.Diverge(watch.Matched + same) && watch.Sink.Write(bytes.substr(same));
}

// A result shorter than its input differs from it at its end.
bool FinishResult(ResultWatch& watch) {
    if (watch.Sink.WritesAll || watch.Diverged || watch.InputStart == watch.Input.Size)
        return true;
    watch.Diverged = true;
    return watch.Sink.Diverge(watch.Matched);
}

// The text read but not yet cleaned. Start is always a line start, so a settings block may
// begin there.
struct TextReader {
    ByteBuffer Pending;
    size_t Start = 0;       // Pending before it has gone to the pipeline
    uint64_t Base = 0;      // offset in the text of Pending's first byte
    size_t ScanFrom = 0;    // not yet searched for a settings block from here on
    size_t Held = None;     // the latest line beginning with "; IDE Options"
    size_t LineScanFrom = 0; // not yet searched for a line end from here on
    size_t LastLineStart = 0;
    size_t DecideFrom = 0; // not yet searched for a UTF-8 sequence from here on
    uint64_t SettingsAt = 0; // the settings block's offset, once learnt from the end of a file
    bool SettingsKnown = false;
    bool MarkChecked = false;
    bool Decided = false;
    bool StrayByte = false; // a byte beyond ASCII that starts no UTF-8 sequence went by
};

size_t ShiftedBack(size_t index, size_t by) {
    if (index == None)
        return None;
    return index > by ? index - by : 0;
}

void Compact(TextReader& reader) {
    const size_t by = reader.Start;
    if (by == 0)
        return;
    const size_t left = reader.Pending.Size - by;
    if (left > 0)
        std::memmove(reader.Pending.Data.get(), reader.Pending.Data.get() + by, left);
    reader.Pending.Size = left;
    reader.Base += by;
    reader.Start = 0;
    for (size_t* index : {&reader.ScanFrom, &reader.Held, &reader.LineScanFrom, &reader.LastLineStart,
                          &reader.DecideFrom})
        *index = ShiftedBack(*index, by);
}

// Looks at every line start whose first 13 bytes have come in (all of them at the end).
void FindSettingsStart(TextReader& reader, bool atEnd) {
    const std::string_view text = BufferView(reader.Pending);
    if (reader.SettingsKnown) {
        reader.ScanFrom = text.size();
        return;
    }
    const size_t limit = atEnd ? text.size() : (text.size() >= 12 ? text.size() - 12 : 0);
    if (limit <= reader.ScanFrom)
        return;
    for (size_t o = text.find('O', reader.ScanFrom + OptionsOffset); o != None && o - OptionsOffset < limit;
         o = text.find('O', o + 1)) {
        const size_t start = o - OptionsOffset;
        if (text.substr(start).starts_with(SettingsBlockStart) && (start == reader.Start || IsLineEnd(text[start - 1])))
            reader.Held = start;
    }
    reader.ScanFrom = limit;
}

// Where the source certainly goes on to: up to the latest settings block candidate, or up to
// the last line start before the bytes not yet searched for one.
size_t ReleasableEnd(TextReader& reader, bool atEnd) {
    if (reader.Held != None)
        return reader.Held;
    const std::string_view text = BufferView(reader.Pending);
    if (reader.SettingsKnown && reader.SettingsAt - reader.Base <= text.size())
        return static_cast<size_t>(reader.SettingsAt - reader.Base);
    if (atEnd)
        return text.size();
    size_t at = reader.ScanFrom;
    while (at > reader.LineScanFrom && !IsLineEnd(text[at - 1]))
        --at;
    if (at > reader.LineScanFrom)
        reader.LastLineStart = at;
    reader.LineScanFrom = reader.ScanFrom;
    return std::max(reader.LastLineStart, reader.Start);
}

// The length of the next slice of source: up to the last line end within a block, or to the
// first one after it; never inside a UTF-8 sequence.
size_t SliceLength(std::string_view source, size_t blockSize) {
    if (source.size() <= blockSize)
        return source.size();
    size_t at = blockSize;
    while (at > 0 && !IsLineEnd(source[at - 1]))
        --at;
    if (at > 0)
        return at;
    const size_t next = std::min(source.find('\n', blockSize), source.find('\r', blockSize));
    return next == None ? source.size() : next + 1;
}

enum class Decision { Release, Hold, Failed };

// The case conversions' encoding, decided before the first byte beyond ASCII reaches them:
// ASCII reads the same either way. A UTF-8 sequence anywhere in the source makes it UTF-8, so
// a stray byte before the first one is decided by looking further.
Decision DecideEncoding(TextReader& reader, size_t end, bool atEnd, const Rereading& rereading,
                        CleaningPipeline& pipeline) {
    const std::string_view fresh = BufferView(reader.Pending).substr(reader.DecideFrom, end - reader.DecideFrom);
    reader.DecideFrom = end;
    if (HoldsUtf8Sequence(fresh)) {
        reader.Decided = true;
        pipeline.Encoding = ByteEncoding::Utf8;
        return Decision::Release;
    }
    reader.StrayByte = reader.StrayByte || HasNonAscii(fresh);
    if (!reader.StrayByte)
        return Decision::Release;
    if (rereading.HoldsUtf8From) {
        const std::optional<bool> found = rereading.HoldsUtf8From(reader.Base + end);
        if (!found)
            return Decision::Failed;
        reader.Decided = true;
        pipeline.Encoding = *found ? ByteEncoding::Utf8 : ByteEncoding::SingleByte;
        return Decision::Release;
    }
    if (atEnd || reader.Pending.Size - reader.Start > PipeLookAheadLimit) {
        reader.Decided = true;
        pipeline.Encoding = ByteEncoding::SingleByte;
        return Decision::Release;
    }
    return Decision::Hold;
}

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

constexpr size_t ScanChunk = size_t{1} << 20;

// The start of a file's settings block, searched from the end backwards in chunks.
std::optional<uint64_t> SettingsStartOfFile(int fd, uint64_t size) {
    std::string chunk;
    uint64_t high = size;
    while (high > 0) {
        const uint64_t low = high > ScanChunk ? high - ScanChunk : 0;
        if (!ReadAt(fd, low, static_cast<size_t>(high - low), chunk))
            return std::nullopt;
        for (size_t at = chunk.rfind(SettingsBlockStart); at != None;
             at = at == 0 ? None : chunk.rfind(SettingsBlockStart, at - 1)) {
            if (at == 0 && low > 0)
                break; // the byte before it is in the next chunk, which holds it again
            const bool afterMark = low == 0 && at == Utf8ByteOrderMark.size() && chunk.starts_with(Utf8ByteOrderMark);
            if (at == 0 || afterMark || IsLineEnd(chunk[at - 1]))
                return low + at;
        }
        if (low == 0)
            break;
        high = low + SettingsBlockStart.size();
    }
    return size;
}

// Whether the file's source from offset on holds a UTF-8 sequence: read forwards in chunks
// that overlap by three bytes, so no sequence is cut.
std::optional<bool> FileHoldsUtf8From(int fd, uint64_t offset) {
    struct stat status {};
    if (fstat(fd, &status) != 0)
        return std::nullopt;
    const std::optional<uint64_t> end = SettingsStartOfFile(fd, static_cast<uint64_t>(status.st_size));
    if (!end)
        return std::nullopt;
    std::string chunk;
    for (uint64_t at = offset; at < *end;) {
        if (!ReadAt(fd, at, static_cast<size_t>(std::min<uint64_t>(ScanChunk, *end - at)), chunk))
            return std::nullopt;
        if (HoldsUtf8Sequence(chunk))
            return true;
        if (chunk.size() <= 3)
            break;
        at += chunk.size() - 3;
    }
    return false;
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

std::string ErrorText(int error) {
    return std::strerror(error);
}

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
        if (!ReadAt(rewrite.Source, at, static_cast<size_t>(std::min<uint64_t>(ScanChunk, length - at)), chunk))
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
        if (!ReadAt(rewrite.Temporary, at, ScanChunk, chunk) || chunk.empty() ||
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

CleanOutcome CleanText(const ReadBytes& read, const Rereading& rereading, const CleanSink& sink,
                       const std::vector<CleaningOperation>& operations, int32_t tabLength, size_t blockSize) {
    CleaningPipeline pipeline;
    StartPipeline(pipeline, operations, tabLength);
    TextReader reader;
    reader.Decided = !HoldsCaseConversion(operations);
    ResultWatch watch{sink, {}, 0, 0, false};
    ByteBuffer out;
    const auto fail = [](CleanEnd end) { return CleanOutcome{end, end == CleanEnd::ZeroByte ? 0 : errno, false}; };
    const auto pass = [&](std::string_view bytes) {
        if (sink.Piece) {
            sink.Piece(bytes, bytes, true);
            return true;
        }
        NoteInput(watch, bytes);
        return EmitResult(watch, bytes);
    };
    for (bool atEnd = false; !atEnd;) {
        Compact(reader);
        char* const into = ReserveBytes(reader.Pending, blockSize);
        const int64_t got = read(into, blockSize);
        if (got < 0)
            return fail(CleanEnd::ReadFailed);
        atEnd = got == 0;
        if (std::memchr(into, 0, static_cast<size_t>(got)) != nullptr)
            return fail(CleanEnd::ZeroByte);
        reader.Pending.Size += static_cast<size_t>(got);
        const std::string_view text = BufferView(reader.Pending);
        if (!reader.MarkChecked) {
            if (text.size() < Utf8ByteOrderMark.size() && !atEnd)
                continue;
            reader.MarkChecked = true;
            if (text.starts_with(Utf8ByteOrderMark)) {
                if (!pass(Utf8ByteOrderMark))
                    return fail(CleanEnd::WriteFailed);
                reader.Start = reader.ScanFrom = reader.LineScanFrom = reader.LastLineStart = reader.DecideFrom =
                    Utf8ByteOrderMark.size();
                reader.Decided = true;
                pipeline.Encoding = ByteEncoding::Utf8;
            }
        }
        FindSettingsStart(reader, atEnd);
        if (reader.Held != None && reader.Pending.Size - reader.Held > FileHoldLimit && rereading.SettingsStart) {
            const std::optional<uint64_t> settingsAt = rereading.SettingsStart();
            if (!settingsAt)
                return fail(CleanEnd::ReadFailed);
            // A candidate the end does not confirm is source after all.
            reader.SettingsAt = std::max(*settingsAt, reader.Base + reader.Start);
            reader.SettingsKnown = true;
            reader.Held = None;
            FindSettingsStart(reader, atEnd);
        }
        const size_t end = ReleasableEnd(reader, atEnd);
        if (end == reader.Start)
            continue;
        if (!reader.Decided) {
            const Decision decision = DecideEncoding(reader, end, atEnd, rereading, pipeline);
            if (decision == Decision::Failed)
                return fail(CleanEnd::ReadFailed);
            if (decision == Decision::Hold)
                continue;
        }
        // A long stretch released at once (held back until now) goes in slices of about a
        // block, so that the stages' buffers stay the size of one.
        for (std::string_view source = text.substr(reader.Start, end - reader.Start); !source.empty();) {
            const std::string_view slice = source.substr(0, SliceLength(source, blockSize));
            out.Size = 0;
            if (sink.Piece) {
                FeedPipelineInPieces(pipeline, slice, sink.Piece, out);
            } else {
                NoteInput(watch, slice);
                FeedPipeline(pipeline, slice, out);
            }
            if (pipeline.GrowthExceeded)
                return fail(CleanEnd::TooMuchGrowth);
            if (!sink.Piece && !EmitResult(watch, BufferView(out)))
                return fail(CleanEnd::WriteFailed);
            source.remove_prefix(slice.size());
        }
        reader.Start = end;
    }
    out.Size = 0;
    FinishPipeline(pipeline, out);
    if (pipeline.GrowthExceeded)
        return fail(CleanEnd::TooMuchGrowth);
    if (sink.Piece) {
        sink.Piece({}, BufferView(out), true);
        sink.Piece(BufferView(reader.Pending).substr(reader.Start), BufferView(reader.Pending).substr(reader.Start),
                   true);
        return {CleanEnd::Finished, 0, false};
    }
    if (!EmitResult(watch, BufferView(out)) || !pass(BufferView(reader.Pending).substr(reader.Start)) ||
        !FinishResult(watch))
        return fail(CleanEnd::WriteFailed);
    return {CleanEnd::Finished, 0, watch.Diverged};
}

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

size_t SettingsStartIn(std::string_view text) {
    const size_t first = text.starts_with(Utf8ByteOrderMark) ? Utf8ByteOrderMark.size() : 0;
    for (size_t at = text.rfind(SettingsBlockStart); at != None && at >= first;
         at = at == 0 ? None : text.rfind(SettingsBlockStart, at - 1)) {
        if (at == first || IsLineEnd(text[at - 1]))
            return at;
    }
    return text.size();
}

std::string TroubleReason(const CleanOutcome& outcome) {
    switch (outcome.End) {
    case CleanEnd::ZeroByte:
        return "holds a zero byte, not a source file";
    case CleanEnd::TooMuchGrowth:
        return "/converttabtospace would add more than " + std::to_string(MaxTabExpansionGrowth) +
               " characters (check --tab-length)";
    case CleanEnd::Finished:
    case CleanEnd::ReadFailed:
    case CleanEnd::WriteFailed:
        break;
    }
    return ErrorText(outcome.Error);
}

FileResult CleanFileInPlace(const std::string& path, const std::vector<CleaningOperation>& operations,
                            int32_t tabLength, bool check, std::string& reason) {
    return RunOnFile(
        path,
        [&](const ReadBytes& read, const Rereading& rereading, const CleanSink& sink) {
            return CleanText(read, rereading, sink, operations, tabLength);
        },
        check, reason);
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
    const Rereading rereading{[source](uint64_t offset) { return FileHoldsUtf8From(source, offset); },
                              [source]() -> std::optional<uint64_t> {
                                  struct stat status {};
                                  if (::fstat(source, &status) != 0)
                                      return std::nullopt;
                                  return SettingsStartOfFile(source, static_cast<uint64_t>(status.st_size));
                              }};
    const CleanSink sink{false,
                         [&](uint64_t unchangedLength) { return check || StartRewrite(rewrite, unchangedLength); },
                         [&](std::string_view bytes) { return check || WriteAll(rewrite.Temporary, bytes); }};
    const CleanOutcome outcome = run(read, rereading, sink);
    switch (outcome.End) {
    case CleanEnd::Finished:
        break;
    case CleanEnd::ZeroByte:
    case CleanEnd::TooMuchGrowth:
        reason = TroubleReason(outcome) + "; left unchanged";
        return FileResult::Trouble;
    case CleanEnd::ReadFailed:
    case CleanEnd::WriteFailed:
        reason = TroubleReason(outcome);
        return FileResult::Trouble;
    }
    if (!outcome.Changed)
        return FileResult::Unchanged;
    if (check)
        return FileResult::WouldChange;
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

} // namespace brisklet
