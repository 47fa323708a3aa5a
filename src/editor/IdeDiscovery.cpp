// Recognising the host IDE, its main window and its visible editor.
#include "editor/IdeDiscovery.h"

namespace brisklet {

std::optional<std::u16string> IdentifyHostIde(HostSystem& host, uint32_t ideProcessId) {
    if (host.ProcessExecutableName(ideProcessId) == u"PureBasic.exe")
        return u"PureBasic";
    if (host.ProcessExecutableName(ideProcessId) == u"SpiderBasic.exe")
        return u"SpiderBasic";
    return std::nullopt;
}

std::optional<WindowHandle> FindIdeMainWindow(HostSystem& host, uint32_t ideProcessId) {
    for (const WindowInfo& window : host.TopLevelWindows()) {
        if ((window.Style & CaptionStyle) != 0 && (window.Style & VisibleStyle) != 0 &&
            window.ProcessId == ideProcessId && window.ClassName == u"WindowClass_2")
            return window.Handle;
    }
    return std::nullopt;
}

std::optional<WindowHandle> FindEditorWindow(HostSystem& host, WindowHandle mainWindow) {
    for (const WindowInfo& window : host.DescendantWindows(mainWindow)) {
        if (window.ClassName == u"Scintilla" && (window.Style & VisibleStyle) != 0)
            return window.Handle;
    }
    return std::nullopt;
}

} // namespace brisklet
