// The IDE's Tools menu on Windows: each IDE keeps it in its folder of the user's roaming
// application data, and its entries run the Brisklet.exe beside brisklet-clean.exe.
#include "clean/PlatformIdeTools.h"

#include <windows.h>
#include <shlobj.h>

#include "runtime/TextCodec.h"
#include "runtime/win32/ToolHelpSnapshot.h"
#include "runtime/win32/WideText.h"

namespace brisklet {

namespace {

// The folder the IDE itself takes: the shell's, which APPDATA set in a console does not move.
std::string RoamingFolder() {
    wchar_t folder[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder)))
        return {};
    return EncodeUtf8(FromWide(folder));
}

std::string ProgramPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return EncodeUtf8(FromWide(path.c_str()));
        }
        path.resize(path.size() * 2);
    }
}

std::vector<std::string> RunningIdes() {
    std::vector<std::string> running;
    for (const wchar_t* ide : {L"PureBasic", L"SpiderBasic"}) {
        const std::wstring executable = std::wstring(ide) + L".exe";
        const KernelHandle snapshot(TakeToolHelpSnapshot(TH32CS_SNAPPROCESS, 0));
        PROCESSENTRY32W process{};
        process.dwSize = sizeof process;
        for (BOOL more = snapshot.Valid() && Process32FirstW(snapshot.Get(), &process); more;
             more = Process32NextW(snapshot.Get(), &process)) {
            if (lstrcmpiW(process.szExeFile, executable.c_str()) == 0) {
                running.push_back(EncodeUtf8(FromWide(ide)));
                break;
            }
        }
    }
    return running;
}

} // namespace

void TakeIdeToolsPlaces(CleanEnvironment& environment) {
    const std::string roaming = RoamingFolder();
    if (!roaming.empty()) {
        environment.ToolsPlaces = {{roaming + "\\PureBasic", roaming + "\\PureBasic\\Tools.prefs"},
                                   {roaming + "\\SpiderBasic", roaming + "\\SpiderBasic\\Tools.prefs"}};
    }
    environment.ProgramPath = ProgramPath();
    environment.Road = ToolRoad::Editor;
    environment.LineEnd = "\r\n";
    environment.RunningIdes = RunningIdes;
}

} // namespace brisklet
