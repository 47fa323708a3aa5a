// "/converttabtospace" and "/convertspacetotab": the leading white space of every line.
#pragma once

#include <cstdint>

#include "cleaning/LineSkeleton.h"

namespace brisklet {

// How much "/converttabtospace" may make a text grow, in characters. Every tab counts a
// full tab width, so a corrupt preferences value (2,000,000,000 columns, say) would ask for
// gigabytes per tab; such a conversion leaves the text unchanged instead of exhausting memory.
constexpr int64_t MaxTabExpansionGrowth = int64_t{1} << 28;

// Whether growth, in characters, is past the limit: a growth equal to it is taken.
[[nodiscard]] constexpr bool GrowsTooMuch(int64_t growth) {
    return growth > MaxTabExpansionGrowth;
}

// Every leading tab becomes tabLength spaces, every leading space stays one; no tab stops.
// A line of white space only becomes empty.
template <class CharT>
void ConvertTabToSpace(Text<CharT>& text, int32_t tabLength, LineChanges* changes = nullptr);

// Every tabLength leading spaces become a tab, a tab absorbs the spaces pending before it,
// and spaces still pending at the first other character are dropped.
template <class CharT>
void ConvertSpaceToTab(Text<CharT>& text, int32_t tabLength, LineChanges* changes = nullptr);

} // namespace brisklet
