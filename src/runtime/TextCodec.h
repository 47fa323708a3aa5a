// Byte encodings of documents and files: strict UTF-8, and one byte per character.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace brisklet {

struct AnsiCodePage;

// How document bytes map to characters: UTF-8, or not (SingleByte): then in the system code page
// where the text says which, else one byte one character (ISO-8859-1).
enum class ByteEncoding { SingleByte, Utf8 };

// Well-formed UTF-8 only: no overlong forms, no surrogates, nothing above U+10FFFF.
[[nodiscard]] bool IsValidUtf8(std::string_view bytes);
// Length of the well-formed sequence at bytes[at] (1 for ASCII), or 0 when none starts there.
[[nodiscard]] size_t Utf8SequenceLength(std::string_view bytes, size_t at);

// Decodes any bytes; a byte that starts no well-formed sequence becomes U+FFFD. For names,
// messages and text that IsValidUtf8 accepted: documents go through DecodeDocument, which
// keeps such bytes.
[[nodiscard]] std::u16string DecodeUtf8(std::string_view bytes);
// Lone surrogates are written as their three-byte forms, so no code unit is lost.
[[nodiscard]] std::string EncodeUtf8(std::u16string_view text);

[[nodiscard]] std::u16string DecodeSingleBytes(std::string_view bytes);
// Characters above U+00FF become "?", as the platform's conversion would write them.
[[nodiscard]] std::string EncodeSingleBytes(std::u16string_view text);

struct DecodedText {
    std::u16string Text;
    ByteEncoding Encoding = ByteEncoding::SingleByte;
    // The system code page a single-byte text was read with; null: one byte one character.
    const AnsiCodePage* CodePage = nullptr;
};

// A UTF-8 document is decoded as UTF-8; a byte that starts no well-formed sequence is carried
// as a lone surrogate (U+DC80 to U+DCFF) that no case conversion touches and EncodeDocument
// writes back as that byte. Any other document is read in the system code page when one is
// given (DecodeAnsi), else one byte to one character. Either way every byte comes back as it
// was, and one stray byte does not turn the characters around it into bytes whose case would
// change.
[[nodiscard]] DecodedText DecodeDocument(std::string_view bytes, bool utf8Document,
                                         const AnsiCodePage* codePage = nullptr);

// The bytes of text in the encoding (and code page) it was read with; nullopt when a character
// cannot be written in it (never the case for text the cleaning produced from decoded bytes).
[[nodiscard]] std::optional<std::string> EncodeDocument(std::u16string_view text, ByteEncoding encoding,
                                                        const AnsiCodePage* codePage = nullptr);

} // namespace brisklet
