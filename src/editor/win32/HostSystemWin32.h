// The host IDE's process and windows as Windows shows them: Tool Help snapshots and window enumeration.
#pragma once

#include "editor/HostSystem.h"

namespace brisklet {

class HostSystemWin32 : public HostSystem {
public:
    uint32_t ParentProcessId() override;
    std::u16string ProcessExecutableName(uint32_t processId) override;
    std::vector<WindowInfo> TopLevelWindows() override;
    std::vector<WindowInfo> DescendantWindows(WindowHandle parent) override;
    std::unique_ptr<EditorPort> OpenEditor(WindowHandle editor, uint32_t processId) override;
};

} // namespace brisklet
