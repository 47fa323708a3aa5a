// Text between the tool and the editor: decoding what is read, encoding what is written back.
#include "editor/EditorText.h"

#include <algorithm>

#include "editor/EditorPort.h"
#include "editor/ScintillaMessages.h"

namespace brisklet {

namespace {

bool IsUtf8Continuation(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// The editor lets a program select from inside a character. Half a character is no text
// to clean (decoded byte by byte, a lead byte would change case), so the range shrinks to
// the whole characters in it, and the parts of a cut one stay outside, as they were.
void KeepWholeCharacters(std::string_view bytes, int64_t& start, int64_t& end) {
    const auto size = static_cast<int64_t>(bytes.size());
    while (start < end && IsUtf8Continuation(bytes[static_cast<size_t>(start)]))
        ++start;
    while (end > start && end < size && IsUtf8Continuation(bytes[static_cast<size_t>(end)]))
        --end;
}

} // namespace

DecodedText ReadEditorText(EditorPort& editor, ByteRange* range) {
    std::optional<DocumentBytes> document = editor.ReadDocument();
    if (!document)
        return {};
    const bool utf8Document = document->CodePage == SC_CP_UTF8;
    std::string_view bytes(document->Bytes);
    if (range != nullptr) {
        const auto size = static_cast<int64_t>(bytes.size());
        range->Start = std::clamp<int64_t>(range->Start, 0, size);
        range->End = std::clamp<int64_t>(range->End, range->Start, size);
        if (utf8Document)
            KeepWholeCharacters(bytes, range->Start, range->End);
        bytes = bytes.substr(static_cast<size_t>(range->Start), static_cast<size_t>(range->End - range->Start));
    }
    return DecodeDocument(bytes, utf8Document);
}

bool WriteEditorText(EditorPort& editor, std::u16string_view text, ByteEncoding encoding, bool replaceSelection) {
    const std::optional<std::string> bytes = EncodeDocument(text, encoding);
    if (!bytes || bytes->find('\0') != std::string::npos)
        return false;
    return editor.SendText(replaceSelection ? SCI_REPLACESEL : SCI_SETTEXT, *bytes);
}

} // namespace brisklet
