// The literal reference gives the written examples of the cleaning rules, so the differential
// tests cannot pass with the reference and the fast code wrong alike.
#include <gtest/gtest.h>

#include "support/ReferenceCleaning.h"

namespace brisklet::test {
namespace {

using enum CleaningOperation;

struct Case {
    const char* Name;
    CleaningOperation Operation;
    int32_t TabLength;
    std::u16string_view Input;
    std::u16string_view Expected;
};

constexpr Case Cases[] = {
    {"one line is left alone", RemoveComments, 4, u"x = 1 ; note", u"x = 1 ; note"},
    {"CR LF becomes LF", RemoveEmptyLines, 4, u"a\r\nb", u"a\nb"},
    {"a lone CR ends a line", RemoveDebugLines, 4, u"a\rDebug b\nc", u"a\nc"},
    {"a comment before a lone CR", RemoveComments, 4, u"x = 1 ; set x\ry = 2\r\nz = 3\r\n", u"x = 1 \ny = 2\nz = 3\n"},
    {"LF CR is two line ends", RemoveEmptyLines, 4, u"a\n\rb\r", u"a\nb\n"},
    {"a final LF stays", RemoveComments, 4, u"a\nb\n", u"a\nb\n"},
    {"a dropped last line keeps the LF before it", RemoveDebugLines, 4, u"a\nDebug x", u"a\n"},
    {"a dropped first line takes its LF", RemoveDebugLines, 4, u"Debug x\na", u"a"},
    {"a dropped line before the empty last line", RemoveDebugLines, 4, u"Debug x\n", u""},
    {"comment cut keeps the space before it", RemoveComments, 4, u"x = 1 ; set x\n", u"x = 1 \n"},
    {"semicolon inside a string stays", RemoveComments, 4, u"a$ = \"x;y\" ; note\n", u"a$ = \"x;y\" \n"},
    {"character constants are not recognised", RemoveComments, 4, u"c = ';' ; note\n", u"c = '\n"},
    {"an escaped string protects the line", RemoveComments, 4, u"x = 1 ; see ~\"y\"\n", u"x = 1 ; see ~\"y\"\n"},
    {"Debug with a tab stays", RemoveDebugLines, 4, u"Debug\tx\ndebug x\nMyDebug x\n", u"Debug\tx\ndebug x\n"},
    {"blank lines go", RemoveEmptyLines, 4, u"a\n \t \n\nb\n\n", u"a\nb\n"},
    {"three passes at the start", RemoveSpacesAtStartOfLines, 4, u"\t \t \t x\n", u" x\n"},
    {"three passes at the end", RemoveSpacesAtEndOfLines, 4, u"x \t \t \t \t\n", u"x \t \n"},
    {"double spaces everywhere", RemoveDoubleSpaces, 4, u"a    b \t c  \n  d", u"a b \t c \n d"},
    {"all spaces, tabs stay", RemoveAllSpaces, 4, u"a\tb c\r\n", u"a\tbc\r\n"},
    {"a tab counts its full width", ConvertTabToSpace, 4, u"  \tx\n\t\t\n", u"      x\n\n"},
    {"tab length 0 removes tabs", ConvertTabToSpace, 0, u"\tx\n", u"x\n"},
    {"pending spaces are dropped", ConvertSpaceToTab, 4, u"      x\n    \tx\n  \t  x\n", u"\tx\n\t\tx\n\tx\n"},
    {"tab length 2", ConvertSpaceToTab, 2, u"      x\n", u"\t\t\tx\n"},
    {"tab length 0 keeps tabs", ConvertSpaceToTab, 0, u"    x\n\tx\n", u"x\n\tx\n"},
    {"upper case keeps the length", ConvertTextToUpperCase, 4, u"If a ; stra\u00dfe \u00e4", u"IF A ; STRA\u00dfE \u00c4"},
    {"lower case", ConvertTextToLowerCase, 4, u"S$ = \"Hallo\"\r\n", u"s$ = \"hallo\"\r\n"},
};

TEST(ReferenceCleaning, GivesTheWrittenExamples) {
    for (const Case& item : Cases) {
        SCOPED_TRACE(item.Name);
        EXPECT_EQ(ReferenceOperation(item.Operation, item.Input, item.TabLength), item.Expected);
    }
}

// The file rule: lines end at CR LF, LF or a lone CR and keep their own line end.
constexpr Case FileCases[] = {
    {"lone CRs end lines", RemoveDebugLines, 4, u"If a = 1\r  Debug \"one\"\r  b = 2\rEndIf\r\n",
     u"If a = 1\r  b = 2\rEndIf\r\n"},
    {"a comment before a lone CR", RemoveComments, 4, u"x = 1 ; set x\ry = 2\nz = 3\n", u"x = 1 \ry = 2\nz = 3\n"},
    {"CR LF stays CR LF", RemoveSpacesAtEndOfLines, 4, u"a \r\nb\t\r\n", u"a\r\nb\r\n"},
    {"a dropped line takes its own line end", RemoveEmptyLines, 4, u"a\r\n \n\rb\r", u"a\r\nb\r"},
    {"LF CR is two line ends", RemoveDebugLines, 4, u"Debug x\n\ry", u"\ry"},
    {"no line end: left alone", RemoveComments, 4, u"x = 1 ; note", u"x = 1 ; note"},
    {"the last line gains none", ConvertTabToSpace, 2, u"a\r\tb", u"a\r  b"},
    {"whole-text operations keep line ends", RemoveAllSpaces, 4, u"a \r b\r\n", u"a\rb\r\n"},
};

TEST(ReferenceCleaning, GivesTheFileRuleExamples) {
    for (const Case& item : FileCases) {
        SCOPED_TRACE(item.Name);
        EXPECT_EQ(ReferenceFileOperation(item.Operation, item.Input, item.TabLength), item.Expected);
    }
}

TEST(ReferenceCleaning, DispatchesFieldsUpToTheArgumentCount) {
    const std::u16string switchList = ReferenceSwitchList({u"/RemoveComments /fold", u"", u"/unfold"});
    EXPECT_EQ(switchList, u"/removecomments /fold  /unfold ");
    // Three arguments but four fields: the fold command in field 2 runs, the unfold in field 4 does not.
    const std::vector<ReferenceAction> expected = {{false, RemoveComments, ViewCommand::FoldAll},
                                                   {true, RemoveEmptyLines, ViewCommand::FoldAll}};
    EXPECT_EQ(ReferenceDispatch(switchList, 3), expected);
}

TEST(ReferenceCleaning, RunsARepeatedSwitchTwice) {
    const std::u16string_view twice = u"/removespacesatstartoflines /removespacesatstartoflines ";
    EXPECT_EQ(ReferenceCleanText(u"\t \t \t \t x\n", twice, 1, 4), u" \t x\n");
    EXPECT_EQ(ReferenceCleanText(u"\t \t \t \t x\n", twice, 2, 4), u"x\n");
}

} // namespace
} // namespace brisklet::test
