// Letter case conversion of file bytes: UTF-8 sequence by sequence, or one byte one character.
#include "cleaning/stream/ByteCase.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>

#include "runtime/CaseTable.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

// A 64-bit x86 program built for any such processor converts 32 bytes in one instruction where
// the processor has AVX2: the conversion's loops are built twice and the processor chooses.
#if defined(__x86_64__) && defined(__SSE2__) && !defined(__AVX2__) && (defined(__GNUC__) || defined(__clang__))
#define BRISKLET_AVX2_WINDOWS 1
#include <immintrin.h>
#endif

namespace brisklet {

namespace {

// Each byte beyond ASCII's other case as one byte, for single-byte text: the first 256
// characters. ASCII letters convert by arithmetic.
struct CaseBytes {
    unsigned char Upper[256];
    unsigned char Lower[256];
};

const CaseBytes& CaseBytesTable() {
    static const CaseBytes table = [] {
        CaseBytes built{};
        const CaseMaps maps = SingleByteCaseMaps();
        for (unsigned b = 0; b < 256; ++b) {
            built.Upper[b] = static_cast<unsigned char>(maps.Upper[b]);
            built.Lower[b] = static_cast<unsigned char>(maps.Lower[b]);
        }
        return built;
    }();
    return table;
}

// The profile showed the time in the conversion itself, not in how the text reaches it: an
// eight-byte search for each ASCII run, a second pass to convert it and a call per character
// beyond ASCII, where one in seventeen bytes is such. So the text goes in windows of 32 bytes,
// each converted in one pass without a branch (the compiler does it sixteen or thirty-two bytes
// at a time), and only the windows with a byte beyond ASCII look at those bytes, in place.
constexpr size_t Window = 32;

unsigned char OtherCaseAscii(unsigned char c, LetterCase letterCase) {
    const unsigned char first = letterCase == LetterCase::Upper ? 'a' : 'A';
    return static_cast<unsigned char>(c - first) < 26 ? static_cast<unsigned char>(c ^ 0x20) : c;
}

// Converts the Window bytes at read to write, a byte beyond ASCII as it is, and answers which
// of them are beyond ASCII, bit i for byte i.
#ifdef __SSE2__
inline uint32_t ConvertWindow(const char* read, char* write, LetterCase letterCase) {
    // Bytes compare signed: moved down by first, a letter of the case is below 26 - 128.
    const __m128i shift = _mm_set1_epi8(static_cast<char>((letterCase == LetterCase::Upper ? 'a' : 'A') + 128));
    const __m128i last = _mm_set1_epi8(static_cast<char>(26 - 128));
    const __m128i flip = _mm_set1_epi8(0x20);
    uint32_t beyond = 0;
    for (size_t half = 0; half < Window; half += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(read + half));
        const __m128i letters = _mm_cmplt_epi8(_mm_sub_epi8(bytes, shift), last);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(write + half),
                         _mm_xor_si128(bytes, _mm_and_si128(letters, flip)));
        beyond |= static_cast<uint32_t>(_mm_movemask_epi8(bytes)) << half;
    }
    return beyond;
}
#else
inline uint32_t ConvertWindow(const char* read, char* write, LetterCase letterCase) {
    unsigned char bytes[Window];
    std::memcpy(bytes, read, Window);
    for (unsigned char& c : bytes)
        c = OtherCaseAscii(c, letterCase);
    std::memcpy(write, bytes, Window);
    uint64_t words[Window / 8];
    std::memcpy(words, read, Window);
    if (((words[0] | words[1] | words[2] | words[3]) & RepeatedByte(0x80)) == 0)
        return 0;
    uint32_t beyond = 0;
    for (size_t word = 0; word < Window / 8; ++word) {
        // The multiplication gathers the eight high bits into the top byte, in order.
        const uint64_t high = ((words[word] & RepeatedByte(0x80)) * 0x0002040810204081u) >> 56;
        beyond |= static_cast<uint32_t>(high) << (word * 8);
    }
    return beyond;
}
#endif

#ifdef BRISKLET_AVX2_WINDOWS
__attribute__((target("avx2"))) inline uint32_t ConvertWindowAvx2(const char* read, char* write,
                                                                   LetterCase letterCase) {
    const __m256i shift = _mm256_set1_epi8(static_cast<char>((letterCase == LetterCase::Upper ? 'a' : 'A') + 128));
    const __m256i last = _mm256_set1_epi8(static_cast<char>(26 - 128));
    const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(read));
    const __m256i letters = _mm256_cmpgt_epi8(last, _mm256_sub_epi8(bytes, shift));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(write),
                        _mm256_xor_si256(bytes, _mm256_and_si256(letters, _mm256_set1_epi8(0x20))));
    return static_cast<uint32_t>(_mm256_movemask_epi8(bytes));
}
#endif

