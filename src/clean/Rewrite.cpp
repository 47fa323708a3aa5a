// The one way brisklet-clean replaces a file, written once over the platform's file calls.
#include "clean/Rewrite.h"

#include <algorithm>
#include <utility>

namespace brisklet {

namespace {

constexpr std::string_view ChangedReason = "changed on disk while it was cleaned; left as it is";

bool Fail(FileRewrite& rewrite, std::string_view context = {}) {
    rewrite.Reason = std::string(context) + rewrite.Files.LastError();
    return false;
}

// Copies length bytes from one file to another, from offset 0, the target at its position or,
// with atOffsets, at the same offsets. False with Reason set.
bool CopyBytes(FileRewrite& rewrite, FileId from, FileId to, uint64_t length, bool atOffsets) {
    FileSystem& files = rewrite.Files;
    std::string chunk;
    for (uint64_t at = 0; at < length; at += chunk.size()) {
        if (!files.ReadAt(from, at, static_cast<size_t>(std::min<uint64_t>(RereadChunk, length - at)), chunk))
            return Fail(rewrite);
        if (chunk.empty()) {
            rewrite.Reason = ChangedReason; // shorter than it was: another program cut it
            return false;
        }
        if (!(atOffsets ? files.WriteAt(to, at, chunk) : files.Write(to, chunk)))
            return Fail(rewrite);
    }
    return true;
}

// The file is still the one the run read, through the handle and under its name, with nothing
// changed about it; now holds its facts.
bool StillAsFound(FileRewrite& rewrite, FileFacts& now) {
    // The handle written through must hold the same file as well: it was opened by name later.
    FileFacts named;
    FileFacts writable = rewrite.Found;
    // The name is looked at last: the replace that follows acts on the name.
    if (!rewrite.Files.FactsOf(rewrite.Source, now) ||
        (rewrite.Writable != 0 && !rewrite.Files.FactsOf(rewrite.Writable, writable)) ||
        !rewrite.Files.FactsByName(rewrite.Source, named))
        return Fail(rewrite);
    if (now == rewrite.Found && named == rewrite.Found && writable == rewrite.Found)
        return true;
    rewrite.Reason = ChangedReason;
    return false;
}

// The copy of the old text beside a file written through: it goes when the write through is
// over, whichever way, unless a message names it.
class OldText {
public:
    explicit OldText(FileSystem& files) : files_(files) {}
    ~OldText() {
        if (id_ != 0)
            files_.Remove(id_);
    }
    OldText(const OldText&) = delete;
    OldText& operator=(const OldText&) = delete;

