// The sources a run cleans, folders walked.
#include "clean/Sources.h"

#include <algorithm>
#include <set>

#include "runtime/TextCodec.h"

namespace brisklet {

namespace {

bool IsSourceName(std::string_view name) {
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0)
        return false;
    std::string extension(name.substr(dot + 1));
    std::transform(extension.begin(), extension.end(), extension.begin(), AsciiLower);
    return extension == "pb" || extension == "pbi" || extension == "sb" || extension == "sbi";
}

std::string Joined(std::string_view folder, std::string_view leaf, char separator) {
    std::string path(folder);
    if (!path.empty() && path.back() != '/' && path.back() != separator)
        path += separator;
    return path + std::string(leaf);
}

void Walk(const std::string& folder, FileSystem& files, std::vector<SourceName>& sources) {
    std::vector<FolderEntry> entries;
    if (!files.ListFolder(folder, entries)) {
        sources.push_back({folder, files.LastError()});
        return;
    }
    std::sort(entries.begin(), entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.Name < b.Name; });
    for (const FolderEntry& entry : entries) {
        if (entry.Name.starts_with('.') || entry.Kind == EntryKind::LinkToFolder)
            continue;
        if (entry.Kind == EntryKind::Folder)
            Walk(Joined(folder, entry.Name, files.Separator()), files, sources);
        else if (IsSourceName(entry.Name))
            sources.push_back({Joined(folder, entry.Name, files.Separator()), {}});
    }
}

void AddNamed(const std::string& name, FileSystem& files, std::vector<SourceName>& sources) {
    if (name != StandardInputName && files.IsFolder(name))
        Walk(name, files, sources);
    else
        sources.push_back({name, {}});
}

} // namespace

std::vector<SourceName> ExpandSources(const std::vector<std::string>& names, FileSystem& files,
                                      const WildcardExpansion& wildcards) {
    std::vector<SourceName> found;
    for (const std::string& name : names) {
        if (!wildcards || name.find_first_of("*?") == std::string::npos) {
            AddNamed(name, files, found);
            continue;
        }
        const std::vector<std::string> matches = wildcards(name);
        // As a missing file would be: the run goes on with the other names.
        if (matches.empty())
            found.push_back({name, "No such file or directory"});
        for (const std::string& match : matches)
            AddNamed(match, files, found);
    }
    // A file reached twice (named twice, named and in a named folder, by a link and by its own
    // name) is cleaned once: cleaned twice it would be reported twice, and two jobs would take
    // turns at it. A name that leads nowhere stays, to be reported.
    std::vector<SourceName> sources;
    std::set<std::pair<uint64_t, uint64_t>> seen;
    for (SourceName& source : found) {
        FileIdentity identity;
        if (source.Name == StandardInputName || !source.Trouble.empty() || !files.IdentityOf(source.Name, identity) ||
            seen.insert({identity.Device, identity.Inode}).second)
            sources.push_back(std::move(source));
    }
    return sources;
}

} // namespace brisklet
