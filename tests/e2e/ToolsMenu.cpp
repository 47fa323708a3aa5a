// The test IDE's Tools menu, from the tools file, with the preferences engine the IDE's reading
// rules are written in.
#include "ToolsMenu.h"

#include <windows.h>
#include <shlobj.h>

#include "runtime/Prefs.h"
#include "runtime/win32/FileOpenerWin32.h"
#include "runtime/win32/WideText.h"

namespace brisklet::e2e {

namespace {

std::wstring Key(const PrefsFile& prefs, const wchar_t* name) {
    return std::wstring(Wide(PrefsReadText(prefs, FromWide(name), u"")));
}

int Number(const PrefsFile& prefs, const wchar_t* name) {
    return static_cast<int>(std::wcstol(Key(prefs, name).c_str(), nullptr, 10));
}

} // namespace

std::wstring IdeToolsFile(bool spiderBasic) {
    wchar_t folder[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder)))
        return {};
    return std::wstring(folder) + (spiderBasic ? L"\\SpiderBasic\\Tools.prefs" : L"\\PureBasic\\Tools.prefs");
}

std::vector<MenuEntry> ReadToolsMenu(const std::wstring& path) {
    FileOpenerWin32 opener;
    PrefsFile prefs;
    std::vector<MenuEntry> menu;
    if (!PrefsOpen(prefs, opener, FromWide(path)))
        return menu;
    PrefsSelectGroup(prefs, u"ToolsInfo");
    const int count = Number(prefs, L"ToolCount");
    for (int i = 0; i < count; ++i) {
        PrefsSelectGroup(prefs, FromWide((L"Tool_" + std::to_wstring(i)).c_str()));
        menu.push_back({Key(prefs, L"MenuItemName"), Key(prefs, L"Command"), Key(prefs, L"Arguments"),
                        Key(prefs, L"WorkingDir"), Number(prefs, L"Flags"), Number(prefs, L"ReloadSource"),
                        Number(prefs, L"HideEditor") != 0});
    }
    PrefsClose(prefs);
    return menu;
}

void TakeEntry(Scenario& scenario, const MenuEntry& entry, const std::wstring& temporaryFile) {
    std::wstring arguments = entry.Arguments;
    constexpr std::wstring_view Placeholder = L"%TEMPFILE";
    for (size_t at = arguments.find(Placeholder); at != std::wstring::npos; at = arguments.find(Placeholder))
        arguments.replace(at, Placeholder.size(), temporaryFile);
    scenario.CommandLine = L"\"" + entry.Command + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    // An empty working folder is the source's; the test IDE's source has none, so the IDE's own.
    scenario.WorkingDirectory = entry.WorkingDir;
    scenario.Wait = (entry.Flags & 1) != 0;
    scenario.Hide = scenario.Wait && entry.HideEditor;
}

std::string ReloadedText(const std::string& bytes) {
    std::string text;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c != '\r' && c != '\n') {
            text += c;
            continue;
        }
        // CR LF, LF CR, a lone LF and a lone CR are one line end each.
        if (i + 1 < bytes.size() && (bytes[i + 1] == '\r' || bytes[i + 1] == '\n') && bytes[i + 1] != c)
            ++i;
        text += "\r\n";
    }
    return text;
}

} // namespace brisklet::e2e
