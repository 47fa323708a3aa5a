// Letter case conversion of file bytes: UTF-8 sequence by sequence, or one byte one character.
#include "cleaning/stream/ByteCase.h"

#include <algorithm>
#include <bit>
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

// The number of ASCII bytes at the front of bytes, found eight at a time: the lowest high bit
// of a word marks its first byte beyond ASCII.
size_t AsciiRun(const char* bytes, size_t size) {
    size_t at = 0;
    for (; at + 8 <= size; at += 8) {
        uint64_t word = 0;
        std::memcpy(&word, bytes + at, sizeof word);
        const uint64_t high = word & RepeatedByte(0x80);
        if (high != 0)
            return at + static_cast<size_t>(std::countr_zero(high)) / 8;
    }
    while (at < size && static_cast<unsigned char>(bytes[at]) < 0x80)
        ++at;
    return at;
}

// ASCII bytes to the other case. With the plain ASCII mapping the loop has no table and no
// branch, so the compiler does it sixteen or thirty-two bytes at a time.
void ConvertAsciiRun(const char* read, size_t size, char* write, LetterCase letterCase, const unsigned char* table,
                     bool plain) {
    if (!plain) {
        for (size_t i = 0; i < size; ++i)
            write[i] = static_cast<char>(table[static_cast<unsigned char>(read[i])]);
        return;
    }
    const unsigned char first = letterCase == LetterCase::Upper ? 'a' : 'A';
    for (size_t i = 0; i < size; ++i) {
        const auto c = static_cast<unsigned char>(read[i]);
        write[i] = static_cast<char>(static_cast<unsigned char>(c - first) < 26 ? c ^ 0x20 : c);
    }
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
        const size_t run = AsciiRun(read + at, size - at);
        ConvertAsciiRun(read + at, run, write + written, letterCase, ascii, plain);
        at += run;
        written += run;
        if (at == size)
            break;
        const size_t length = Utf8SequenceLength(piece, at);
        if (length == 0 || length == 4) {
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
        const size_t run = AsciiRun(piece.data() + at, piece.size() - at);
        ConvertAsciiRun(piece.data() + at, run, write + at, letterCase, table, plain);
        at += run;
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
