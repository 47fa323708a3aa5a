// Text between the tool and the editor: decoding what is read, encoding what is written back.
#include "editor/EditorText.h"

#include <algorithm>
#include <new>

#include "editor/EditorPort.h"
#include "editor/ScintillaMessages.h"
#include "runtime/CodePage.h"

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

// The same in a double-byte code page, where only a walk from the document's start tells a
// trail byte from a lead byte or a character of its own.
void KeepWholeCharacters(const AnsiCodePage& codePage, std::string_view bytes, int64_t& start, int64_t& end) {
    size_t at = 0;
    while (static_cast<int64_t>(at) < start)
        at += CharacterLength(codePage, bytes, at);
    if (static_cast<int64_t>(at) >= end) {
        start = end; // inside one character: nothing whole
        return;
    }
    start = static_cast<int64_t>(at);
    while (static_cast<int64_t>(at) < end) {
        const size_t next = at + CharacterLength(codePage, bytes, at);
        if (static_cast<int64_t>(next) > end)
            break;
        at = next;
    }
    end = static_cast<int64_t>(at);
}

// Nor does a CR LF pair split: the editor counts it as one line end, and half of it would be
// a lone CR in the text, a line end of its own. The pair stays outside, as it was.
void KeepWholeLineEnds(std::string_view bytes, int64_t& start, int64_t& end) {
    const auto splitsPair = [&](int64_t at) {
        return at > 0 && at < static_cast<int64_t>(bytes.size()) && bytes[static_cast<size_t>(at - 1)] == '\r' &&
               bytes[static_cast<size_t>(at)] == '\n';
    };
    if (splitsPair(start))
        start = std::min(start + 1, end);
    if (splitsPair(end))
        end = std::max(end - 1, start);
}

EditorRead ReadDecoded(EditorPort& editor, ByteRange* range) {
    std::optional<DocumentBytes> document = editor.ReadDocument();
    if (!document)
        return {};
    const bool utf8Document = document->CodePage == SC_CP_UTF8;
    const AnsiCodePage* codePage = utf8Document ? nullptr : document->SystemCodePage;
    std::string_view bytes(document->Bytes);
    if (range != nullptr) {
        const auto size = static_cast<int64_t>(bytes.size());
        range->Start = std::clamp<int64_t>(range->Start, 0, size);
        range->End = std::clamp<int64_t>(range->End, range->Start, size);
        if (utf8Document)
            KeepWholeCharacters(bytes, range->Start, range->End);
        else if (codePage != nullptr)
            KeepWholeCharacters(*codePage, bytes, range->Start, range->End);
        KeepWholeLineEnds(bytes, range->Start, range->End);
        bytes = bytes.substr(static_cast<size_t>(range->Start), static_cast<size_t>(range->End - range->Start));
    }
    EditorRead read{DecodeDocument(bytes, utf8Document, codePage), {}};
    read.Document = std::move(document->Bytes);
    return read;
}

} // namespace

EditorRead ReadEditorText(EditorPort& editor, ByteRange* range) {
    // A document too big for this process's memory (a 32-bit tool, hundreds of megabytes)
    // reads as nothing, like an editor that did not answer.
    try {
        return ReadDecoded(editor, range);
    } catch (const std::bad_alloc&) {
        return {};
    }
}

WriteResult WriteEditorText(EditorPort& editor, std::u16string_view text, const EditorRead& read, bool replaceSelection,
                            std::vector<EditorMessage> before) {
    try {
        const std::optional<std::string> bytes = EncodeDocument(text, read.Decoded.Encoding, read.Decoded.CodePage);
        if (!bytes || bytes->find('\0') != std::string::npos)
            return WriteResult::Failed;
        return editor.SendText({replaceSelection ? SCI_REPLACESEL : SCI_SETTEXT, *bytes, read.Document, std::move(before)});
    } catch (const std::bad_alloc&) {
        return WriteResult::Failed; // before anything reached the editor
    }
}

} // namespace brisklet
