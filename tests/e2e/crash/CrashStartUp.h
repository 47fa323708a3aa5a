// CrashTool's road: Brisklet.exe's start-up up to the tab width, then a fault on purpose.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "config/ConfigState.h"
#include "config/Platform.h"
#include "editor/HostSystem.h"
#include "runtime/Prefs.h"

namespace brisklet::e2e {

// Brisklet.exe's start-up up to the tab width, which gives the data folder its final value;
// with "early" as the second argument only up to the switch list. The switch list once there;
// nullopt where Brisklet.exe would end, after its message if it has one.
[[nodiscard]] std::optional<std::u16string> CrashStartUp(ConfigPlatform& platform, HostSystem& host, PrefsFile& prefs,
                                                        ConfigState& state, std::u16string_view commandLine);

// "read-zero", "read-high", "divide-zero" and "stack-overflow" fault and never return; anything
// else returns.
void Fault(std::u16string_view kind);

} // namespace brisklet::e2e