using WindowConversion = uint32_t (*)(const char* read, char* write, LetterCase letterCase);

// The window's bits from bit at on; none when at is past it.
uint32_t BitsFrom(uint32_t bits, size_t at) {
    return at >= Window ? 0 : bits & (~uint32_t{0} << at);
}

// One direction's map, and which blocks of 256 code points hold a character it changes: a
// character of a block without case (the CJK ideographs) passes without a look into the map's
// 128 KiB, which the cache does not keep. Two-byte characters, the letters of the European
// alphabets, go by a table of their own: the two bytes of each one's other case, by its lead
// byte's low five bits and its second byte's low six, or none where that takes other than two.
// A byte set in Caseless starts no character the map changes: a continuation byte, a lead of
// four bytes, a lead of three whose 4096 code points have no case (the CJK ideographs), a byte
// that leads nothing. Such a byte stays as it is, and so does each byte of its character.
struct CaseDirection {
    const char16_t* Map = nullptr;
    uint64_t Changing[256 / 64] = {};
    std::array<char, 2> Pairs[32 * 64] = {};
    bool Caseless[256] = {};
};

// Whether the block of the code point unit holds a character the direction changes.
bool Changes(const CaseDirection& direction, uint32_t unit) {
    return (direction.Changing[unit >> 14] >> ((unit >> 8) & 63) & 1) != 0;
}

std::unique_ptr<CaseDirection> DirectionFrom(const char16_t* map) {
    auto direction = std::make_unique<CaseDirection>();
    direction->Map = map;
    for (uint32_t unit = 0; unit < 0x10000; ++unit) {
        if (map[unit] != unit)
            direction->Changing[unit >> 14] |= uint64_t{1} << ((unit >> 8) & 63);
    }
    for (uint32_t unit = 0x80; unit < 0x800; ++unit) {
        char bytes[4];
        if (PutUtf8(map[unit], bytes) == 2)
            direction->Pairs[unit] = {bytes[0], bytes[1]};
    }
    for (uint32_t byte = 0x80; byte < 0x100; ++byte) {
        bool caseless = byte < 0xC2 || byte >= 0xE0;
        for (uint32_t block = 0; byte >= 0xE0 && byte < 0xF0 && block < 16; ++block)
            caseless = caseless && !Changes(*direction, (byte & 0x0F) << 12 | block << 8);
        direction->Caseless[byte] = caseless;
    }
    return direction;
}

const CaseDirection& DirectionOf(LetterCase letterCase) {
    if (letterCase == LetterCase::Upper) {
        static const std::unique_ptr<CaseDirection> upper = DirectionFrom(UpperCaseMap());
        return *upper;
    }
    static const std::unique_ptr<CaseDirection> lower = DirectionFrom(LowerCaseMap());
    return *lower;
}

// The UTF-8 character at piece[at] (a byte of no well-formed sequence: that byte) in the
// other case at write, where its own bytes already are when there (a window's character);
// answers how many bytes it takes there. length is Utf8SequenceLength's. Characters beyond the
// BMP are two surrogate halves in UTF-16, which have no case. A character's other case takes
// at most half as many bytes again as its own.
size_t ConvertUtf8Character(std::string_view piece, size_t at, size_t length, LetterCase letterCase,
                            const CaseDirection& direction, bool there, char* write) {
    if (length == 1) {
        *write = static_cast<char>(OtherCaseAscii(static_cast<unsigned char>(piece[at]), letterCase));
        return 1;
    }
    if (length == 2 || length == 3) {
        const uint32_t codePoint = Utf8CodePoint(piece, at, length);
        if (Changes(direction, codePoint))
            return PutUtf8(direction.Map[codePoint], write);
    }
    const size_t taken = std::max<size_t>(length, 1);
    if (!there)
        std::memcpy(write, piece.data() + at, taken);
    return taken;
}

