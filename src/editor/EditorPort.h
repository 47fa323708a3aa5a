// One editor window as the cleaning run sees it: Scintilla messages plus the byte transfer.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

struct EditorMessage {
    unsigned Message = 0;
    uintptr_t WParam = 0;
    intptr_t LParam = 0;
};

// Text for the editor: written only while the document still holds what was read, so that
// nothing typed since the read is overwritten.
struct TextWrite {
    unsigned Message = 0;              // SCI_SETTEXT or SCI_REPLACESEL
    std::string_view Bytes;            // hold no zero
    std::string_view DocumentAsRead;   // the whole document as it was read
    std::vector<EditorMessage> Before; // commands sent after that check, right before the text
};

enum class WriteResult {
    Written,
    Failed,        // the bytes could not be handed over; the editor is unchanged
    EditorChanged, // the document no longer holds what was read; nothing was sent
};

class EditorPort {
public:
    virtual ~EditorPort() = default;

    // Sends one message and waits for its answer, without a time limit.
    virtual intptr_t Call(unsigned message, uintptr_t wParam = 0, intptr_t lParam = 0) = 0;

    // Sends every message before waiting for the first answer; the answers in the same order.
    // An IDE that handles the tool's messages only between waits of its own answers them all
    // in one break.
    [[nodiscard]] virtual std::vector<intptr_t> CallAll(const std::vector<EditorMessage>& messages) {
        std::vector<intptr_t> answers;
        for (const EditorMessage& message : messages)
            answers.push_back(Call(message.Message, message.WParam, message.LParam));
        return answers;
    }

    // Sends a message whose answer nobody reads, without waiting for it. It is handled in order
    // with the others: a Call after it returns only once it has been handled.
    virtual void Command(unsigned message, uintptr_t wParam = 0, intptr_t lParam = 0) {
        Call(message, wParam, lParam);
    }

    // The whole document; nullopt when the editor does not answer in time. May throw
    // std::bad_alloc when memory is short.
    [[nodiscard]] virtual std::optional<DocumentBytes> ReadDocument() = 0;

    // Checks that the document still holds write.DocumentAsRead, as late as the transfer
    // allows, then sends write.Before and hands the bytes over. May throw std::bad_alloc
    // before anything reached the editor.
    [[nodiscard]] virtual WriteResult SendText(const TextWrite& write) = 0;
};

} // namespace brisklet
