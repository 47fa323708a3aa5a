// "/converttexttouppercaseletters" and "/converttexttolowercaseletters".
#include "cleaning/LetterCase.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "runtime/CaseTable.h"

namespace brisklet {

namespace {

const char16_t* CaseMap(LetterCase letterCase) {
    return letterCase == LetterCase::Upper ? UpperCaseMap() : LowerCaseMap();
}

void ConvertSingleBytes(std::string& bytes, const char16_t* map) {
    for (char& byte : bytes)
        byte = static_cast<char>(map[static_cast<unsigned char>(byte)]);
}

size_t Utf8SequenceLength(unsigned char lead) {
    if (lead < 0xE0)
        return 2;
    return lead < 0xF0 ? 3 : 4;
}

// Writes the UTF-8 form of a code unit of the BMP to out and returns its length.
size_t PutUtf8(char16_t unit, unsigned char* out) {
    if (unit < 0x80) {
        out[0] = static_cast<unsigned char>(unit);
        return 1;
    }
    if (unit < 0x800) {
        out[0] = static_cast<unsigned char>(0xC0 | (unit >> 6));
        out[1] = static_cast<unsigned char>(0x80 | (unit & 0x3F));
        return 2;
    }
    out[0] = static_cast<unsigned char>(0xE0 | (unit >> 12));
    out[1] = static_cast<unsigned char>(0x80 | ((unit >> 6) & 0x3F));
    out[2] = static_cast<unsigned char>(0x80 | (unit & 0x3F));
    return 3;
}

char16_t DecodeUnit(const unsigned char* sequence, size_t length) {
    if (length == 2)
        return static_cast<char16_t>(((sequence[0] & 0x1F) << 6) | (sequence[1] & 0x3F));
    return static_cast<char16_t>(((sequence[0] & 0x0F) << 12) | ((sequence[1] & 0x3F) << 6) | (sequence[2] & 0x3F));
}

// Well-formed UTF-8 in, well-formed UTF-8 out. Characters beyond the BMP are two surrogate
// halves in UTF-16, which have no case, so their four bytes are copied.
void AppendConverted(std::string_view bytes, const char16_t* map, std::string& out) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    for (size_t at = 0; at < bytes.size();) {
        const unsigned char lead = byte(at);
        if (lead < 0x80) {
            out.push_back(static_cast<char>(map[lead]));
            ++at;
            continue;
        }
        const size_t length = Utf8SequenceLength(lead);
        if (length == 4 || at + length > bytes.size()) {
            out.append(bytes, at, length);
            at += length;
            continue;
        }
        unsigned char encoded[3];
        const size_t encodedLength =
            PutUtf8(map[DecodeUnit(reinterpret_cast<const unsigned char*>(bytes.data()) + at, length)], encoded);
        out.append(reinterpret_cast<const char*>(encoded), encodedLength);
        at += length;
    }
}

bool AllAscii(const unsigned char* eight) {
    uint64_t word = 0;
    std::memcpy(&word, eight, sizeof word);
    return (word & 0x8080808080808080u) == 0;
}

// The same in place, ASCII eight bytes at a time, as long as no character's other case takes
// more bytes than its own; from such a character on, the rest goes to a new string.
void ConvertUtf8(std::string& bytes, const char16_t* map) {
    unsigned char ascii[0x80];
    for (size_t i = 0; i < 0x80; ++i)
        ascii[i] = static_cast<unsigned char>(map[i]);
    auto* const data = reinterpret_cast<unsigned char*>(bytes.data());
    const size_t size = bytes.size();
    size_t read = 0;
    size_t write = 0;
    while (read < size) {
        for (; read + 8 <= size && AllAscii(data + read); read += 8, write += 8) {
            for (size_t i = 0; i < 8; ++i)
                data[write + i] = ascii[data[read + i]];
        }
        if (read == size)
            break;
        const unsigned char lead = data[read];
        if (lead < 0x80) {
            data[write++] = ascii[lead];
            ++read;
            continue;
        }
        const size_t length = std::min(Utf8SequenceLength(lead), size - read);
        if (length == 4 || length < Utf8SequenceLength(lead)) {
            std::memmove(data + write, data + read, length);
            read += length;
            write += length;
            continue;
        }
        unsigned char encoded[3];
        const size_t encodedLength = PutUtf8(map[DecodeUnit(data + read, length)], encoded);
        if (encodedLength > length + (read - write)) {
            std::string out(bytes, 0, write);
            out.reserve(size + size / 2);
            AppendConverted(std::string_view(bytes).substr(read), map, out);
            bytes.swap(out);
            return;
        }
        std::memcpy(data + write, encoded, encodedLength);
        read += length;
        write += encodedLength;
    }
    bytes.resize(write);
}

} // namespace

CaseMaps UnicodeCaseMaps() {
    return {UpperCaseMap(), LowerCaseMap()};
}

void ConvertLetterCase(std::u16string& text, LetterCase letterCase) {
    ConvertLetterCase(text, letterCase, UnicodeCaseMaps());
}

void ConvertLetterCase(std::u16string& text, LetterCase letterCase, const CaseMaps& maps) {
    const char16_t* map = letterCase == LetterCase::Upper ? maps.Upper : maps.Lower;
    for (char16_t& unit : text)
        unit = map[unit];
}

void ConvertLetterCase(std::string& bytes, ByteEncoding encoding, LetterCase letterCase) {
    if (encoding == ByteEncoding::Utf8)
        ConvertUtf8(bytes, CaseMap(letterCase));
    else
        ConvertSingleBytes(bytes, CaseMap(letterCase));
}

} // namespace brisklet
