// Byte encodings of documents and files: strict UTF-8, and one byte per character.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace brisklet {

struct AnsiCodePage;

// How document bytes map to characters: UTF-8, or not (SingleByte): then in the system code page
// where the text says which, else one byte one character (ISO-8859-1).
enum class ByteEncoding { SingleByte, Utf8 };

inline constexpr std::string_view Utf8ByteOrderMark = "\xEF\xBB\xBF";

// How many bytes a UTF-8 byte order mark takes at the start of text: 3 or 0.
[[nodiscard]] inline size_t ByteOrderMarkLength(std::string_view text) {
    return text.starts_with(Utf8ByteOrderMark) ? Utf8ByteOrderMark.size() : 0;
}

// c in lower case when it is an ASCII capital; every other byte as it is.
[[nodiscard]] constexpr char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// A text that begins with a UTF-16 byte order mark, either way round: its characters are two
// bytes, and no rule over single bytes may touch them.
[[nodiscard]] inline bool StartsAsUtf16(std::string_view text) {
    return text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF");
}

// CR and LF each end a line; CR LF is one line end made of both.
[[nodiscard]] inline bool IsLineEnd(char c) {
    return c == '\n' || c == '\r';
}

// c in each of a word's eight bytes, for looking at eight bytes at a time.
[[nodiscard]] constexpr uint64_t RepeatedByte(unsigned char c) {
    return 0x0101010101010101u * c;
}

// Whether the eight bytes from bytes on are all ASCII.
[[nodiscard]] inline bool EightAscii(const char* bytes) {
    uint64_t word = 0;
    std::memcpy(&word, bytes, sizeof word);
    return (word & RepeatedByte(0x80)) == 0;
}

// Well-formed UTF-8 only: no overlong forms, no surrogates, nothing above U+10FFFF.
[[nodiscard]] bool IsValidUtf8(std::string_view bytes);
// Length of the well-formed sequence at bytes[at] (1 for ASCII), or 0 when none starts there.
// Inline: the case conversions ask it once a character beyond ASCII.
[[nodiscard]] inline size_t Utf8SequenceLength(std::string_view bytes, size_t at) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(at);
    const size_t left = bytes.size() - at;
    const auto continuation = [&](size_t i) { return (byte(at + i) & 0xC0) == 0x80; };
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return left >= 2 && continuation(1) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        if (left < 3 || !continuation(1) || !continuation(2))
            return 0;
        const unsigned char second = byte(at + 1);
        if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second >= 0xA0))
            return 0; // overlong, or a surrogate
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        if (left < 4 || !continuation(1) || !continuation(2) || !continuation(3))
            return 0;
        const unsigned char second = byte(at + 1);
        if ((lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second >= 0x90))
            return 0; // overlong, or above U+10FFFF
        return 4;
    }
    return 0;
}
// Where bytes may be cut so that no UTF-8 sequence goes on past the cut: before the last lead
// byte when it is among the last four (a sequence is at most four bytes, and its continuation
// bytes are the only ones of the form 10xxxxxx), else at the end.
[[nodiscard]] size_t WholeSequencesEnd(std::string_view bytes);
// The first byte beyond ASCII from at (at most bytes.size()) on, or bytes.size().
[[nodiscard]] size_t NextNonAscii(std::string_view bytes, size_t at);
// Whether bytes hold at least one well-formed sequence of two or more bytes.
[[nodiscard]] bool HoldsUtf8Sequence(std::string_view bytes);

// The code point of the well-formed sequence of length bytes at bytes[at].
[[nodiscard]] inline uint32_t Utf8CodePoint(std::string_view bytes, size_t at, size_t length) {
    const auto byte = [&](size_t i) { return static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + i])); };
    switch (length) {
    case 2:
        return ((byte(0) & 0x1F) << 6) | (byte(1) & 0x3F);
    case 3:
        return ((byte(0) & 0x0F) << 12) | ((byte(1) & 0x3F) << 6) | (byte(2) & 0x3F);
    case 4:
        return ((byte(0) & 0x07) << 18) | ((byte(1) & 0x3F) << 12) | ((byte(2) & 0x3F) << 6) | (byte(3) & 0x3F);
    default:
        return byte(0);
    }
}

// Writes codePoint (a lone surrogate too) as UTF-8 at out: its 1 to 4 bytes, and answers how many.
inline size_t PutUtf8(uint32_t codePoint, char* out) {
    if (codePoint < 0x80) {
        out[0] = static_cast<char>(codePoint);
        return 1;
    }
    if (codePoint < 0x800) {
        out[0] = static_cast<char>(0xC0 | (codePoint >> 6));
        out[1] = static_cast<char>(0x80 | (codePoint & 0x3F));
        return 2;
    }
    if (codePoint < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (codePoint >> 12));
        out[1] = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (codePoint & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (codePoint >> 18));
    out[1] = static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (codePoint & 0x3F));
    return 4;
}

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
