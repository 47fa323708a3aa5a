// The in-memory ConfigPlatform used by the configuration tests.
#include "support/FakeConfigPlatform.h"

#include "support/MemoryFile.h"

namespace brisklet::test {

namespace {

bool IsSeparator(char16_t c) {
    return c == u'\\' || c == u'/';
}

std::u16string UpperAscii(std::u16string_view text) {
    std::u16string upper(text);
    for (char16_t& c : upper) {
        if (c >= u'a' && c <= u'z')
            c = static_cast<char16_t>(c - u'a' + u'A');
    }
    return upper;
}

bool WildcardMatch(std::u16string_view pattern, std::u16string_view name) {
    if (pattern.empty())
        return name.empty();
    if (pattern.front() == u'*')
        return WildcardMatch(pattern.substr(1), name) || (!name.empty() && WildcardMatch(pattern, name.substr(1)));
    if (name.empty() || (pattern.front() != u'?' && pattern.front() != name.front()))
        return false;
    return WildcardMatch(pattern.substr(1), name.substr(1));
}

std::u16string ParentOf(const std::u16string& resolved) {
    const size_t cut = resolved.rfind(u'\\');
    return cut == std::u16string::npos ? std::u16string() : resolved.substr(0, cut);
}

bool IsDriveRoot(std::u16string_view resolved) {
    return resolved.size() == 2 && resolved[1] == u':';
}

} // namespace

std::u16string FakeConfigPlatform::Resolve(std::u16string_view path) const {
    std::u16string full(path);
    for (char16_t& c : full) {
        if (c == u'/')
            c = u'\\';
    }
    if (full.size() >= 2 && full[1] == u':')
        full = full.substr(0, 2) + u"\\" + full.substr(2);
    else if (!full.empty() && full[0] == u'\\')
        full = CurrentDirectory.substr(0, 2) + full;
    else
        full = CurrentDirectory + u"\\" + full;
    std::u16string resolved = full.substr(0, 2);
    std::vector<std::u16string> parts;
    size_t start = 2;
    while (start <= full.size()) {
        size_t end = full.find(u'\\', start);
        if (end == std::u16string::npos)
            end = full.size();
        const std::u16string part = full.substr(start, end - start);
        if (part == u"..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != u".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    for (const std::u16string& part : parts)
        resolved += u"\\" + part;
    return resolved;
}

void FakeConfigPlatform::AddFolder(std::u16string_view path) {
    std::u16string resolved = Resolve(path);
    while (!IsDriveRoot(resolved) && !resolved.empty()) {
        entries[resolved] = Entry{true, {}};
        resolved = ParentOf(resolved);
    }
}

void FakeConfigPlatform::AddFile(std::u16string_view path, std::string bytes) {
    const std::u16string resolved = Resolve(path);
    AddFolder(ParentOf(resolved));
    entries[resolved] = Entry{false, std::move(bytes)};
}

std::optional<std::string> FakeConfigPlatform::FileBytes(std::u16string_view path) const {
    const Entry* entry = Find(Resolve(path));
    if (!entry || entry->IsFolder)
        return std::nullopt;
    return entry->Bytes;
}

void FakeConfigPlatform::SetEnvironment(std::u16string_view name, std::u16string_view value) {
    environment[UpperAscii(name)] = std::u16string(value);
}

const FakeConfigPlatform::Entry* FakeConfigPlatform::Find(const std::u16string& resolved) const {
    const auto found = entries.find(resolved);
    return found == entries.end() ? nullptr : &found->second;
}

// As FindFirstFileW does: wildcards in the last name match any entry of that folder.
const FakeConfigPlatform::Entry* FakeConfigPlatform::FindWildcard(const std::u16string& resolved) const {
    const std::u16string parent = ParentOf(resolved);
    const std::u16string pattern = resolved.substr(parent.size() + 1);
    for (const auto& [path, entry] : entries) {
        if (ParentOf(path) == parent && WildcardMatch(pattern, path.substr(parent.size() + 1)))
            return &entry;
    }
    return nullptr;
}

int64_t FakeConfigPlatform::FileSizeCode(std::u16string_view path) {
    SizeQueries.emplace_back(path);
    if (path.empty())
        return -1;
    // As on Windows: only the first 260 characters (MAX_PATH) are looked at.
    const std::u16string resolved = Resolve(path.substr(0, 260));
    if (IsDriveRoot(resolved))
        return -2;
    const bool wildcard = resolved.find_first_of(u"*?", ParentOf(resolved).size()) != std::u16string::npos;
    const Entry* entry = wildcard ? FindWildcard(resolved) : Find(resolved);
    if (!entry)
        return -1;
    return entry->IsFolder ? -2 : static_cast<int64_t>(entry->Bytes.size());
}

std::unique_ptr<OpenedFile> FakeConfigPlatform::OpenExisting(std::u16string_view path, FileAccess access,
                                                             FileShare share) {
    OpenAttempts.push_back({std::u16string(path), access, share});
    if (RefusedOpens.contains({access, share}) || path.empty() || IsSeparator(path.back()))
        return nullptr;
    const Entry* entry = Find(Resolve(path));
    if (!entry || entry->IsFolder)
        return nullptr;
    return std::make_unique<MemoryOpenedFile>(entry->Bytes, ClaimedFileSize, FileReadsFail);
}

bool FakeConfigPlatform::AppendToFile(std::u16string_view path, std::string_view bytes) {
    if (path.empty() || IsSeparator(path.back()) || path.size() > 260)
        return false;
    const std::u16string resolved = Resolve(path);
    const std::u16string parent = ParentOf(resolved);
    const Entry* folder = Find(parent);
    if (LockedFiles.contains(resolved) || !(IsDriveRoot(parent) || (folder && folder->IsFolder)))
        return false;
    Entry& file = entries[resolved];
    if (file.IsFolder)
        return false;
    file.Bytes += bytes;
    return true;
}

std::u16string FakeConfigPlatform::EnvironmentValue(std::u16string_view name) {
    const auto found = environment.find(UpperAscii(name));
    return found == environment.end() ? std::u16string() : found->second;
}

std::u16string FakeConfigPlatform::CurrentFolder() {
    return CurrentDirectory;
}

bool FakeConfigPlatform::ChangeCurrentFolder(std::u16string_view path) {
    FolderChanges.emplace_back(path);
    if (path.empty())
        return false;
    const std::u16string resolved = Resolve(path);
    const Entry* folder = Find(resolved);
    if (IsDriveRoot(resolved))
        CurrentDirectory = resolved + u"\\";
    else if (folder && folder->IsFolder)
        CurrentDirectory = resolved;
    else
        return false;
    return true;
}

std::u16string FakeConfigPlatform::OwnExecutablePath() {
    return OwnPath;
}

std::u16string FakeConfigPlatform::ProcessExecutablePath(uint32_t processId) {
    const auto found = ProcessPaths.find(processId);
    return found == ProcessPaths.end() ? std::u16string() : found->second;
}

LocalTime FakeConfigPlatform::LocalClock() {
    const LocalTime now = Clock;
    if (ClockAfterRead) {
        Clock = *ClockAfterRead;
        ClockAfterRead.reset();
    }
    return now;
}

OsVersionFacts FakeConfigPlatform::VersionFacts() {
    return Version;
}

void FakeConfigPlatform::ShowMessage(std::u16string_view caption, std::u16string_view text, MessageIcon icon) {
    Messages.push_back({std::u16string(caption), std::u16string(text), icon});
}

} // namespace brisklet::test
