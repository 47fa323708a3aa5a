// Where the host IDE keeps its preferences, and the tab width it holds.
#include "config/IdePrefs.h"

#include "config/AppFolders.h"
#include "runtime/Strings.h"

namespace brisklet {

namespace {

// The IDE's folder is worked out anew at every use, from a fresh look at the process.
std::u16string IdeFolder(ConfigPlatform& platform, uint32_t ideProcessId) {
    return FolderPart(GetIdeExecutablePath(platform, ideProcessId));
}

std::u16string IdePrefsPath(ConfigPlatform& platform, const ConfigState& state, uint32_t ideProcessId,
                            std::u16string_view ideName) {
    const std::u16string fileName = std::u16string(ideName) + u".prefs";
    if (state.IdeIsPortable == 1)
        return IdeFolder(platform, ideProcessId) + fileName;
    return platform.EnvironmentValue(u"AppData") + u"\\" + std::u16string(ideName) + u"\\" + fileName;
}

} // namespace

std::u16string GetIdeExecutablePath(ConfigPlatform& platform, uint32_t processId) {
    return platform.ProcessExecutablePath(processId);
}

void DetectPortableIde(ConfigPlatform& platform, ConfigState& state, uint32_t ideProcessId) {
    const bool portable = FilePresence(platform, IdeFolder(platform, ideProcessId) + u"PureBasic.prefs") != -1 ||
                          FilePresence(platform, IdeFolder(platform, ideProcessId) + u"SpiderBasic.prefs") != -1;
    state.IdeIsPortable = portable ? 1 : 0;
    state.DataFolder = portable ? PortableDataFolder(platform) : PerUserDataFolder(platform);
}

bool ReadTabLength(ConfigPlatform& platform, PrefsFile& prefs, ConfigState& state, uint32_t ideProcessId,
                   std::u16string_view ideName) {
    // The IDE names the file it really uses, also one given on its own command line, which no
    // search would find; an IDE that names none, or one that cannot be read, leaves the search.
    const std::u16string named = platform.EnvironmentValue(u"PB_TOOL_Preferences");
    // The IDE writes its preferences only when it ends or they are applied: on a fresh install
    // the file it names is not there yet, and the IDE works with its defaults.
    if (!named.empty() && FilePresence(platform, named) == -1) {
        state.TabLength = DefaultTabLength;
        return true;
    }
    std::optional<int32_t> tabLength;
    if (!named.empty())
        tabLength = ReadPrefsTabLength(platform, prefs, named);
    if (!tabLength)
        tabLength = ReadPrefsTabLength(platform, prefs, IdePrefsPath(platform, state, ideProcessId, ideName));
    if (!tabLength) {
        platform.ShowMessage(u"Error", MissingIdePrefsMessage, MessageIcon::Error);
        return false;
    }
    state.TabLength = *tabLength;
    return true;
}

} // namespace brisklet
