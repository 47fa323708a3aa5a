// EditorPort over a Scintilla window in another process: window messages and process memory.
#pragma once

#include <windows.h>

#include "editor/EditorPort.h"

namespace brisklet {

class ScintillaWindowPort : public EditorPort {
public:
    ScintillaWindowPort(HWND editor, DWORD processId);

    intptr_t Call(unsigned message, uintptr_t wParam = 0, intptr_t lParam = 0) override;
    [[nodiscard]] std::vector<intptr_t> CallAll(const std::vector<EditorMessage>& messages) override;
    void Command(unsigned message, uintptr_t wParam = 0, intptr_t lParam = 0) override;
    [[nodiscard]] std::optional<DocumentBytes> ReadDocument() override;
    [[nodiscard]] WriteResult SendText(const TextWrite& write) override;

private:
    struct Collected {
        std::vector<intptr_t> Answers; // 0 where none came
        bool Complete = false;         // every message sent and answered
    };
    // Sends every message before waiting, then collects the answers until all are in, the
    // window has gone, or timeLimitMs (INFINITE: none) has passed.
    [[nodiscard]] Collected Collect(const std::vector<EditorMessage>& messages, DWORD timeLimitMs);
    // Reads that give up after a second, so a hung IDE cannot hang the tool; nullopt then.
    [[nodiscard]] std::optional<std::vector<intptr_t>> AskWithTimeLimit(const std::vector<EditorMessage>& messages);
    // Whether the document holds exactly these bytes now; nullopt when the editor does not answer.
    [[nodiscard]] std::optional<bool> DocumentHolds(HANDLE process, std::string_view bytes);
    // Pointers of a 32-bit IDE come back sign-extended to a 64-bit tool; keep their 32 bits.
    [[nodiscard]] uintptr_t RemoteAddress(intptr_t answer) const;

    HWND editor_;
    DWORD processId_;
    bool ideIs32Bit_ = true;
};

} // namespace brisklet
