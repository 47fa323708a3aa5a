// An in-memory ConfigPlatform: files and folders under drive letters, environment, clock,
// version facts, and a record of what the code under test asked and showed.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "config/Platform.h"

namespace brisklet::test {

struct RecordedMessage {
    std::u16string Caption;
    std::u16string Text;
    MessageIcon Icon = MessageIcon::Error;
};

struct OpenAttempt {
    std::u16string Path;
    FileAccess Access = FileAccess::Read;
    FileShare Share = FileShare::Read;
};

// Paths are Windows-like ("C:\Work\a.txt", "/" taken as "\"), resolved against
// CurrentDirectory, and compared exactly (letter case counts here, unlike on Windows).
class FakeConfigPlatform : public ConfigPlatform {
public:
    void AddFolder(std::u16string_view path);
    void AddFile(std::u16string_view path, std::string bytes); // adds the folders above it
    [[nodiscard]] std::optional<std::string> FileBytes(std::u16string_view path) const;
    void SetEnvironment(std::u16string_view name, std::u16string_view value);

    // The full form of a path as the fake resolves it, without trailing separators.
    [[nodiscard]] std::u16string Resolve(std::u16string_view path) const;

    int64_t FileSizeCode(std::u16string_view path) override;
    std::unique_ptr<OpenedFile> OpenExisting(std::u16string_view path, FileAccess access, FileShare share) override;
    bool AppendToFile(std::u16string_view path, std::string_view bytes) override;
    std::u16string EnvironmentValue(std::u16string_view name) override;
    std::u16string CurrentFolder() override;
    bool ChangeCurrentFolder(std::u16string_view path) override;
    std::u16string OwnExecutablePath() override;
    std::u16string ProcessExecutablePath(uint32_t processId) override;
    LocalTime LocalClock() override;
    OsVersionFacts VersionFacts() override;
    void ShowMessage(std::u16string_view caption, std::u16string_view text, MessageIcon icon) override;

    // Settings the tests change directly.
    std::u16string CurrentDirectory = u"C:\\Start"; // no trailing "\" except at a drive root
    std::u16string OwnPath;
    std::map<uint32_t, std::u16string> ProcessPaths;
    LocalTime Clock{2026, 12, 7, 3, 11, 3};
    std::optional<LocalTime> ClockAfterRead; // the clock moves on to this after its next reading
    OsVersionFacts Version;
    std::set<std::pair<FileAccess, FileShare>> RefusedOpens; // opens of these kinds fail
    std::set<std::u16string> LockedFiles;                    // held open elsewhere: appends fail
    std::optional<int64_t> ClaimedFileSize;                  // opened files report this size
    bool FileReadsFail = false;

    // What was asked and shown.
    std::vector<std::u16string> SizeQueries;
    std::vector<OpenAttempt> OpenAttempts;
    std::vector<std::u16string> FolderChanges;
    std::vector<RecordedMessage> Messages;

private:
    struct Entry {
        bool IsFolder = false;
        std::string Bytes;
    };
    std::map<std::u16string, Entry> entries;
    std::map<std::u16string, std::u16string> environment; // keys upper-cased

    [[nodiscard]] const Entry* Find(const std::u16string& resolved) const;
    [[nodiscard]] const Entry* FindWildcard(const std::u16string& resolved) const;
};

} // namespace brisklet::test
