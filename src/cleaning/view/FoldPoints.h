// Fold points as the IDE finds them in a source's lines: the lines whose fold state the Folding
// entry of the settings block keeps, one bit each, in document order.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brisklet {

// The IDE's own start words, when its preferences name none: ";{", "Macro", the five kinds of
// "Procedure", "Module", "DeclareModule", "CompilerIf", and "EnableASM" (PureBasic) or
// "EnableJS" (SpiderBasic).
[[nodiscard]] std::vector<std::string> DefaultFoldStartWords(bool spiderBasic);

// The start words, and what each byte is to the scan (a name's, a string's quote, the start of a
// word that matters), looked up once per byte.
struct FoldWords {
    std::vector<std::string> Start;
    std::array<uint8_t, 256> Kinds{};
};

[[nodiscard]] FoldWords MakeFoldWords(std::vector<std::string> startWords);

// What a source's lines so far leave for the next: whether it lies in a Macro body.
struct FoldScan {
    bool InMacro = false;
};

// Whether line (without its line end), the next line of a source, is a fold point: it holds a
// start word, in any letter case and followed by a character that cannot continue a name,
// as a word of code (outside strings) or at the very start of its comment (";{" begins with
// the comment's ";"). Nothing in a Macro body counts, up to the line that ends it.
[[nodiscard]] bool TakeFoldLine(FoldScan& scan, const FoldWords& words, std::string_view line);

} // namespace brisklet
