// Each cleaning operation on the cases that pin its rules down, on the editor's UTF-16 text; on
// file bytes only where their rules differ (the tab growth limit, single-byte letter case).
#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>

#include "cleaning/Operations.h"
#include "cleaning/Indentation.h"
#include "cleaning/stream/LineRebuilding.h"
#include "cleaning/stream/Pipeline.h"
#include "cleaning/stream/SpaceDropping.h"

namespace brisklet {
namespace {

using enum CleaningOperation;

struct Case {
    const char* name;
    CleaningOperation operation;
    std::u16string_view input;
    std::u16string_view expected;
    int32_t tabLength = 4;
};

void Check(const Case& c) {
    SCOPED_TRACE(c.name);
    std::u16string text(c.input);
    ApplyOperation(c.operation, text, c.tabLength);
    EXPECT_EQ(text, c.expected);
}

// The file cleaner's result on the whole of bytes, read one byte per character; nullopt when
// the operation gave up.
std::optional<std::string> StreamCleaned(std::string_view bytes, CleaningOperation operation, int32_t tabLength) {
    CleaningPipeline pipeline;
    StartPipeline(pipeline, {operation}, tabLength);
    ByteBuffer out;
    FeedPipeline(pipeline, bytes, out);
    FinishPipeline(pipeline, out);
    if (pipeline.GrowthExceeded)
        return std::nullopt;
    return std::string(BufferView(out));
}

TEST(LineSkeleton, SplitsAtEveryLineEndAndJoinsWithLf) {
    const Case cases[] = {
        {"empty text", RemoveComments, u"", u""},
        {"one line is never touched", RemoveComments, u"x = 1 ; note", u"x = 1 ; note"},
        {"one debug line stays", RemoveDebugLines, u"Debug x", u"Debug x"},
        {"one indented line stays", RemoveSpacesAtStartOfLines, u"\t  x  ", u"\t  x  "},
        {"CR LF becomes LF", RemoveComments, u"a\r\nb", u"a\nb"},
        {"lone CR ends a line", RemoveComments, u"a\rb\nc", u"a\nb\nc"},
        {"lone CR without LF", RemoveComments, u"a\rb", u"a\nb"},
        {"LF CR is two line ends", RemoveComments, u"a\n\rb", u"a\n\nb"},
        {"final lone CR", RemoveComments, u"a ; x\r", u"a \n"},
        {"final LF survives", RemoveComments, u"a\nb\n", u"a\nb\n"},
        {"lone LF survives", RemoveComments, u"\n", u"\n"},
        {"dropped last line", RemoveDebugLines, u"a\nDebug x", u"a\n"},
        {"dropped first line", RemoveDebugLines, u"Debug x\na", u"a"},
        {"dropped middle line", RemoveDebugLines, u"a\nDebug x\nb", u"a\nb"},
        {"only line and LF", RemoveDebugLines, u"Debug x\n", u""},
        {"whole-text keeps CR", RemoveAllSpaces, u"a \r\nb", u"a\r\nb"},
        {"whole-text without LF", RemoveAllSpaces, u"a b", u"ab"},
    };
    for (const Case& c : cases)
        Check(c);
}

TEST(Comments, CutAtTheFirstSemicolonOutsideAString) {
    const Case cases[] = {
        {"space before stays", RemoveComments, u"x = 1 ; set x\n", u"x = 1 \n"},
        {"comment line empties", RemoveComments, u"; header comment\n", u"\n"},
        {"indentation stays", RemoveComments, u"    ; note\n", u"    \n"},
        {"semicolon in string", RemoveComments, u"a$ = \"x;y\" ; note\n", u"a$ = \"x;y\" \n"},
        {"only in string", RemoveComments, u"a$ = \"x;y\"\n", u"a$ = \"x;y\"\n"},
        {"char constants unknown", RemoveComments, u"c = ';' ; note\n", u"c = '\n"},
        {"escaped string protects", RemoveComments, u"a$ = ~\"x;y\" ; note\n", u"a$ = ~\"x;y\" ; note\n"},
        {"escape inside comment protects", RemoveComments, u"x = 1 ; see ~\"y\"\n", u"x = 1 ; see ~\"y\"\n"},
        {"no semicolon", RemoveComments, u"x = 1\n", u"x = 1\n"},
        {"odd quotes keep all", RemoveComments, u"a\" ; b ; c\n", u"a\" ; b ; c\n"},
        {"three strings", RemoveComments, u"\"a;\"+\"b;\" ; c;\n", u"\"a;\"+\"b;\" \n"},
        {"tilde apart from quote", RemoveComments, u"~ \"a\" ; c\n", u"~ \"a\" \n"},
        {"lone CR before semicolon", RemoveComments, u"a\r;b\r\nc", u"a\n\nc"},
        {"escape on the line before a lone CR", RemoveComments, u"~\r\"x;\" ; c\nz", u"~\n\"x;\" \nz"},
        {"code after a lone CR stays", RemoveComments, u"x = 1 ; set x\ry = 2\r\nz = 3\r\n", u"x = 1 \ny = 2\nz = 3\n"},
    };
    for (const Case& c : cases)
        Check(c);
}

TEST(DebugLines, DropEveryLineHoldingDebugAndASpace) {
    const Case cases[] = {
        {"plain", RemoveDebugLines, u"Debug x\nb", u"b"},
        {"indented", RemoveDebugLines, u"    Debug x\nb", u"b"},
        {"mid line", RemoveDebugLines, u"If a : Debug a : EndIf\nb", u"b"},
        {"suffix of a word", RemoveDebugLines, u"MyDebug x\nb", u"b"},
        {"in a comment", RemoveDebugLines, u"; Debug later\nb", u"b"},
        {"in a string", RemoveDebugLines, u"s$ = \"Debug \"\nb", u"b"},
        {"lower case stays", RemoveDebugLines, u"debug x\nb", u"debug x\nb"},
        {"tab stays", RemoveDebugLines, u"Debug\tx\nb", u"Debug\tx\nb"},
        {"end of line stays", RemoveDebugLines, u"Debug\nb", u"Debug\nb"},
        {"a lone CR ends the line before the space", RemoveDebugLines, u"Debug\r x\nb", u"Debug\n x\nb"},
        {"code after a lone CR stays", RemoveDebugLines, u"Debug \"start\"\rImportantCall()\r\nEnd\r\n",
         u"ImportantCall()\nEnd\n"},
        {"every line end", RemoveDebugLines, u"Debug a\rb\r\nDebug c\nd\n\rDebug e\r", u"b\nd\n\n"},
    };
    for (const Case& c : cases)
        Check(c);
}

TEST(Whitespace, EmptyLinesAndTrims) {
    const Case cases[] = {
        {"empty lines", RemoveEmptyLines, u"a\n\n\nb", u"a\nb"},
        {"blank lines", RemoveEmptyLines, u"a\n \t \nb", u"a\nb"},
        {"trailing empty", RemoveEmptyLines, u"a\n\n", u"a\n"},
        {"leading empty", RemoveEmptyLines, u"\n\na", u"a"},
        {"retained keep blanks", RemoveEmptyLines, u"  x  \n\n", u"  x  \n"},
        {"all blank", RemoveEmptyLines, u"\n \n", u""},
        {"no LF", RemoveEmptyLines, u"   ", u"   "},
        {"CR LF lines", RemoveEmptyLines, u"a\r\n\r\nb\r\n", u"a\nb\n"},
        {"lone CR lines", RemoveEmptyLines, u"a\r\r \rb\r", u"a\nb\n"},
        {"every line end", RemoveEmptyLines, u"\r\na\r\n\n\r\t\rb\n\r", u"a\nb\n"},
        {"start after a lone CR", RemoveSpacesAtStartOfLines, u"a\r  b\r\n\tc", u"a\nb\nc"},
        {"end before a lone CR", RemoveSpacesAtEndOfLines, u"a \rb\t\r\nc ", u"a\nb\nc"},
        {"start mixed", RemoveSpacesAtStartOfLines, u"  \t  x\n", u"x\n"},
        {"start keeps end", RemoveSpacesAtStartOfLines, u"\t\tx  \n", u"x  \n"},
        {"start three passes", RemoveSpacesAtStartOfLines, u"\t \t \t x\n", u" x\n"},
        {"start blank line", RemoveSpacesAtStartOfLines, u"   \n", u"\n"},
        {"end space tab", RemoveSpacesAtEndOfLines, u"x \t\n", u"x\n"},
        {"end tab space", RemoveSpacesAtEndOfLines, u"x\t \n", u"x\n"},
        {"end three passes", RemoveSpacesAtEndOfLines, u"x \t \t \t \t\n", u"x \t \n"},
        {"double spaces", RemoveDoubleSpaces, u"a    b", u"a b"},
        {"triple spaces", RemoveDoubleSpaces, u"a   b", u"a b"},
        {"tab separates", RemoveDoubleSpaces, u"a \t b", u"a \t b"},
        {"line end separates", RemoveDoubleSpaces, u"a  \n  b", u"a \n b"},
        {"strings too", RemoveDoubleSpaces, u"s$ = \"a  b\"", u"s$ = \"a b\""},
        {"leading and trailing runs", RemoveDoubleSpaces, u"  a  ", u" a "},
        {"all spaces", RemoveAllSpaces, u"If a = 1 : b = 2", u"Ifa=1:b=2"},
        {"all spaces string", RemoveAllSpaces, u"s$ = \"a b\"", u"s$=\"ab\""},
        {"all spaces tab stays", RemoveAllSpaces, u"a\tb c", u"a\tbc"},
        {"no-break space stays", RemoveAllSpaces, u"a\u00A0b", u"a\u00A0b"},
    };
    for (const Case& c : cases)
        Check(c);
}

TEST(Indentation, TabsAndSpacesByTabLength) {
    const Case cases[] = {
        {"tab", ConvertTabToSpace, u"\tx\n", u"    x\n"},
        {"spaces then tab", ConvertTabToSpace, u"  \tx\n", u"      x\n"},
        {"space then tab", ConvertTabToSpace, u" \tx\n", u"     x\n"},
        {"mixed", ConvertTabToSpace, u"  \t  x\n", u"        x\n"},
        {"inner tab stays", ConvertTabToSpace, u"x\ty\n", u"x\ty\n"},
        {"blank tabs empty", ConvertTabToSpace, u"\t\t\n", u"\n"},
        {"blank spaces empty", ConvertTabToSpace, u"   \n", u"\n"},
        {"four spaces", ConvertSpaceToTab, u"    x\n", u"\tx\n"},
        {"six spaces", ConvertSpaceToTab, u"      x\n", u"\tx\n"},
        {"five spaces", ConvertSpaceToTab, u"     x\n", u"\tx\n"},
        {"spaces then tab", ConvertSpaceToTab, u"    \tx\n", u"\t\tx\n"},
        {"absorbed", ConvertSpaceToTab, u"  \t  x\n", u"\tx\n"},
        {"inner spaces stay", ConvertSpaceToTab, u"x    y\n", u"x    y\n"},
        {"blank empty", ConvertSpaceToTab, u"   \n", u"\n"},
        {"width 2 to tabs", ConvertSpaceToTab, u"      x\n", u"\t\t\tx\n", 2},
        {"width 2 to spaces", ConvertTabToSpace, u"\tx\n", u"  x\n", 2},
        {"width 1 to tabs", ConvertSpaceToTab, u"   x\n", u"\t\t\tx\n", 1},
        {"width 1 to spaces", ConvertTabToSpace, u"\t\tx\n", u"  x\n", 1},
        {"width 0 to spaces", ConvertTabToSpace, u"\tx\n", u"x\n", 0},
        {"width 0 to tabs", ConvertSpaceToTab, u"    x\n", u"x\n", 0},
        {"width 0 keeps tabs", ConvertSpaceToTab, u"\tx\n", u"\tx\n", 0},
        {"negative width", ConvertTabToSpace, u"   \t\tx\n", u" x\n", -1},
        {"negative below zero", ConvertTabToSpace, u" \t\tx\n", u"x\n", -1},
        {"negative width sum", ConvertTabToSpace, u"     \tx\n", u"   x\n", -2},
        {"one line untouched", ConvertTabToSpace, u"\tx", u"\tx"},
        {"lone CR in the indentation", ConvertTabToSpace, u"\t\r\tx\n", u"\n    x\n"},
        {"indentation after a lone CR", ConvertSpaceToTab, u"a\r    b\r\n    c", u"a\n\tb\n\tc"},
    };
    for (const Case& c : cases)
        Check(c);
}

TEST(Indentation, RoundTripShrinksByTheDroppedSpaces) {
    std::u16string text = u"      x\n";
    ApplyOperation(ConvertSpaceToTab, text, 4);
    ApplyOperation(ConvertTabToSpace, text, 4);
    EXPECT_EQ(text, u"    x\n");
}

TEST(Indentation, HugeTabWidthLeavesTheTextAloneInsteadOfExhaustingMemory) {
    std::u16string text = u"\tx\n\ty\n";
    ApplyOperation(ConvertTabToSpace, text, 2000000000);
    EXPECT_EQ(text, u"\tx\n\ty\n");
    // Behind a lone CR a new line starts, and its tabs count as indentation.
    std::u16string afterCr = u"x\r\t\ty\n";
    ApplyOperation(ConvertTabToSpace, afterCr, 2000000000);
    EXPECT_EQ(afterCr, u"x\r\t\ty\n");
    EXPECT_EQ(StreamCleaned("\t\tx\n", ConvertTabToSpace, 2147483647), std::nullopt);
    // At the limit exactly the conversion still happens, column for column: in the editor's
    // text, where a tab after the code makes the quick count too large, and in a file's bytes.
    const auto width = static_cast<int32_t>(MaxTabExpansionGrowth / 2);
    {
        std::u16string atLimit = u"\tx\t\n\ty\n";
        ApplyOperation(ConvertTabToSpace, atLimit, width + 1);
        EXPECT_EQ(atLimit.size(), static_cast<size_t>(2 * (width + 1) + 5));
    }
    const std::optional<std::string> wide = StreamCleaned("\tx\r\n\ty\n", ConvertTabToSpace, width + 1);
    ASSERT_TRUE(wide);
    EXPECT_EQ(wide->size(), static_cast<size_t>(2 * (width + 1) + 5));
    // Line by line, as several stages run: the line that brings the growth to the limit exactly
    // is still converted, the next one is not.
    CleaningPipeline pipeline;
    StartPipeline(pipeline, {ConvertTabToSpace}, 2);
    pipeline.Stages[0].Growth = MaxTabExpansionGrowth - 1;
    EXPECT_EQ(LineStep(pipeline, pipeline.Stages[0], "\tx")->FillCount, 2u);
    EXPECT_FALSE(pipeline.GrowthExceeded);
    EXPECT_EQ(LineStep(pipeline, pipeline.Stages[0], "\tx")->FillCount, 0u);
    EXPECT_TRUE(pipeline.GrowthExceeded);
    // Tabs on blank lines never grow the text, whatever their width.
    EXPECT_EQ(StreamCleaned(std::string(100000, '\t') + "\nx", ConvertTabToSpace, 1 << 30), "\nx");
    // Nor does the width of spaces into tabs, which only ever shrinks.
    std::u16string spaces = u"  x\n";
    ApplyOperation(ConvertSpaceToTab, spaces, 2147483647);
    EXPECT_EQ(spaces, u"x\n");
}

TEST(LetterCase, WholeTextIncludingStringsAndComments) {
    const Case cases[] = {
        {"upper", ConvertTextToUpperCase, u"If a = 1 ; Kommentar", u"IF A = 1 ; KOMMENTAR"},
        {"lower strings", ConvertTextToLowerCase, u"S$ = \"Hallo Welt\"", u"s$ = \"hallo welt\""},
        {"umlauts up", ConvertTextToUpperCase, u"äöü", u"ÄÖÜ"},
        {"umlauts down", ConvertTextToLowerCase, u"ÄÖÜ", u"äöü"},
        {"line ends stay", ConvertTextToUpperCase, u"a\r\nb\r", u"A\r\nB\r"},
        {"sharp s stays", ConvertTextToUpperCase, u"straße", u"STRAßE"},
        {"y diaeresis leaves the first 256", ConvertTextToUpperCase, u"ÿ", u"Ÿ"},
        {"and comes back", ConvertTextToLowerCase, u"Ÿ", u"ÿ"},
        {"micro sign has no capital of its own", ConvertTextToUpperCase, u"µ", u"µ"},
        {"length changes in UTF-8", ConvertTextToUpperCase, u"\u0250x", u"\u2C6FX"},
        {"beyond the BMP", ConvertTextToLowerCase, u"\U00010400A", u"\U00010400a"},
        {"empty", ConvertTextToUpperCase, u"", u""},
        {"no letters", ConvertTextToLowerCase, u"1 + 2 ; ?", u"1 + 2 ; ?"},
    };
    for (const Case& c : cases)
        Check(c);
}

TEST(LetterCase, SingleByteTextStaysSingleByte) {
    EXPECT_EQ(StreamCleaned("\xE4\xFF\xB5\xC4\x41", ConvertTextToUpperCase, 4), "\xC4\xFF\xB5\xC4\x41");
    EXPECT_EQ(StreamCleaned("\xC4\xFF\xB5\xC4\x41", ConvertTextToLowerCase, 4), "\xE4\xFF\xB5\xE4\x61");
}

// The packed path moves sixteen bytes at a time and carries "the byte before was a space"
// from one block to the next: lengths around the block size, runs of spaces across its edges.
TEST(SpaceDropping, PackedAndBytewiseAgree) {
#if defined(__x86_64__) || defined(__i386__)
    ASSERT_TRUE(CanPackSpaces()) << "every x86 processor this is tested on has SSSE3";
#endif
    std::mt19937 random(20261208u);
    constexpr char Alphabet[] = {' ', ' ', ' ', 'a', '\t', '\n', '\xC3'};
    for (int round = 0; round < 4000; ++round) {
        std::string in(static_cast<size_t>(random() % 70), ' ');
        for (char& c : in)
            c = Alphabet[random() % sizeof Alphabet];
        for (const SpaceRule rule : {SpaceRule::Every, SpaceRule::Doubled}) {
            for (const bool afterSpace : {false, true}) {
                std::string packed(in.size() + 16, '?');
                std::string bytewise(in.size() + 16, '?');
                packed.resize(DropSpacesPacked(in, rule, afterSpace, packed.data()));
                bytewise.resize(DropSpacesBytewise(in, rule, afterSpace, bytewise.data()));
                ASSERT_EQ(packed, bytewise) << "input '" << in << "', rule " << static_cast<int>(rule)
                                            << ", after a space " << afterSpace;
            }
        }
    }
}

} // namespace
} // namespace brisklet
