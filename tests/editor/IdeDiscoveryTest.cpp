// Window handles as the IDE writes them into a tool's environment.
#include "editor/IdeDiscovery.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace brisklet {
namespace {

std::u16string Decimal(intptr_t value) {
    std::u16string text;
    for (const char c : std::to_string(value))
        text += static_cast<char16_t>(c);
    return text;
}

TEST(ParseWindowHandle, TakesTheIdesDecimalsAndNothingElse) {
    constexpr intptr_t Largest = std::numeric_limits<intptr_t>::max();
    constexpr intptr_t Smallest = std::numeric_limits<intptr_t>::min();
    struct Case {
        std::u16string Text;
        std::optional<WindowHandle> Expected;
    };
    const Case cases[] = {
        {u"0", 0},
        {u"132456", 132456},
        {u"007", 7},
        // A handle with its top bit set, as a signed number.
        {u"-2", static_cast<WindowHandle>(-2)},
        {Decimal(Largest), static_cast<WindowHandle>(Largest)},
        {Decimal(Smallest), static_cast<WindowHandle>(Smallest)},
        {Decimal(Largest) + u"0", std::nullopt},
        {Decimal(Smallest) + u"0", std::nullopt},
        {u"", std::nullopt},
        {u"-", std::nullopt},
        {u"+5", std::nullopt},
        {u" 5", std::nullopt},
        {u"5 ", std::nullopt},
        {u"0x1F", std::nullopt},
        {u"12abc", std::nullopt},
        {u"1.5", std::nullopt},
        {u"\uFF15", std::nullopt}, // a full-width digit
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Text.begin(), c.Text.end()));
        EXPECT_EQ(ParseWindowHandle(c.Text), c.Expected);
    }
}

} // namespace
} // namespace brisklet
