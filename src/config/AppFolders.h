// Start-up surroundings: the file-presence test, the data folder, the current directory and
// the required-file check.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "BriskletVersion.h"
#include "config/ConfigState.h"
#include "config/Platform.h"

namespace brisklet {

inline constexpr std::u16string_view PortableMarker = u"Data\\Settings.ini";
inline constexpr std::u16string_view PortableFolderName = u"Data\\";
inline constexpr std::u16string_view AppDataVariable = u"appdata";
inline constexpr std::u16string_view PerUserSubfolder = u"\\Talmir\\Brisklet\\";
inline constexpr std::u16string_view ExecutableName = u"" BRISKLET_TOOL_FILE_NAME;

// -1 missing, -2 directory, else the size. Wildcard and quote characters become "_" so that
// no other file matches, and a path ending in a separator is found only as a directory.
[[nodiscard]] int64_t FilePresence(ConfigPlatform& platform, std::u16string_view path);

// The current directory, with "\" added when missing, followed by "Data\".
[[nodiscard]] std::u16string PortableDataFolder(ConfigPlatform& platform);

// The "appdata" variable ("" when unset) followed by "\Talmir\Brisklet\".
[[nodiscard]] std::u16string PerUserDataFolder(ConfigPlatform& platform);

// Everything up to and including the last "\" or "/"; "" when there is none.
[[nodiscard]] std::u16string FolderPart(std::u16string_view path);

// Portable when "Data\Settings.ini" (file or folder) is in the start directory.
void ChooseDataFolder(ConfigPlatform& platform, ConfigState& state);

// Moves to the executable's folder when "Brisklet.exe" is not in the current directory.
void FixCurrentDirectory(ConfigPlatform& platform);

// False after the message about the first missing file has been closed: the program ends.
[[nodiscard]] bool CheckRequiredFiles(ConfigPlatform& platform, const std::vector<std::u16string>& requiredFiles);

} // namespace brisklet
