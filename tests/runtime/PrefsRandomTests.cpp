// Seeded random files through the preferences engine, checked against a plain second reading.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>

#include "support/PrefsReference.h"

namespace brisklet {
namespace {

// The same files on every run; BRISKLET_PREFS_SEED=N explores others, or replays the run whose
// failure printed seed N.
unsigned Seed() {
    const char* given = std::getenv("BRISKLET_PREFS_SEED");
    return given ? static_cast<unsigned>(std::stoul(given)) : 20240611u;
}

TEST(PrefsRandom, EngineAgreesWithThePlainReadingOnRandomFiles) {
    const unsigned seed = Seed();
    SCOPED_TRACE("seed " + std::to_string(seed) + " (BRISKLET_PREFS_SEED replays it)");
    std::mt19937 random(seed);
    const std::vector<std::u16string> names = test::PrefsQueryNames();
    for (int i = 0; i < 3000; ++i) {
        const std::string bytes = test::RandomPrefsBytes(random, 120);
        const std::optional<std::string> difference = test::RunPrefsDifferential(bytes, names, random, 20);
        ASSERT_FALSE(difference) << *difference << " in file #" << i << " of " << bytes.size() << " bytes";
    }
}

TEST(PrefsRandom, ReferenceSeesTheKnownCases) {
    // The reference itself must find what the engine is known to find, or the comparison
    // above could pass with both wrong.
    const test::ReferencePrefs prefs = test::ReadReference("K0=x\r\n[Global]\r\n; c\r\n TabLength = 4 \r\n[ G ]\n=\n");
    ASSERT_EQ(prefs.Groups.size(), 2u);
    EXPECT_EQ(prefs.Groups[1], " G ");
    ASSERT_EQ(prefs.Keys.size(), 3u);
    EXPECT_EQ(prefs.Keys[0].Group, -1);
    EXPECT_EQ(prefs.Keys[1].Group, 0);
    EXPECT_EQ(prefs.Keys[1].Name, "TabLength");
    EXPECT_EQ(prefs.Keys[1].Value, "4");
    EXPECT_EQ(prefs.Keys[2].Name, "");
}

} // namespace
} // namespace brisklet
