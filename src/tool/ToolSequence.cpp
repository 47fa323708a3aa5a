// Brisklet.exe's road from its surroundings to the cleaned editor, after the crash handler.
#include "tool/ToolSequence.h"

#include <memory>
#include <new>
#include <vector>

#include "config/AppFolders.h"
#include "config/IdePrefs.h"
#include "tool/EditorRun.h"
#include "tool/CommandLine.h"
#include "editor/EditorPort.h"
#include "editor/IdeDiscovery.h"

namespace brisklet {

namespace {

constexpr std::u16string_view ErrorCaption = u"Error";

} // namespace

void RunToolSequence(ConfigPlatform& platform, HostSystem& host, PrefsFile& prefs, ConfigState& state,
             std::u16string_view commandLine) {
    const std::vector<std::u16string> requiredFiles{std::u16string(ExecutableName)};
    ChooseDataFolder(platform, state);
    FixCurrentDirectory(platform);
    if (!CheckRequiredFiles(platform, requiredFiles))
        return;

    const Switches switches = BuildSwitchList(SplitArguments(ArgumentsAfterProgram(commandLine)));
    if (switches.SwitchList.empty())
        return;

    const uint32_t ideProcessId = host.ParentProcessId();
    const std::optional<std::u16string> ideName = IdentifyHostIde(host, ideProcessId);
    if (!ideName) {
        platform.ShowMessage(ErrorCaption, NotStartedByIdeMessage, MessageIcon::Error);
        return;
    }
    DetectPortableIde(platform, state, ideProcessId);
    if (!ReadTabLength(platform, prefs, state, ideProcessId, *ideName))
        return;
    // The IDE names both windows to its tools; a value that names no such window leaves the search.
    const std::optional<WindowHandle> mainWindow =
        FindIdeMainWindow(host, ideProcessId, ParseWindowHandle(platform.EnvironmentValue(u"PB_TOOL_MainWindow")));
    if (!mainWindow) {
        platform.ShowMessage(ErrorCaption, NoIdeWindowMessage, MessageIcon::Error);
        return;
    }
    const std::optional<WindowHandle> editorWindow =
        FindEditorWindow(host, *mainWindow, ParseWindowHandle(platform.EnvironmentValue(u"PB_TOOL_Scintilla")));
    const std::unique_ptr<EditorPort> editor = editorWindow ? host.OpenEditor(*editorWindow, ideProcessId) : nullptr;
    // Memory short for a copy of the text or an operation's result ends the run where it
    // stands; the write gives up whole, so the editor holds the old text or the new one.
    try {
        CleanEditor(editor.get(), RunSettings{switches.ParameterCount, switches.SwitchList, state.TabLength});
    } catch (const std::bad_alloc&) {
    }
}

} // namespace brisklet
