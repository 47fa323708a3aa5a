// The IDE's case correction: keywords in code are shown, and so kept, in their own letter case.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace brisklet::e2e {

struct Correction {
    size_t Offset = 0;
    std::string Keyword; // replaces as many bytes at Offset
};

// Every keyword in the document's code written in another letter case than its own.
[[nodiscard]] std::vector<Correction> CaseCorrections(std::string_view bytes);

} // namespace brisklet::e2e
