// Byte encodings of documents and files: strict UTF-8, and one byte per character.
#include "runtime/TextCodec.h"

#include <cstdint>

#include "runtime/CodePage.h"

namespace brisklet {

namespace {

void AppendCodePoint(std::u16string& out, uint32_t codePoint) {
    if (codePoint < 0x10000) {
        out.push_back(static_cast<char16_t>(codePoint));
    } else {
        codePoint -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (codePoint >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF)));
    }
}

// What becomes of a byte that starts no well-formed sequence.
enum class InvalidByte { Replace, Escape };

// The code unit an invalid byte is carried in: a lone low surrogate, which no well-formed
// UTF-8 can decode to, so the byte is known again when the text is written back.
constexpr char16_t EscapeBase = 0xDC00;

bool IsEscapedByte(char16_t unit) {
    return unit >= EscapeBase + 0x80 && unit <= EscapeBase + 0xFF;
}

std::u16string Decode(std::string_view bytes, InvalidByte invalid) {
    std::u16string out;
    out.reserve(bytes.size());
    size_t at = 0;
    while (at < bytes.size()) {
        if (at + 8 <= bytes.size() && EightAscii(bytes.data() + at)) {
            for (size_t i = 0; i < 8; ++i)
                out.push_back(static_cast<char16_t>(bytes[at + i]));
            at += 8;
            continue;
        }
        const size_t length = Utf8SequenceLength(bytes, at);
        if (length == 0) {
            out.push_back(invalid == InvalidByte::Escape
                              ? static_cast<char16_t>(EscapeBase + static_cast<unsigned char>(bytes[at]))
                              : u'\xFFFD');
            ++at;
            continue;
        }
        AppendCodePoint(out, Utf8CodePoint(bytes, at, length));
        at += length;
    }
    return out;
}

} // namespace

bool IsValidUtf8(std::string_view bytes) {
    for (size_t at = NextNonAscii(bytes, 0); at < bytes.size();) {
        const size_t length = Utf8SequenceLength(bytes, at);
        if (length == 0)
            return false;
        at = NextNonAscii(bytes, at + length);
    }
    return true;
}

size_t WholeSequencesEnd(std::string_view bytes) {
    for (size_t at = bytes.size(); at > 0 && bytes.size() - at < 4; --at) {
        const auto byte = static_cast<unsigned char>(bytes[at - 1]);
        if ((byte & 0xC0) != 0x80)
            return byte >= 0xC0 ? at - 1 : bytes.size();
    }
    return bytes.size();
}

size_t NextNonAscii(std::string_view bytes, size_t at) {
    // Thirty-two bytes a look: a source is mostly ASCII, and the words' high bits together
    // say at once whether any of them is not.
    while (bytes.size() - at >= 32) {
        uint64_t words[4];
        std::memcpy(words, bytes.data() + at, sizeof words);
        if (((words[0] | words[1] | words[2] | words[3]) & RepeatedByte(0x80)) != 0)
            break;
        at += 32;
    }
    while (at + 8 <= bytes.size() && EightAscii(bytes.data() + at))
        at += 8;
    while (at < bytes.size() && static_cast<unsigned char>(bytes[at]) < 0x80)
        ++at;
    return at;
}

bool HoldsUtf8Sequence(std::string_view bytes) {
    for (size_t at = NextNonAscii(bytes, 0); at < bytes.size(); at = NextNonAscii(bytes, at + 1)) {
        if (Utf8SequenceLength(bytes, at) >= 2)
            return true;
    }
    return false;
}

std::u16string DecodeUtf8(std::string_view bytes) {
    return Decode(bytes, InvalidByte::Replace);
}

namespace {

std::string Encode(std::u16string_view text, InvalidByte invalid) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t unit = text[i];
        if (unit < 0x80 || (invalid == InvalidByte::Escape && IsEscapedByte(text[i]))) {
            out.push_back(static_cast<char>(unit - (unit < 0x80 ? 0 : EscapeBase)));
            continue;
        }
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            unit = 0x10000 + ((unit - 0xD800) << 10) + (static_cast<uint32_t>(text[i + 1]) - 0xDC00);
            ++i;
        }
        char sequence[4];
        out.append(sequence, PutUtf8(unit, sequence));
    }
    return out;
}

} // namespace

std::string EncodeUtf8(std::u16string_view text) {
    return Encode(text, InvalidByte::Replace);
}

std::u16string DecodeSingleBytes(std::string_view bytes) {
    std::u16string out(bytes.size(), u'\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[i]));
    return out;
}

std::string EncodeSingleBytes(std::u16string_view text) {
    std::string out(text.size(), '\0');
    for (size_t i = 0; i < text.size(); ++i)
        out[i] = text[i] <= 0xFF ? static_cast<char>(text[i]) : '?';
    return out;
}

DecodedText DecodeDocument(std::string_view bytes, bool utf8Document, const AnsiCodePage* codePage) {
    if (utf8Document)
        return {Decode(bytes, InvalidByte::Escape), ByteEncoding::Utf8};
    if (codePage != nullptr)
        return {DecodeAnsi(*codePage, bytes), ByteEncoding::SingleByte, codePage};
    return {DecodeSingleBytes(bytes), ByteEncoding::SingleByte};
}

std::optional<std::string> EncodeDocument(std::u16string_view text, ByteEncoding encoding,
                                          const AnsiCodePage* codePage) {
    if (encoding == ByteEncoding::Utf8)
        return Encode(text, InvalidByte::Escape);
    if (codePage != nullptr) {
        std::string bytes;
        if (!EncodeAnsi(*codePage, text, bytes))
            return std::nullopt;
        return bytes;
    }
    for (const char16_t unit : text) {
        if (unit > 0xFF)
            return std::nullopt;
    }
    return EncodeSingleBytes(text);
}

} // namespace brisklet
