// Recognising the host IDE, its main window and its visible editor.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "editor/HostSystem.h"

namespace brisklet {

inline constexpr std::u16string_view NotStartedByIdeMessage =
    u"This program was not executed as PureBasic or SpiderBasic tool or the 32 bit or 64 bit version is not "
    u"compatible with the tool.";
inline constexpr std::u16string_view NoIdeWindowMessage = u"The PureBasic or SpiderBasic window could not be determined.";

// The window style bits the search tests (WS_CAPTION, WS_VISIBLE), under names of their own so
// that this header can follow <windows.h>.
constexpr uint32_t CaptionStyle = 0x00C00000;
constexpr uint32_t VisibleStyle = 0x10000000;

// "PureBasic" or "SpiderBasic" when the process runs "PureBasic.exe" or "SpiderBasic.exe"
// (exact letter case); nullopt for anything else.
[[nodiscard]] std::optional<std::u16string> IdentifyHostIde(HostSystem& host, uint32_t ideProcessId);

// A window handle as the IDE writes it into a tool's environment (PB_TOOL_MainWindow,
// PB_TOOL_Scintilla): decimal digits, a minus sign before a handle with its top bit set.
// nullopt for anything else.
[[nodiscard]] std::optional<WindowHandle> ParseWindowHandle(std::u16string_view text);

// The window the IDE named, when it is a top-level window of the IDE's process, visible or
// hidden, whatever its class (the IDE hides it under "Hide editor when tool runs"). Otherwise the
// first visible top-level window with a caption or border, of class "WindowClass_2", belonging
// to the IDE's process. Both from one enumeration: nothing is sent to the named window.
[[nodiscard]] std::optional<WindowHandle> FindIdeMainWindow(HostSystem& host, uint32_t ideProcessId,
                                                            std::optional<WindowHandle> named);

// The window the IDE named, when it is a "Scintilla" window with WS_VISIBLE set among the main
// window's descendants. Otherwise the first such window.
[[nodiscard]] std::optional<WindowHandle> FindEditorWindow(HostSystem& host, WindowHandle mainWindow,
                                                           std::optional<WindowHandle> named);

} // namespace brisklet
