// One editor window as the cleaning run sees it: Scintilla messages plus the byte transfer.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace brisklet {

struct AnsiCodePage;

// The document as it lies in the editor: its bytes (zeros included) and its code page
// (SCI_GETCODEPAGE: SC_CP_UTF8 for UTF-8, 0 for the system code page).
struct DocumentBytes {
    std::string Bytes;
    int CodePage = 0;
    // The system code page, for a document that is not UTF-8; null: one byte one character.
    const AnsiCodePage* SystemCodePage = nullptr;
};

class EditorPort {
public:
    virtual ~EditorPort() = default;

    // Sends one message and waits for its answer, without a time limit.
    virtual intptr_t Call(unsigned message, uintptr_t wParam = 0, intptr_t lParam = 0) = 0;

    // The whole document; nullopt when the editor does not answer in time. May throw
    // std::bad_alloc when memory is short.
    [[nodiscard]] virtual std::optional<DocumentBytes> ReadDocument() = 0;

    // Hands bytes to the editor with SCI_SETTEXT or SCI_REPLACESEL. The bytes hold no zero.
    // False when they could not be handed over; the editor is then unchanged. May throw
    // std::bad_alloc before anything reached the editor.
    virtual bool SendText(unsigned message, std::string_view bytes) = 0;
};

} // namespace brisklet
