// Expands the case runs into direct lookup maps, once, on first use.
#include <memory>

#include "runtime/CaseTable.h"

namespace brisklet {

namespace {

std::unique_ptr<char16_t[]> BuildMap(std::span<const CaseRun> runs) {
    auto map = std::make_unique<char16_t[]>(0x10000);
    for (uint32_t unit = 0; unit < 0x10000; ++unit)
        map[unit] = static_cast<char16_t>(unit);
    for (const CaseRun& run : runs) {
        for (uint32_t i = 0; i < run.Count; ++i) {
            const uint32_t unit = run.First + i * run.Stride;
            map[unit] = static_cast<char16_t>(static_cast<int32_t>(unit) + run.Delta);
        }
    }
    return map;
}

} // namespace

const char16_t* UpperCaseMap() {
    static const std::unique_ptr<char16_t[]> map = BuildMap(UpperCaseTable);
    return map.get();
}

const char16_t* LowerCaseMap() {
    static const std::unique_ptr<char16_t[]> map = BuildMap(LowerCaseTable);
    return map.get();
}

} // namespace brisklet
