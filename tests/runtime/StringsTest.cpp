// The string functions at their edges: 1-based positions, empty fields, non-overlapping matches.
#include <gtest/gtest.h>

#include <cstring>

#include "runtime/Strings.h"

namespace brisklet {
namespace {

TEST(Strings, FindFromTreatsStartAndEmptyStringsAsTheRulesSay) {
    struct Case {
        const char* name;
        std::u16string_view text, pattern;
        int64_t start, expected;
    } cases[] = {
        {"next after start", u"a;b;c", u";", 3, 4},
        {"start at match", u"a;b;c", u";", 2, 2},
        {"start beyond end", u"a;b", u";", 9, 0},
        {"start below one", u"a;b", u";", -5, 2},
        {"empty pattern", u"abc", u"", 1, 0},
        {"empty text", u"", u";", 1, 0},
        {"case-sensitive", u"Debug x", u"debug", 1, 0},
        {"pattern at the very end", u"ab;", u";", 3, 3},
        {"longer pattern", u"x--y", u"--", 1, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FindFrom(c.text, c.pattern, c.start), c.expected);
    }
    EXPECT_EQ(FindFrom(u"a;b", u";"), 2);
}

TEST(Strings, FieldAtKeepsEmptyFields) {
    struct Case {
        const char* name;
        std::u16string_view text;
        int64_t index;
        std::u16string_view separator, expected;
    } cases[] = {
        {"empty middle field", u"a\n\nb", 2, u"\n", u""},
        {"field after empty", u"a\n\nb", 3, u"\n", u"b"},
        {"empty last field", u"a\n", 2, u"\n", u""},
        {"beyond the fields", u"a", 2, u"\n", u""},
        {"index zero", u"a", 0, u"\n", u""},
        {"negative index", u"a", -1, u"\n", u""},
        {"long separator", u"x--y", 2, u"--", u"y"},
        {"long separator overlap", u"x---y", 2, u"--", u"-y"},
        {"empty separator", u"abc", 1, u"", u"abc"},
        {"empty separator field 2", u"abc", 2, u"", u""},
        {"leading separator", u"\na", 1, u"\n", u""},
        {"space fields", u"/fold /unfold ", 2, u" ", u"/unfold"},
        {"space fields last", u"/fold /unfold ", 3, u" ", u""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FieldAt(c.text, c.index, c.separator), c.expected);
    }
}

TEST(Strings, ParseIntegerReadsDecimalHexAndBinary) {
    struct Case {
        std::u16string_view text;
        int64_t expected;
    } cases[] = {
        {u"  42x", 42}, {u"$1F", 31},  {u"$1f", 31}, {u"%101", 5}, {u"-7", -7},    {u"- 7", 0},
        {u"", 0},       {u"abc", 0},   {u"\t+8", 8}, {u"$10", 16}, {u"%102", 2},   {u"$", 0},
        {u"-$10", -16}, {u"007", 7},   {u"4 2", 4},  {u"$G", 0},   {u"1$2", 1},    {u"+-3", 0},
        {u"18446744073709551617", 1}, // wraps as a 64-bit register does
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text.begin(), c.text.end()));
        EXPECT_EQ(ParseInteger(c.text), c.expected);
    }
}

TEST(Strings, IntegerText) {
    EXPECT_EQ(IntegerText(0), u"0");
    EXPECT_EQ(IntegerText(-15), u"-15");
    EXPECT_EQ(IntegerText(1234567890123), u"1234567890123");
    EXPECT_EQ(IntegerText(INT64_MIN), u"-9223372036854775808");
    EXPECT_EQ(IntegerText(-2147483647 - 1), u"-2147483648");
}

} // namespace
} // namespace brisklet
