// Generated PureBasic-like sources of any size, the inputs of the cleaning benchmarks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace brisklet::bench {

// About `bytes` bytes of UTF-8 with LF line ends: procedures, some inside modules, with
// comments, strings holding ";", debug lines, tab and space indentation, trailing blanks,
// blank lines and some non-ASCII text. The same seed gives the same text.
[[nodiscard]] std::string GeneratePureBasicSource(size_t bytes, uint32_t seed = 1);

} // namespace brisklet::bench
