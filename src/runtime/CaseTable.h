// Case mappings of UTF-16 code units, one code unit to one, as runs of a constant offset.
#pragma once

#include <cstdint>
#include <span>

namespace brisklet {

struct CaseRun {
    uint16_t First;  // first code unit of the run
    uint16_t Count;  // code units in the run
    uint16_t Stride; // 1 for a block, 2 for alternating upper/lower pairs
    int32_t Delta;   // added to a code unit of the run to get its other case
};

extern const std::span<const CaseRun> UpperCaseTable;
extern const std::span<const CaseRun> LowerCaseTable;

// Full 65,536-entry maps built from the runs on first use.
[[nodiscard]] const char16_t* UpperCaseMap();
[[nodiscard]] const char16_t* LowerCaseMap();

} // namespace brisklet