template <WindowConversion ConvertWindow>
[[gnu::always_inline]] inline void ConvertCaseUtf8With(std::string_view piece, LetterCase letterCase, ByteBuffer& out) {
    const CaseDirection& direction = DirectionOf(letterCase);
    char* const write = ReserveBytes(out, piece.size() + piece.size() / 2);
    const size_t size = piece.size();
    size_t at = 0;
    size_t written = 0;
    // A window is taken only with a byte after it, which a two-byte character at its end uses.
    while (size - at > Window) {
        uint32_t beyond = ConvertWindow(piece.data() + at, write + written, letterCase);
        // Past the window when its last character goes on beyond it.
        size_t next = Window;
        while (beyond != 0) {
            const auto from = static_cast<size_t>(std::countr_zero(beyond));
            // Most characters beyond ASCII in a source are letters of two bytes whose other case
            // takes two bytes too; their second byte's bit goes with the lead's.
            const auto lead = static_cast<unsigned char>(piece[at + from]);
            const auto second = static_cast<unsigned char>(piece[at + from + 1]);
            if (static_cast<unsigned char>(lead - 0xC2) < 0x1E && (second & 0xC0) == 0x80) {
                const std::array<char, 2>& other = direction.Pairs[(lead & 0x1F) << 6 | (second & 0x3F)];
                if (other[0] != 0) {
                    write[written + from] = other[0];
                    write[written + from + 1] = other[1];
                    next = std::max(Window, from + 2);
                    beyond &= beyond - 1;
                    beyond &= beyond - 1;
                    continue;
                }
            }
            if (direction.Caseless[lead]) {
                beyond &= beyond - 1;
                continue;
            }
            const size_t length = Utf8SequenceLength(piece, at + from);
            const size_t taken = std::max<size_t>(length, 1);
            const size_t put = ConvertUtf8Character(piece, at + from, length, letterCase, direction,
                                                    from + taken <= Window, write + written + from);
            next = std::max(Window, from + taken);
            // A character whose other case takes other bytes moves the rest of the window: it
            // is converted again from behind that character.
            if (put != taken) {
                at += from + taken;
                written += from + put;
                next = 0;
                break;
            }
            beyond = BitsFrom(beyond, from + taken);
        }
        at += next;
        written += next;
    }
    while (at < size) {
        const size_t length = Utf8SequenceLength(piece, at);
        written += ConvertUtf8Character(piece, at, length, letterCase, direction, false, write + written);
        at += std::max<size_t>(length, 1);
    }
    out.Size += written;
}

template <WindowConversion ConvertWindow>
[[gnu::always_inline]] inline void ConvertCaseSingleBytesWith(std::string_view piece, LetterCase letterCase,
                                                              ByteBuffer& out) {
    const unsigned char* table = letterCase == LetterCase::Upper ? CaseBytesTable().Upper : CaseBytesTable().Lower;
    char* const write = ReserveBytes(out, piece.size());
    size_t at = 0;
    for (; piece.size() - at >= Window; at += Window) {
        for (uint32_t beyond = ConvertWindow(piece.data() + at, write + at, letterCase); beyond != 0;
             beyond &= beyond - 1) {
            const size_t byte = at + static_cast<size_t>(std::countr_zero(beyond));
            write[byte] = static_cast<char>(table[static_cast<unsigned char>(piece[byte])]);
        }
    }
    for (; at < piece.size(); ++at) {
        const auto c = static_cast<unsigned char>(piece[at]);
        write[at] = static_cast<char>(c < 0x80 ? OtherCaseAscii(c, letterCase) : table[c]);
    }
    out.Size += piece.size();
}

#ifdef BRISKLET_AVX2_WINDOWS
__attribute__((target("avx2"))) void ConvertCaseAvx2(std::string_view piece, LetterCase letterCase,
                                                     ByteEncoding encoding, ByteBuffer& out) {
    if (encoding == ByteEncoding::Utf8)
        ConvertCaseUtf8With<ConvertWindowAvx2>(piece, letterCase, out);
    else
        ConvertCaseSingleBytesWith<ConvertWindowAvx2>(piece, letterCase, out);
}
#endif

} // namespace

void ConvertCaseBytes(std::string_view piece, LetterCase letterCase, ByteEncoding encoding, ByteBuffer& out) {
#ifdef BRISKLET_AVX2_WINDOWS
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2) {
        ConvertCaseAvx2(piece, letterCase, encoding, out);
        return;
    }
#endif
    ConvertCaseBytesPlain(piece, letterCase, encoding, out);
}

void ConvertCaseBytesPlain(std::string_view piece, LetterCase letterCase, ByteEncoding encoding, ByteBuffer& out) {
    if (encoding == ByteEncoding::Utf8)
        ConvertCaseUtf8With<ConvertWindow>(piece, letterCase, out);
    else
        ConvertCaseSingleBytesWith<ConvertWindow>(piece, letterCase, out);
}

} // namespace brisklet
