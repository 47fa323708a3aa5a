// Allocations that fail on demand, as they do in a 32-bit process short of address space. The
// test program's operator new and realloc are replaced for this; they fail nothing unless asked.
#pragma once

#include <cstddef>

namespace brisklet::test {

// While it lives, every allocation of minimum to maximum bytes throws std::bad_alloc (realloc
// answers nullptr).
class FailingAllocations {
public:
    FailingAllocations(size_t minimum, size_t maximum);
    ~FailingAllocations();
    FailingAllocations(const FailingAllocations&) = delete;
    FailingAllocations& operator=(const FailingAllocations&) = delete;
};

} // namespace brisklet::test
