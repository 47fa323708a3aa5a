// The two space compactions on file bytes: a loop without a branch on the character everywhere,
// and on x86 sixteen bytes at a time, each half packed by one byte shuffle from a table.
#include "cleaning/stream/SpaceDropping.h"

#include <array>
#include <cstdint>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define BRISKLET_PACKED_SPACES 1
#endif

namespace brisklet {

size_t DropSpacesBytewise(std::string_view in, SpaceRule rule, bool afterSpace, char* write) {
    size_t written = 0;
    if (rule == SpaceRule::Every) {
        for (const char c : in) {
            write[written] = c;
            written += c != ' ';
        }
        return written;
    }
    for (const char c : in) {
        const bool space = c == ' ';
        write[written] = c;
        written += !(space && afterSpace);
        afterSpace = space;
    }
    return written;
}

#ifdef BRISKLET_PACKED_SPACES

namespace {

// For each set of eight bytes to keep (bit i: byte i), the shuffle that moves them to the front,
// and their number (a table: the processors without a population count instruction are
// baseline x86 too).
struct PackTable {
    std::array<std::array<uint8_t, 8>, 256> Shuffle;
    std::array<uint8_t, 256> Kept;
};

const PackTable& Packs() {
    static const PackTable table = [] {
        PackTable built{};
        for (unsigned keep = 0; keep < 256; ++keep) {
            size_t at = 0;
            for (uint8_t i = 0; i < 8; ++i) {
                if ((keep >> i & 1) != 0)
                    built.Shuffle[keep][at++] = i;
            }
            built.Kept[keep] = static_cast<uint8_t>(at);
            for (; at < 8; ++at)
                built.Shuffle[keep][at] = 0x80;
        }
        return built;
    }();
    return table;
}

} // namespace

__attribute__((target("ssse3"))) size_t DropSpacesPacked(std::string_view in, SpaceRule rule, bool afterSpace,
                                                          char* write) {
    const PackTable& packs = Packs();
    const __m128i spaces = _mm_set1_epi8(' ');
    const char* const read = in.data();
    size_t written = 0;
    size_t at = 0;
    for (; at + 16 <= in.size(); at += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(read + at));
        __m128i drop = _mm_cmpeq_epi8(bytes, spaces);
        if (rule == SpaceRule::Doubled) {
            // Each byte's predecessor: the block moved up one byte, the byte before it in front.
            const __m128i before = _mm_or_si128(_mm_slli_si128(bytes, 1), _mm_cvtsi32_si128(afterSpace ? ' ' : 0));
            drop = _mm_and_si128(drop, _mm_cmpeq_epi8(before, spaces));
            afterSpace = read[at + 15] == ' ';
        }
        const auto keep = static_cast<unsigned>(~_mm_movemask_epi8(drop)) & 0xFFFFu;
        const unsigned low = keep & 0xFFu;
        const unsigned high = keep >> 8;
        const __m128i lowShuffle = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(packs.Shuffle[low].data()));
        const __m128i highShuffle = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(packs.Shuffle[high].data()));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(write + written), _mm_shuffle_epi8(bytes, lowShuffle));
        written += packs.Kept[low];
        _mm_storel_epi64(reinterpret_cast<__m128i*>(write + written),
                         _mm_shuffle_epi8(_mm_srli_si128(bytes, 8), highShuffle));
        written += packs.Kept[high];
    }
    return written + DropSpacesBytewise(in.substr(at), rule, afterSpace, write + written);
}

bool CanPackSpaces() {
    static const bool can = __builtin_cpu_supports("ssse3");
    return can;
}

#else

size_t DropSpacesPacked(std::string_view in, SpaceRule rule, bool afterSpace, char* write) {
    return DropSpacesBytewise(in, rule, afterSpace, write);
}

bool CanPackSpaces() {
    return false;
}

#endif

void DropSpaces(std::string_view piece, SpaceRule rule, ByteBuffer& out) {
    // The packed stores write up to eight bytes past what they keep.
    char* const write = ReserveBytes(out, piece.size() + 16);
    out.Size += CanPackSpaces() ? DropSpacesPacked(piece, rule, false, write)
                                : DropSpacesBytewise(piece, rule, false, write);
}

} // namespace brisklet
