// Text between the tool and the editor: decoding what is read, encoding what is written back.
#include "editor/EditorText.h"

#include <algorithm>

#include "editor/EditorPort.h"
#include "editor/ScintillaMessages.h"

namespace brisklet {

DecodedText ReadEditorText(EditorPort& editor, const ByteRange* range) {
    std::optional<DocumentBytes> document = editor.ReadDocument();
    if (!document)
        return {};
    std::string_view bytes(document->Bytes);
    if (range != nullptr) {
        const auto size = static_cast<int64_t>(bytes.size());
        const int64_t start = std::clamp<int64_t>(range->Start, 0, size);
        const int64_t end = std::clamp<int64_t>(range->End, start, size);
        bytes = bytes.substr(static_cast<size_t>(start), static_cast<size_t>(end - start));
    }
    return DecodeDocument(bytes, document->CodePage == SC_CP_UTF8);
}

bool WriteEditorText(EditorPort& editor, std::u16string_view text, ByteEncoding encoding, bool replaceSelection) {
    const std::optional<std::string> bytes = EncodeDocument(text, encoding);
    if (!bytes || bytes->find('\0') != std::string::npos)
        return false;
    return editor.SendText(replaceSelection ? SCI_REPLACESEL : SCI_SETTEXT, *bytes);
}

} // namespace brisklet
