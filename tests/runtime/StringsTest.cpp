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

TEST(Strings, CountOccurrencesCountsNonOverlappingMatches) {
    EXPECT_EQ(CountOccurrences(u"aaaa", u"aa"), 2);
    EXPECT_EQ(CountOccurrences(u"aaa", u"aa"), 1);
    EXPECT_EQ(CountOccurrences(u"", u";"), 0);
    EXPECT_EQ(CountOccurrences(u"abc", u""), 0);
    EXPECT_EQ(CountOccurrences(u"\n\n", u"\n"), 2);
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

TEST(Strings, ReplaceAllNeverRescansTheReplacement) {
    EXPECT_EQ(ReplaceAll(u"a  b", u"  ", u" "), u"a b");
    EXPECT_EQ(ReplaceAll(u"abc", u"", u"x"), u"abc");
    EXPECT_EQ(ReplaceAll(u"aaaa", u"aa", u"a"), u"aa");
    EXPECT_EQ(ReplaceAll(u"aaa", u"aa", u"a"), u"aa");
    EXPECT_EQ(ReplaceAll(u"a\r\nb\r", u"\r", u""), u"a\nb");
    EXPECT_EQ(ReplaceAll(u"ab", u"b", u"bb"), u"abb");
}

TEST(Strings, TrimsRemoveOneCharacterRunOnly) {
    EXPECT_EQ(TrimLeadingRun(u"  \tx", u" "), u"\tx");
    EXPECT_EQ(TrimTrailingRun(u"x \t", u" "), u"x \t");
    EXPECT_EQ(TrimTrailingRun(u"x \t", u"\t"), u"x ");
    EXPECT_EQ(TrimLeadingRun(u"   "), u"");
    EXPECT_EQ(TrimLeadingRun(u"xx y", u"xyz"), u" y"); // only the first code unit counts
    EXPECT_EQ(TrimLeadingRun(u"  a", u""), u"  a");
}

TEST(Strings, SubstringAndLeftPartClamp) {
    EXPECT_EQ(Substring(u"abc", 1, 0), u"");
    EXPECT_EQ(Substring(u"abc", 0, 2), u"ab");
    EXPECT_EQ(Substring(u"abc", 3, 9), u"c");
    EXPECT_EQ(Substring(u"abc", 5, 1), u"");
    EXPECT_EQ(Substring(u"abc", 2, -1), u"");
    EXPECT_EQ(LeftPart(u"abc", -1), u"");
    EXPECT_EQ(LeftPart(u"abc", 2), u"ab");
    EXPECT_EQ(LeftPart(u"abc", 9), u"abc");
}

TEST(Strings, SpacesAndRepeatChar) {
    EXPECT_EQ(Spaces(-3), u"");
    EXPECT_EQ(Spaces(3), u"   ");
    EXPECT_EQ(RepeatChar(u"\t", 0), u"");
    EXPECT_EQ(RepeatChar(u"\tx", 2), u"\t\t");
    EXPECT_EQ(RepeatChar(u"", 2), u"");
}

TEST(Strings, CaseMappingIsOneCodeUnitToOne) {
    EXPECT_EQ(UpperCase(u"straße"), u"STRAßE");
    EXPECT_EQ(UpperCase(u"äöü"), u"ÄÖÜ");
    EXPECT_EQ(LowerCase(u"ÄÖÜ"), u"äöü");
    EXPECT_EQ(UpperCase(u"αβγ ЖЁ"), u"ΑΒΓ ЖЁ");
    EXPECT_EQ(LowerCase(u"/RemoveComments"), u"/removecomments");
    // Surrogate halves, digits and line ends have no case.
    EXPECT_EQ(UpperCase(u"\U0001F600 1\r\n"), u"\U0001F600 1\r\n");
    // ÿ and µ have their other case outside the first 256 characters: they stay, so a
    // document read one byte per character can always be written back.
    EXPECT_EQ(UpperCase(u"ÿµ"), u"ÿµ");
    EXPECT_EQ(LowerCase(u"Ÿ"), u"ÿ");
    for (char32_t unit = 0; unit < 0x100; ++unit) {
        const std::u16string one(1, static_cast<char16_t>(unit));
        EXPECT_LE(UpperCase(one)[0], 0xFF);
        EXPECT_LE(LowerCase(one)[0], 0xFF);
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

TEST(Strings, ReadTextAtStopsAtTheTerminatorOrLength) {
    const char bytes[] = "ab\xE4" "c\0de";
    EXPECT_EQ(ReadTextAt(bytes, -1, MemoryEncoding::Ansi), u"abäc");
    EXPECT_EQ(ReadTextAt(bytes, 2, MemoryEncoding::Ansi), u"ab");
    EXPECT_EQ(ReadTextAt(bytes, -2, MemoryEncoding::Ansi), u"");
    const char utf8[] = "a\xC3\xA4" "bc";
    EXPECT_EQ(ReadTextAt(utf8, 2, MemoryEncoding::Utf8), u"aä");          // counts characters
    EXPECT_EQ(ReadTextAt(utf8, 3, MemoryEncoding::Utf8, true), u"aä");    // counts bytes
    EXPECT_EQ(ReadTextAt(utf8, -1, MemoryEncoding::Utf8), u"aäbc");
    const char16_t units[] = u"xy\0z";
    EXPECT_EQ(ReadTextAt(units, 9, MemoryEncoding::Utf16), u"xy");
}

TEST(Strings, WriteTextAtWritesBytesAndTerminator) {
    char buffer[16];
    std::memset(buffer, 'Z', sizeof buffer);
    EXPECT_EQ(WriteTextAt(buffer, u"aä", -1, MemoryEncoding::Utf8), 3);
    EXPECT_EQ(std::string(buffer, 4), std::string("a\xC3\xA4\0", 4));
    std::memset(buffer, 'Z', sizeof buffer);
    EXPECT_EQ(WriteTextAt(buffer, u"abc", 2, MemoryEncoding::Ansi, false), 2);
    EXPECT_EQ(std::string(buffer, 3), "abZ");
    EXPECT_EQ(WriteTextAt(buffer, u"", -1, MemoryEncoding::Ansi), 0);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(WriteTextAt(buffer, u"ab", 9, MemoryEncoding::Utf16), 4);
    EXPECT_EQ(EncodedByteLength(u"aä", MemoryEncoding::Utf8), 3);
    EXPECT_EQ(EncodedByteLength(u"aä", MemoryEncoding::Ansi), 2);
    EXPECT_EQ(EncodedByteLength(u"aä", MemoryEncoding::Utf16), 4);
}

} // namespace
} // namespace brisklet
