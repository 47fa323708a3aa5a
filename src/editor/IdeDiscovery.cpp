// Recognising the host IDE, its main window and its visible editor.
#include "editor/IdeDiscovery.h"

#include <limits>

namespace brisklet {

namespace {

bool IsVisibleEditor(const WindowInfo& window) {
    return window.ClassName == u"Scintilla" && (window.Style & VisibleStyle) != 0;
}

} // namespace

std::optional<std::u16string> IdentifyHostIde(HostSystem& host, uint32_t ideProcessId) {
    if (host.ProcessExecutableName(ideProcessId) == u"PureBasic.exe")
        return u"PureBasic";
    if (host.ProcessExecutableName(ideProcessId) == u"SpiderBasic.exe")
        return u"SpiderBasic";
    return std::nullopt;
}

std::optional<WindowHandle> ParseWindowHandle(std::u16string_view text) {
    const bool negative = !text.empty() && text.front() == u'-';
    const std::u16string_view digits = text.substr(negative ? 1 : 0);
    if (digits.empty())
        return std::nullopt;
    // The magnitude of the most negative handle is one more than the largest positive one.
    const uintptr_t limit = static_cast<uintptr_t>(std::numeric_limits<intptr_t>::max()) + (negative ? 1 : 0);
    uintptr_t value = 0;
    for (const char16_t c : digits) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        const auto digit = static_cast<uintptr_t>(c - u'0');
        if (value > (limit - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    return negative ? static_cast<WindowHandle>(0 - value) : value;
}

std::optional<WindowHandle> FindIdeMainWindow(HostSystem& host, uint32_t ideProcessId, std::optional<WindowHandle> named) {
    const std::vector<WindowInfo> windows = host.TopLevelWindows();
    for (const WindowInfo& window : windows) {
        if (named && window.Handle == *named && window.ProcessId == ideProcessId)
            return window.Handle;
    }
    for (const WindowInfo& window : windows) {
        if ((window.Style & CaptionStyle) != 0 && (window.Style & VisibleStyle) != 0 &&
            window.ProcessId == ideProcessId && window.ClassName == u"WindowClass_2")
            return window.Handle;
    }
    return std::nullopt;
}

std::optional<WindowHandle> FindEditorWindow(HostSystem& host, WindowHandle mainWindow, std::optional<WindowHandle> named) {
    const std::vector<WindowInfo> windows = host.DescendantWindows(mainWindow);
    for (const WindowInfo& window : windows) {
        if (named && window.Handle == *named && IsVisibleEditor(window))
            return window.Handle;
    }
    for (const WindowInfo& window : windows) {
        if (IsVisibleEditor(window))
            return window.Handle;
    }
    return std::nullopt;
}

} // namespace brisklet