    [[nodiscard]] bool Create(FileId source) { return files_.CreateBackup(source, id_); }
    [[nodiscard]] FileId Id() const { return id_; }
    // Left for the user: its name.
    [[nodiscard]] std::string Keep() {
        const FileId kept = std::exchange(id_, 0);
        return files_.KeepTemporary(kept);
    }

private:
    FileSystem& files_;
    FileId id_ = 0;
};

// Puts the old text back after a failed write through; false when even that fails.
bool PutBack(FileRewrite& rewrite, FileId old) {
    FileSystem& files = rewrite.Files;
    return CopyBytes(rewrite, old, rewrite.Writable, rewrite.Found.Size, true) &&
           files.Truncate(rewrite.Writable, rewrite.Found.Size) && files.Flush(rewrite.Writable);
}

// Whether the file is as long as this run's writes have made it: another program that appended
// or cut meanwhile changed its size. Checked right before the cut, which would take an append.
bool SizeAsWritten(FileRewrite& rewrite, uint64_t size, bool& otherWriter) {
    FileFacts now;
    if (!rewrite.Files.FactsOf(rewrite.Writable, now))
        return Fail(rewrite);
    otherWriter = now.Size != size;
    return !otherWriter;
}

// Whether the file holds exactly the text this run wrote: another program that wrote over it
// meanwhile left other bytes.
bool HoldsWhatWasWritten(FileRewrite& rewrite, bool& otherWriter) {
    std::string written;
    std::string found;
    for (uint64_t at = 0; at < rewrite.Written; at += written.size()) {
        const size_t count = static_cast<size_t>(std::min<uint64_t>(RereadChunk, rewrite.Written - at));
        if (!rewrite.Files.ReadAt(rewrite.Temporary, at, count, written) ||
            !rewrite.Files.ReadAt(rewrite.Source, at, count, found))
            return Fail(rewrite);
        if (written.empty() || found != written) {
            otherWriter = true;
            return false;
        }
    }
    // Last, so that an append while the bytes were compared is seen; one after it is kept.
    return SizeAsWritten(rewrite, rewrite.Written, otherWriter);
}

// The new text over the old, with signals held: it is written whole, or the old text is put
// back, or the message names the file that holds it. Another program's write is left as it is.
bool Overwrite(FileRewrite& rewrite, OldText& old) {
    FileSystem& files = rewrite.Files;
    bool otherWriter = false;
    if (CopyBytes(rewrite, rewrite.Temporary, rewrite.Writable, rewrite.Written, true) &&
        SizeAsWritten(rewrite, std::max(rewrite.Found.Size, rewrite.Written), otherWriter) &&
        files.Truncate(rewrite.Writable, rewrite.Written) && files.Flush(rewrite.Writable) &&
        HoldsWhatWasWritten(rewrite, otherWriter))
        return true;
    if (otherWriter) {
        rewrite.Reason = "another program wrote to it while it was written in place; its text from before this run "
                         "is in " + old.Keep();
        return false;
    }
    const std::string error = rewrite.Reason.empty() ? files.LastError() : rewrite.Reason;
    rewrite.Reason.clear();
    if (PutBack(rewrite, old.Id())) {
        rewrite.Reason = error + "; the old text was put back";
        return false;
    }
    const std::string putBackError = rewrite.Reason.empty() ? files.LastError() : rewrite.Reason;
    rewrite.Reason = error + "; the old text could not be put back (" + putBackError +
                     "): the cleaned text is in " + files.KeepTemporary(rewrite.Temporary) + ", the old text in " +
                     old.Keep();
    rewrite.Temporary = 0;
    return false;
}

// A file with other names keeps its one inode: the finished text goes through it. Nothing is
// overwritten before the old text is safe beside it, under a name the next run looks for, and
// the room for the new one is reserved.
bool WriteThrough(FileRewrite& rewrite) {
    FileSystem& files = rewrite.Files;
    OldText old(files);
    if (!old.Create(rewrite.Source))
        return Fail(rewrite);
    FileFacts now;
    if (!CopyBytes(rewrite, rewrite.Source, old.Id(), rewrite.Found.Size, false) || !files.Flush(old.Id()) ||
        !StillAsFound(rewrite, now)) {
        if (rewrite.Reason.empty())
            Fail(rewrite);
        return false;
    }
    if (!files.Reserve(rewrite.Writable, rewrite.Written)) {
        Fail(rewrite, "no room for the cleaned text: ");
        rewrite.Reason += "; left unchanged";
        return false;
    }
    files.HoldSignals();
    const bool written = Overwrite(rewrite, old);
    files.ReleaseSignals();
    return written;
}

} // namespace

FileRewrite::~FileRewrite() {
    if (Temporary != 0)
        Files.Remove(Temporary);
    for (const FileId file : {Writable, Source}) {
        if (file != 0)
            Files.Close(file);
    }
}

namespace {

// Opens what the name leads to, if it is a regular file.
bool OpenRegular(FileRewrite& rewrite, std::string_view name) {
    if (!rewrite.Files.OpenSource(name, rewrite.Source, rewrite.Found))
        return Fail(rewrite);
    switch (rewrite.Found.Kind) {
    case FileKind::Regular:
        return true;
    case FileKind::Directory:
        rewrite.Reason = "Is a directory";
        return false;
    case FileKind::Other:
        break;
    }
    rewrite.Reason = "not a regular file";
    return false;
}

// Waits for this run's turn at the file. The run it waited for may have put a new file in the
// name's place: then that one is opened, and waited for in turn.
bool TakeTurn(FileRewrite& rewrite, std::string_view name, const std::function<void()>& beforeWaiting) {
    FileSystem& files = rewrite.Files;
    for (int attempt = 0; attempt < 100; ++attempt) {
        LockState state = files.Lock(rewrite.Source, false);
        if (state == LockState::Taken)
            return true;
        if (state == LockState::Busy) {
            beforeWaiting();
            state = files.Lock(rewrite.Source, true);
        }
        if (state != LockState::Taken)
            return Fail(rewrite);
        // The file as the other run left it: the same, or another in the name's place.
        FileFacts named;
        if (!files.FactsOf(rewrite.Source, rewrite.Found) || !files.FactsByName(rewrite.Source, named))
            return Fail(rewrite);
        if (named.Device == rewrite.Found.Device && named.Inode == rewrite.Found.Inode)
            return true;
        files.Close(rewrite.Source);
        rewrite.Source = 0;
        if (!OpenRegular(rewrite, name))
            return false;
    }
    rewrite.Reason = ChangedReason;
    return false;
}

} // namespace

bool OpenRewrite(FileRewrite& rewrite, std::string_view name, const std::function<void()>* beforeWaiting) {
    if (!OpenRegular(rewrite, name) || (beforeWaiting != nullptr && !TakeTurn(rewrite, name, *beforeWaiting)))
        return false;
    std::string backup;
    if (rewrite.Files.FindBackup(rewrite.Source, backup)) {
        rewrite.Reason = backup + " holds its text from before an interrupted run; left unchanged until that file is "
                                  "removed";
        return false;
    }
    return true;
}

ReadBytes RewriteReader(FileRewrite& rewrite) {
    return [&rewrite](char* into, size_t capacity) -> int64_t {
        const int64_t got = rewrite.Files.Read(rewrite.Source, into, capacity);
        if (got < 0)
            Fail(rewrite);
        return got;
    };
}

Rereading RewriteRereading(FileRewrite& rewrite) {
    return FileRereading(
        [&rewrite](uint64_t offset, size_t count, std::string& into) {
            return rewrite.Files.ReadAt(rewrite.Source, offset, count, into) || Fail(rewrite);
        },
        [&rewrite]() -> std::optional<uint64_t> {
            FileFacts facts;
            if (!rewrite.Files.FactsOf(rewrite.Source, facts)) {
                Fail(rewrite);
                return std::nullopt;
            }
            return facts.Size;
        });
}

bool StartRewrite(FileRewrite& rewrite, uint64_t unchangedLength) {
    FileSystem& files = rewrite.Files;
    // The new file would take the place of one the user may not change: the file itself is asked.
    if (!files.OpenForWriting(rewrite.Source, rewrite.Writable) ||
        !files.CreateBeside(rewrite.Source, rewrite.Temporary) ||
        !CopyBytes(rewrite, rewrite.Source, rewrite.Temporary, unchangedLength, false)) {
        if (rewrite.Reason.empty())
            Fail(rewrite);
        return false;
    }
    rewrite.Written = unchangedLength;
    return true;
}

bool WriteRewrite(FileRewrite& rewrite, std::string_view bytes) {
    if (!rewrite.Files.Write(rewrite.Temporary, bytes))
        return Fail(rewrite);
    rewrite.Written += bytes.size();
    return true;
}

void StartCommit(FileRewrite& rewrite) {
    rewrite.Files.StartFlush(rewrite.Temporary);
}

bool CommitRewrite(FileRewrite& rewrite) {
    FileSystem& files = rewrite.Files;
    if (!files.Flush(rewrite.Temporary))
        return Fail(rewrite);
    // Checked after the flush, which may take long, and again right before the replace, so that
    // the file's owner, mode and attributes are those it has at the end.
    FileFacts now;
    if (!StillAsFound(rewrite, now))
        return false;
    if (rewrite.Found.Links > 1)
        return WriteThrough(rewrite);
    if (!files.CopyPermissions(rewrite.Temporary, rewrite.Source, now))
        return Fail(rewrite, "cannot give the new file the old one's owner, mode or attributes: ");
    if (!StillAsFound(rewrite, now))
        return false;
    const bool replaced = files.Replace(rewrite.Temporary, rewrite.Source);
    rewrite.Temporary = 0;
    if (!replaced)
        return Fail(rewrite);
    if (!files.NoteFolderToFlush(rewrite.Source))
        return Fail(rewrite, "rewritten, but its folder could not be flushed to disk: ");
    return true;
}

} // namespace brisklet
