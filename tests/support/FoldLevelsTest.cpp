// Tests of the fold levels the stand-in IDEs give their documents.
#include "support/FoldLevels.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/ScintillaMessages.h"

namespace brisklet::test {
namespace {

constexpr int Header = SC_FOLDLEVELHEADERFLAG;
constexpr int Base = SC_FOLDLEVELBASE;

TEST(FoldLevels, FollowTheFoldWordsLineByLine) {
    struct Case {
        const char* name;
        std::string bytes;
        std::vector<int> expected;
    };
    const Case cases[] = {
        {"empty document is one line", "", {Base}},
        {"plain lines", "a = 1\nb = 2", {Base, Base}},
        {"procedure block", "Procedure A()\n  x\nEndProcedure\ny", {Base | Header, Base + 1, Base + 1, Base}},
        {"module holding a procedure", "Module M\nProcedure P()\nEndProcedure\nEndModule\n",
         {Base | Header, (Base + 1) | Header, Base + 2, Base + 1, Base}},
        {"comment markers", ";{ region\nx\n;}\n", {Base | Header, Base + 1, Base + 1, Base}},
        {"indented, any letter case, a type", "\t  pROCEDURE.i F()\n  ENDprocedure", {Base | Header, Base + 1}},
        {"longer names are no fold words", "ProcedureReturn 1\nModules\nEndProcedureX\nDeclare x", {Base, Base, Base, Base}},
        {"other names that hold one", "#Procedure = 1\n*Module = 0\nMacro$ = \"\"\nx\\Procedure = 2\n$Module",
         {Base, Base, Base, Base, Base}},
        {"a fold word after other code", "x = 1 : Procedure A()\nEndProcedure", {Base | Header, Base + 1}},
        {"a marker at the start of a comment after code", "x ;{\n;}", {Base | Header, Base + 1}},
        {"a marker later in a comment", "; a ;{\nx ; Procedure", {Base, Base}},
        {"fold words in strings", "a$ = \"Procedure\" + ~\"\\\" Module\" + 'M'\nx", {Base, Base}},
        {"opened and closed on one line", "Procedure A() : EndProcedure\nx", {Base, Base}},
        {"closer without opener stays at base", "EndModule\nx", {Base, Base}},
        {"the other defaults", "DeclareModule D\nCompilerIf 1\nEnableASM\nDisableASM\nCompilerEndIf\nEndDeclareModule",
         {Base | Header, (Base + 1) | Header, (Base + 2) | Header, Base + 3, Base + 2, Base + 1}},
        {"nothing counts inside a macro body", "Macro M()\n  Procedure X()\n  ;{\nEndMacro\nx",
         {Base | Header, Base + 1, Base + 1, Base + 1, Base}},
        {"CR LF and lone CR end lines", "Procedure A()\r\nx\rEndProcedure\r\n", {Base | Header, Base + 1, Base + 1, Base}},
        {"zero byte is an ordinary byte", std::string("Module M\0\nEndModule", 19), {Base | Header, Base + 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ComputeFoldLevels(c.bytes), c.expected);
    }
}

TEST(FoldLevels, TheWordsComeFromTheFoldingGroupOrTheDefaults) {
    struct Case {
        const char* name;
        std::string prefs;
        bool spiderBasic;
        std::string bytes;
        std::vector<int> expected;
    };
    const std::string source = "If a\nEnableJS\nProcedure P()\nEndIf\n";
    const Case cases[] = {
        {"no group: PureBasic's defaults", "[Global]\nTabLength = 2\n", false, source, {Base, Base, Base | Header, Base + 1, Base + 1}},
        {"no group: SpiderBasic's defaults", "", true, source, {Base, Base | Header, (Base + 1) | Header, Base + 2, Base + 2}},
        {"start words of its own, the default ends",
         "\xEF\xBB\xBF[Folding]\r\nStartWords = 2\r\nStart_1 = If\r\nStart_2 = \r\n[Other]\r\nStart_2 = Procedure\r\n", false,
         source, {Base | Header, Base + 1, Base + 1, Base + 1, Base + 1}},
        {"both lists", "[folding]\nstartwords=1\nstart_1=if\nENDWORDS = 1\nEnd_1 = EndIf\n", false, source,
         {Base | Header, Base + 1, Base + 1, Base + 1, Base}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ComputeFoldLevels(c.bytes, FoldWordsFromPrefs(c.prefs, c.spiderBasic)), c.expected);
    }
}

TEST(FoldLevels, CodeWordsLeaveStringsCommentsAndOtherNamesOut) {
    std::vector<std::string> words;
    size_t lastOffset = 0;
    const std::string bytes = "If a$ = \"endif\" : #ENDIF\r\nELSE ; endif\rx\\EndIf + ~\"\\\"If\" 'a' *p endif";
    for (const CodeWord& word : CodeWords(bytes)) {
        words.emplace_back(word.Text);
        EXPECT_EQ(bytes.substr(word.Offset, word.Text.size()), word.Text);
        lastOffset = word.Offset;
    }
    EXPECT_EQ(words, (std::vector<std::string>{"If", "ELSE", "x", "endif"}));
    EXPECT_EQ(lastOffset, bytes.size() - 5);
}

} // namespace
} // namespace brisklet::test
