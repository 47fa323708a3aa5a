// The two space compactions on file bytes: dropping every space, or each space that follows a
// space. Spaces are about a fifth of source text, too many for a branch or a library search per
// space.
#pragma once

#include <cstddef>
#include <string_view>

#include "cleaning/stream/ByteBuffer.h"

namespace brisklet {

enum class SpaceRule { Every, Doubled };

// Appends piece without the spaces rule drops to out. A piece starts at a line start, so no
// space comes in from the piece before.
void DropSpaces(std::string_view piece, SpaceRule rule, ByteBuffer& out);

// The byte-at-a-time loop every processor runs, and the packing sixteen bytes at a time that
// x86 processors with SSSE3 run; each writes the kept bytes of in to write, which has room for
// in.size() + 16 bytes, and answers how many. afterSpace: the byte before in was a space.
size_t DropSpacesBytewise(std::string_view in, SpaceRule rule, bool afterSpace, char* write);
size_t DropSpacesPacked(std::string_view in, SpaceRule rule, bool afterSpace, char* write);
// Whether DropSpacesPacked can run here.
bool CanPackSpaces();

} // namespace brisklet
