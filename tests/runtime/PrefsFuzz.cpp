// Fuzz target for the preferences engine: libFuzzer with clang, else a seeded random loop.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "support/PrefsReference.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    // The first byte seeds the order of the questions, so that one input replays exactly.
    std::mt19937 random(size > 0 ? data[0] : 0);
    const auto difference =
        brisklet::test::RunPrefsDifferential(bytes, brisklet::test::PrefsQueryNames(), random, 32);
    if (difference) {
        std::fprintf(stderr, "prefs engine and reference differ: %s\n", difference->c_str());
        std::abort();
    }
    return 0;
}

#ifndef BRISKLET_LIBFUZZER
// Arguments: iterations (default 200000), seed (default: random).
int main(int argc, char** argv) {
    const long iterations = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 200000;
    const unsigned seed = argc > 2 ? static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10)) : std::random_device{}();
    std::printf("PrefsFuzz: %ld inputs, seed %u\n", iterations, seed);
    std::fflush(stdout);
    std::mt19937 random(seed);
    for (long i = 0; i < iterations; ++i) {
        const std::string bytes = brisklet::test::RandomPrefsBytes(random, i % 100 == 0 ? 4000 : 300);
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }
    return 0;
}
#endif
