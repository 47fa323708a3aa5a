// Brisklet.exe's road from its surroundings to the cleaned editor, after the crash handler.
#pragma once

#include <string_view>

namespace brisklet {

class ConfigPlatform;
class HostSystem;
struct PrefsFile;
struct ConfigState;

// Chooses the data folder, fixes the current directory, checks the required file, reads the
// switches from the raw command line, identifies the IDE, reads its tab width, finds its
// main window and editor, and cleans it. Every error is shown as the platform's message box
// before it returns; the caller then shuts the program down. state stays visible to a crash
// report written meanwhile.
void RunToolSequence(ConfigPlatform& platform, HostSystem& host, PrefsFile& prefs, ConfigState& state,
             std::u16string_view commandLine);

} // namespace brisklet
