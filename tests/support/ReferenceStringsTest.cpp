// The reference's own string functions at their edges: non-overlapping matches, one-character runs, clamping.
#include "support/ReferenceStrings.h"

#include <gtest/gtest.h>

namespace brisklet::test {
namespace {

TEST(ReferenceStrings, CountOccurrencesCountsNonOverlappingMatches) {
    EXPECT_EQ(CountOccurrences(u"aaaa", u"aa"), 2);
    EXPECT_EQ(CountOccurrences(u"aaa", u"aa"), 1);
    EXPECT_EQ(CountOccurrences(u"", u";"), 0);
    EXPECT_EQ(CountOccurrences(u"abc", u""), 0);
    EXPECT_EQ(CountOccurrences(u"\n\n", u"\n"), 2);
}

TEST(ReferenceStrings, ReplaceAllNeverRescansTheReplacement) {
    EXPECT_EQ(ReplaceAll(u"a  b", u"  ", u" "), u"a b");
    EXPECT_EQ(ReplaceAll(u"abc", u"", u"x"), u"abc");
    EXPECT_EQ(ReplaceAll(u"aaaa", u"aa", u"a"), u"aa");
    EXPECT_EQ(ReplaceAll(u"aaa", u"aa", u"a"), u"aa");
    EXPECT_EQ(ReplaceAll(u"a\r\nb\r", u"\r", u""), u"a\nb");
    EXPECT_EQ(ReplaceAll(u"ab", u"b", u"bb"), u"abb");
}

TEST(ReferenceStrings, TrimsRemoveOneCharacterRunOnly) {
    EXPECT_EQ(TrimLeadingRun(u"  \tx", u" "), u"\tx");
    EXPECT_EQ(TrimTrailingRun(u"x \t", u" "), u"x \t");
    EXPECT_EQ(TrimTrailingRun(u"x \t", u"\t"), u"x ");
    EXPECT_EQ(TrimLeadingRun(u"   "), u"");
    EXPECT_EQ(TrimLeadingRun(u"xx y", u"xyz"), u" y"); // only the first code unit counts
    EXPECT_EQ(TrimLeadingRun(u"  a", u""), u"  a");
}

TEST(ReferenceStrings, SubstringClamps) {
    EXPECT_EQ(Substring(u"abc", 1, 0), u"");
    EXPECT_EQ(Substring(u"abc", 0, 2), u"ab");
    EXPECT_EQ(Substring(u"abc", 3, 9), u"c");
    EXPECT_EQ(Substring(u"abc", 5, 1), u"");
    EXPECT_EQ(Substring(u"abc", 2, -1), u"");
}

TEST(ReferenceStrings, SpacesAndRepeatChar) {
    EXPECT_EQ(Spaces(-3), u"");
    EXPECT_EQ(Spaces(3), u"   ");
    EXPECT_EQ(RepeatChar(u"\t", 0), u"");
    EXPECT_EQ(RepeatChar(u"\tx", 2), u"\t\t");
    EXPECT_EQ(RepeatChar(u"", 2), u"");
}

TEST(ReferenceStrings, CaseMappingIsOneCodeUnitToOne) {
    EXPECT_EQ(UpperCase(u"straße"), u"STRAßE");
    EXPECT_EQ(UpperCase(u"äöü"), u"ÄÖÜ");
    EXPECT_EQ(LowerCase(u"ÄÖÜ"), u"äöü");
    EXPECT_EQ(UpperCase(u"αβγ ЖЁ"), u"ΑΒΓ ЖЁ");
    EXPECT_EQ(LowerCase(u"/RemoveComments"), u"/removecomments");
    // Surrogate halves, digits and line ends have no case.
    EXPECT_EQ(UpperCase(u"\U0001F600 1\r\n"), u"\U0001F600 1\r\n");
    // Of the first 256 characters only ÿ takes a case beyond them: its capital Ÿ comes back to it.
    // µ's capital, the Greek Μ, would come back as μ: µ stays.
    EXPECT_EQ(UpperCase(u"ÿµ"), u"Ÿµ");
    EXPECT_EQ(LowerCase(u"Ÿ"), u"ÿ");
    for (char32_t unit = 0; unit < 0x100; ++unit) {
        const std::u16string one(1, static_cast<char16_t>(unit));
        for (const std::u16string& other : {UpperCase(one), LowerCase(one)}) {
            if (other[0] > 0xFF) {
                EXPECT_TRUE(UpperCase(other) == one || LowerCase(other) == one) << static_cast<int>(unit);
            }
        }
    }
}

} // namespace
} // namespace brisklet::test
