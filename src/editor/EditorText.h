// Text between the tool and the editor: decoding what is read, encoding what is written back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "editor/EditorPort.h"
#include "runtime/TextCodec.h"

namespace brisklet {

struct ByteRange {
    int64_t Start = 0;
    int64_t End = 0;
};

struct EditorRead {
    DecodedText Decoded;  // the text to clean
    std::string Document; // the whole document's bytes as they were read
};

// The whole document, or only the bytes of range (cut before decoding). The range is
// clamped to the document and shrunk to the whole characters (in a UTF-8 or double-byte
// document) and the whole CR LF pairs it holds; it then names the bytes the text came from.
// The empty text when the editor did not answer or memory is short.
[[nodiscard]] EditorRead ReadEditorText(EditorPort& editor, ByteRange* range);

// Writes text as the whole document, or as the replacement of the current selection, in the
// encoding and code page it was read with, sending before first; only while the document
// still holds what read found there (EditorChanged, nothing sent, when not). Refuses (Failed,
// editor untouched) text that cannot go back whole: a character the encoding cannot hold, or a
// zero byte, where the editor would cut the text short; and gives up the same way when memory
// is short.
[[nodiscard]] WriteResult WriteEditorText(EditorPort& editor, std::u16string_view text, const EditorRead& read,
                                          bool replaceSelection, std::vector<EditorMessage> before = {});

} // namespace brisklet
