// The one way brisklet-clean replaces a file: the result goes to a new file beside it, which
// takes the file's place only once it is whole and on disk, and only while the file is still in
// the state it was found in. A file with several names is written through instead, with its old
// text kept beside it (FILE.brisklet-backup) until the new one is whole and read back as written.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "clean/FileSystem.h"
#include "cleaning/stream/TextRun.h"

namespace brisklet {

// One file under cleaning. Whatever becomes of the run, the object leaves no file of its own
// behind unless the reason names it.
struct FileRewrite {
    explicit FileRewrite(FileSystem& files) : Files(files) {}
    FileRewrite(const FileRewrite&) = delete;
    FileRewrite& operator=(const FileRewrite&) = delete;
    ~FileRewrite();

    FileSystem& Files;
    FileId Source = 0;
    FileFacts Found;
    FileId Writable = 0;
    FileId Temporary = 0;
    uint64_t Written = 0; // bytes in the temporary file
    std::string Reason;   // why the step that failed failed
};

// Opens the file the name leads to. False with Reason set, also for anything but a regular file
// and for a file beside which a write through that was cut short left its old text. With
// beforeWaiting, to write the file, it takes its turn at it first: another run's rewrite of it
// ends before this run reads it. beforeWaiting is called before a wait, to let go of the files
// this run holds, so that two runs never wait for each other.
[[nodiscard]] bool OpenRewrite(FileRewrite& rewrite, std::string_view name,
                               const std::function<void()>* beforeWaiting);

// The file read on, and read again at offsets; a failure sets Reason.
[[nodiscard]] ReadBytes RewriteReader(FileRewrite& rewrite);
[[nodiscard]] Rereading RewriteRereading(FileRewrite& rewrite);

// The result differs from the file after its first unchangedLength bytes: the temporary file
// starts with them, copied from the file.
[[nodiscard]] bool StartRewrite(FileRewrite& rewrite, uint64_t unchangedLength);
[[nodiscard]] bool WriteRewrite(FileRewrite& rewrite, std::string_view bytes);

// The result is complete: its way to the disk starts, for CommitRewrite to find it done.
void StartCommit(FileRewrite& rewrite);

// The result is complete: it replaces the file. False with Reason set, the file as the run
// found it or as another program left it.
[[nodiscard]] bool CommitRewrite(FileRewrite& rewrite);

} // namespace brisklet
