// What discovering the host IDE asks of the platform: processes, windows, and the editor link.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace brisklet {

class EditorPort;

using WindowHandle = uintptr_t;

struct WindowInfo {
    WindowHandle Handle = 0;
    uint32_t Style = 0;     // GWL_STYLE
    uint32_t ProcessId = 0; // of the window's thread
    std::u16string ClassName;
};

class HostSystem {
public:
    virtual ~HostSystem() = default;

    // The tool's parent process, 0 when it cannot be found.
    [[nodiscard]] virtual uint32_t ParentProcessId() = 0;

    // The file name (no folder) of the process's executable, "" when its modules cannot be
    // listed, as for a process of the other bitness.
    [[nodiscard]] virtual std::u16string ProcessExecutableName(uint32_t processId) = 0;

    // Top-level windows, and all descendants of a window, in the platform's order.
    [[nodiscard]] virtual std::vector<WindowInfo> TopLevelWindows() = 0;
    [[nodiscard]] virtual std::vector<WindowInfo> DescendantWindows(WindowHandle parent) = 0;

    // The editor window in the IDE's process, seen as an EditorPort.
    [[nodiscard]] virtual std::unique_ptr<EditorPort> OpenEditor(WindowHandle editor, uint32_t processId) = 0;
};

} // namespace brisklet
