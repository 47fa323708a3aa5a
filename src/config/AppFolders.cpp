// Start-up surroundings: which data folder, which current directory, which files must be there.
#include "config/AppFolders.h"

namespace brisklet {

namespace {

bool IsSeparator(char16_t c) {
    return c == u'\\' || c == u'/';
}

bool IsWildcardOrQuote(char16_t c) {
    return c == u'*' || c == u'?' || c == u'<' || c == u'>' || c == u'"';
}

std::u16string WithTrailingBackslash(std::u16string folder) {
    if (folder.empty() || folder.back() != u'\\')
        folder += u'\\';
    return folder;
}

} // namespace

int64_t FilePresence(ConfigPlatform& platform, std::u16string_view path) {
    std::u16string cleaned(path);
    for (char16_t& c : cleaned) {
        if (IsWildcardOrQuote(c))
            c = u'_';
    }
    const int64_t code = platform.FileSizeCode(cleaned);
    if (code == -2 || cleaned.empty() || !IsSeparator(cleaned.back()))
        return code;
    // The lookup ignores trailing separators; a file must not pass for "file\".
    cleaned += u'_';
    return platform.FileSizeCode(cleaned);
}

std::u16string PortableDataFolder(ConfigPlatform& platform) {
    return WithTrailingBackslash(platform.CurrentFolder()) + std::u16string(PortableFolderName);
}

std::u16string PerUserDataFolder(ConfigPlatform& platform) {
    return platform.EnvironmentValue(AppDataVariable) + std::u16string(PerUserSubfolder);
}

std::u16string FolderPart(std::u16string_view path) {
    size_t end = path.size();
    while (end > 0 && !IsSeparator(path[end - 1]))
        --end;
    return std::u16string(path.substr(0, end));
}

void ChooseDataFolder(ConfigPlatform& platform, ConfigState& state) {
    state.DataFolder = FilePresence(platform, PortableMarker) == -1 ? PerUserDataFolder(platform)
                                                                   : PortableDataFolder(platform);
}

void FixCurrentDirectory(ConfigPlatform& platform) {
    if (platform.FileSizeCode(ExecutableName) != -1)
        return;
    const std::u16string executablePath = platform.OwnExecutablePath();
    std::u16string_view executable = executablePath;
    constexpr std::u16string_view longPathPrefix = u"\\\\?\\";
    if (executable.starts_with(longPathPrefix))
        executable.remove_prefix(longPathPrefix.size());
    // A failure is left to the required-file check.
    platform.ChangeCurrentFolder(FolderPart(executable));
}

bool CheckRequiredFiles(ConfigPlatform& platform, const std::vector<std::u16string>& requiredFiles) {
    for (const std::u16string& name : requiredFiles) {
        if (FilePresence(platform, name) == -1) {
            platform.ShowMessage(u"Fehler", u"Die Datei ''" + name + u"'' konnte nicht gefunden werden.",
                                 MessageIcon::Error);
            return false;
        }
    }
    return true;
}

} // namespace brisklet
