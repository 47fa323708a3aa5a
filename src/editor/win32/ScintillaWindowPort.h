// EditorPort over a Scintilla window in another process: window messages and process memory.
#pragma once

#include <windows.h>

#include "editor/EditorPort.h"

namespace brisklet {

class ScintillaWindowPort : public EditorPort {
public:
    ScintillaWindowPort(HWND editor, DWORD processId);

    intptr_t Call(unsigned message, uintptr_t wParam = 0, intptr_t lParam = 0) override;
    [[nodiscard]] std::optional<DocumentBytes> ReadDocument() override;
    bool SendText(unsigned message, std::string_view bytes) override;

private:
    // A read that gives up after a second, so a hung IDE cannot hang the tool; nullopt then.
    [[nodiscard]] std::optional<LRESULT> AskWithTimeLimit(UINT message);
    // Pointers of a 32-bit IDE come back sign-extended to a 64-bit tool; keep their 32 bits.
    [[nodiscard]] uintptr_t RemoteAddress(LRESULT answer) const;

    HWND editor_;
    DWORD processId_;
    bool ideIs32Bit_ = true;
};

} // namespace brisklet
