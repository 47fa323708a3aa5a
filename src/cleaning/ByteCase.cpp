// Letter case conversion of file bytes: UTF-8 sequence by sequence, or one byte one character.
#include "cleaning/ByteCase.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "runtime/CaseTable.h"

namespace brisklet {

namespace {

// Each byte's other case as one byte: ASCII for UTF-8 text, the first 256 characters for
// single-byte text.
struct CaseBytes {
    unsigned char Upper[256];
    unsigned char Lower[256];
    // ASCII maps a-z to A-Z and back and nothing else, so eight bytes convert by arithmetic.
    bool PlainAscii = false;
};

const CaseBytes& CaseBytesTable() {
    static const CaseBytes table = [] {
        CaseBytes built{};
        const CaseMaps maps = SingleByteCaseMaps();
        built.PlainAscii = true;
        for (unsigned b = 0; b < 256; ++b) {
            built.Upper[b] = static_cast<unsigned char>(maps.Upper[b]);
            built.Lower[b] = static_cast<unsigned char>(maps.Lower[b]);
            if (b < 0x80)
                built.PlainAscii = built.PlainAscii && built.Upper[b] == (b >= 'a' && b <= 'z' ? b - 32 : b) &&
                                   built.Lower[b] == (b >= 'A' && b <= 'Z' ? b + 32 : b);
        }
        return built;
    }();
    return table;
}

// Eight ASCII bytes to the other case: a byte from first to last gets its 0x20 bit flipped.
// No byte is above 0x7F, so the sums below never carry into the next byte.
uint64_t FlipAsciiRange(uint64_t word, unsigned char first, unsigned char last) {
    const uint64_t fromFirst = word + RepeatedByte(static_cast<unsigned char>(0x80 - first));
    const uint64_t aboveLast = word + RepeatedByte(static_cast<unsigned char>(0x7F - last));
    const uint64_t inRange = (fromFirst ^ aboveLast) & RepeatedByte(0x80);
    return word ^ (inRange >> 2);
}

// Converts the ASCII words at the front of read into write; the number of bytes done.
size_t ConvertAsciiWords(const char* read, size_t size, char* write, LetterCase letterCase, const unsigned char* table,
                         bool plain) {
    const unsigned char first = letterCase == LetterCase::Upper ? 'a' : 'A';
    size_t at = 0;
    for (; at + 8 <= size && EightAscii(read + at); at += 8) {
        if (plain) {
            uint64_t word = 0;
            std::memcpy(&word, read + at, sizeof word);
            word = FlipAsciiRange(word, first, static_cast<unsigned char>(first + 25));
            std::memcpy(write + at, &word, sizeof word);
        } else {
            for (size_t i = 0; i < 8; ++i)
                write[at + i] = static_cast<char>(table[static_cast<unsigned char>(read[at + i])]);
        }
    }
    return at;
}

// Characters beyond the BMP are two surrogate halves in UTF-16, which have no case. A
// character's other case takes at most half as many bytes again as its own.
void ConvertCaseUtf8(std::string_view piece, LetterCase letterCase, ByteBuffer& out) {
    const unsigned char* ascii =
        letterCase == LetterCase::Upper ? CaseBytesTable().Upper : CaseBytesTable().Lower;
    const char16_t* map = letterCase == LetterCase::Upper ? UpperCaseMap() : LowerCaseMap();
    const bool plain = CaseBytesTable().PlainAscii;
    char* const write = ReserveBytes(out, piece.size() + piece.size() / 2);
    const char* const read = piece.data();
    const size_t size = piece.size();
    size_t at = 0;
    size_t written = 0;
    while (at < size) {
        const size_t words = ConvertAsciiWords(read + at, size - at, write + written, letterCase, ascii, plain);
        at += words;
        written += words;
        if (at == size)
            break;
        const auto lead = static_cast<unsigned char>(read[at]);
        const size_t length = lead < 0x80 ? 1 : Utf8SequenceLength(piece, at);
        if (length == 1) {
            write[written++] = static_cast<char>(ascii[lead]);
        } else if (length == 0 || length == 4) {
            std::memcpy(write + written, read + at, std::max<size_t>(length, 1));
            written += std::max<size_t>(length, 1);
        } else {
            written += PutUtf8(map[Utf8CodePoint(piece, at, length)], write + written);
        }
        at += std::max<size_t>(length, 1);
    }
    out.Size += written;
}

void ConvertCaseSingleBytes(std::string_view piece, LetterCase letterCase, ByteBuffer& out) {
    const unsigned char* table = letterCase == LetterCase::Upper ? CaseBytesTable().Upper : CaseBytesTable().Lower;
    const bool plain = CaseBytesTable().PlainAscii;
    char* const write = ReserveBytes(out, piece.size());
    for (size_t at = 0; at < piece.size();) {
        at += ConvertAsciiWords(piece.data() + at, piece.size() - at, write + at, letterCase, table, plain);
        if (at < piece.size()) {
            write[at] = static_cast<char>(table[static_cast<unsigned char>(piece[at])]);
            ++at;
        }
    }
    out.Size += piece.size();
}

} // namespace

void ConvertCaseBytes(std::string_view piece, LetterCase letterCase, ByteEncoding encoding, ByteBuffer& out) {
    if (encoding == ByteEncoding::Utf8)
        ConvertCaseUtf8(piece, letterCase, out);
    else
        ConvertCaseSingleBytes(piece, letterCase, out);
}

} // namespace brisklet
