// The host IDE's installation kind and the tab width read from its preferences file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/ConfigState.h"
#include "config/Platform.h"
#include "runtime/IdePreferences.h"
#include "runtime/Prefs.h"

namespace brisklet {

inline constexpr std::u16string_view MissingIdePrefsMessage =
    u"The PureBasic or SpiderBasic settings file could not be found.";

// The full path of the process's executable, "" when it cannot be read. Asked afresh each time.
[[nodiscard]] std::u16string GetIdeExecutablePath(ConfigPlatform& platform, uint32_t processId);

// Portable when the IDE's folder holds "PureBasic.prefs" or "SpiderBasic.prefs" (either name,
// as file or folder); sets IdeIsPortable and DataFolder to match.
void DetectPortableIde(ConfigPlatform& platform, ConfigState& state, uint32_t ideProcessId);

// Reads "TabLength" of group "Global" (default 2) into TabLength, from the file that
// PB_TOOL_Preferences names when it can be read, else from the IDE's own place. A named file
// that does not exist (a fresh install) gives the default without a message. False after the
// message about a missing preferences file has been closed: the program ends.
[[nodiscard]] bool ReadTabLength(ConfigPlatform& platform, PrefsFile& prefs, ConfigState& state,
                                 uint32_t ideProcessId, std::u16string_view ideName);

} // namespace brisklet
