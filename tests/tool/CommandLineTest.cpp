// The raw command line into arguments, and the switch list built from them.
#include <gtest/gtest.h>

#include "tool/CommandLine.h"

namespace brisklet {
namespace {

using Arguments = std::vector<std::u16string>;

TEST(SplitArguments, SpacesSeparateQuotesGroupNothingElseCounts) {
    struct Case {
        const char* name;
        std::u16string_view line;
        Arguments expected;
    } cases[] = {
        {"nothing", u"", {}},
        {"only spaces", u"   ", {}},
        {"two switches", u"/removecomments /fold", {u"/removecomments", u"/fold"}},
        {"runs of spaces", u"  /a    /b  ", {u"/a", u"/b"}},
        {"tab does not separate", u"/a\t/b", {u"/a\t/b"}},
        {"quoted with space", u"\"/removecomments /fold\"", {u"/removecomments /fold"}},
        {"quote inside argument", u"/remove\"comm ents\"x", {u"/removecomm entsx"}},
        {"empty quoted", u"\"\"", {u""}},
        {"empty between", u"/a \"\" /b", {u"/a", u"", u"/b"}},
        {"quotes glue", u"a\"\"b", {u"ab"}},
        {"unbalanced quote runs to the end", u"/a \"/b /c", {u"/a", u"/b /c"}},
        {"no backslash rules", u"a\\\"b c\\\" d", {u"a\\b c\\", u"d"}},
        {"trailing backslash", u"C:\\x\\ /a", {u"C:\\x\\", u"/a"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SplitArguments(c.line), c.expected);
    }
}

TEST(SplitArguments, HugeAndManyArgumentsStayWhole) {
    const std::u16string huge(30000, u'x');
    EXPECT_EQ(SplitArguments(huge), Arguments{huge});
    std::u16string many;
    for (int i = 0; i < 200; ++i)
        many += u"/fold ";
    EXPECT_EQ(SplitArguments(many).size(), 200u);
}

TEST(ArgumentsAfterProgram, CutsTheProgramPathAsWindowsFindsIt) {
    EXPECT_EQ(ArgumentsAfterProgram(u"\"C:\\Program Files\\Brisklet.exe\" /a /b"), u" /a /b");
    EXPECT_EQ(ArgumentsAfterProgram(u"C:\\Tools\\Brisklet.exe /a"), u"/a");
    EXPECT_EQ(ArgumentsAfterProgram(u"Brisklet.exe"), u"");
    EXPECT_EQ(ArgumentsAfterProgram(u"\"C:\\Brisklet.exe\""), u"");
    EXPECT_EQ(ArgumentsAfterProgram(u"\"C:\\unclosed /a"), u"");
    EXPECT_EQ(ArgumentsAfterProgram(u"Brisklet.exe\t/a"), u"/a");
}

TEST(BuildSwitchList, LowerCasesAndEndsEveryArgumentWithASpace) {
    const Switches none = BuildSwitchList({});
    EXPECT_EQ(none.ParameterCount, 0);
    EXPECT_EQ(none.SwitchList, u"");
    const Switches two = BuildSwitchList({u"/RemoveComments", u"/KEEPCURSORANDFOLDS"});
    EXPECT_EQ(two.ParameterCount, 2);
    EXPECT_EQ(two.SwitchList, u"/removecomments /keepcursorandfolds ");
    const Switches empty = BuildSwitchList({u""});
    EXPECT_EQ(empty.ParameterCount, 1);
    EXPECT_EQ(empty.SwitchList, u" "); // not empty: the tool goes on to look for the IDE
    EXPECT_EQ(BuildSwitchList({u"/ÄÖ"}).SwitchList, u"/äö ");
}

} // namespace
} // namespace brisklet
