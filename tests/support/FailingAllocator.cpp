// Allocations that fail on demand, as they do in a 32-bit process short of address space. The
// test program's operator new and realloc are replaced for this; they fail nothing unless asked.
#include "support/FailingAllocator.h"

#include <atomic>
#include <cstdlib>
#include <limits>
#include <new>

namespace {

std::atomic<size_t> failFrom{std::numeric_limits<size_t>::max()};
std::atomic<size_t> failTo{0};

} // namespace

void* operator new(size_t size) {
    if (size >= failFrom.load() && size <= failTo.load())
        throw std::bad_alloc();
    if (void* block = std::malloc(size == 0 ? 1 : size))
        return block;
    throw std::bad_alloc();
}

// The stream engine grows its buffers with realloc, which fails alike where the C library lets
// it be replaced and still be called (glibc).
#ifdef __GLIBC__
extern "C" void* __libc_realloc(void* block, size_t size);
extern "C" void* realloc(void* block, size_t size) noexcept {
    if (size >= failFrom.load() && size <= failTo.load())
        return nullptr;
    return __libc_realloc(block, size);
}
#endif

void operator delete(void* block) noexcept {
    std::free(block);
}

void operator delete(void* block, size_t) noexcept {
    std::free(block);
}

namespace brisklet::test {

FailingAllocations::FailingAllocations(size_t minimum, size_t maximum) {
    failTo = maximum;
    failFrom = minimum;
}

FailingAllocations::~FailingAllocations() {
    failFrom = std::numeric_limits<size_t>::max();
    failTo = 0;
}

} // namespace brisklet::test
