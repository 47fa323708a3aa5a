// Fold points as the IDE finds them: start words as words of code or at a comment's start, in any
// letter case, never inside strings or Macro bodies.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cleaning/view/FoldPoints.h"

namespace brisklet {
namespace {

// The lines of a source that are fold points, numbered from 0.
std::vector<size_t> FoldLines(const std::vector<std::string>& lines, const std::vector<std::string>& startWords) {
    const FoldWords words = MakeFoldWords(startWords);
    FoldScan scan;
    std::vector<size_t> folds;
    for (size_t line = 0; line < lines.size(); ++line) {
        if (TakeFoldLine(scan, words, lines[line]))
            folds.push_back(line);
    }
    return folds;
}

TEST(FoldPoints, StartWordsAsTheIdeFindsThem) {
    const std::vector<std::string> pureBasic = DefaultFoldStartWords(false);
    struct Case {
        const char* name;
        std::vector<std::string> lines;
        std::vector<size_t> folds;
        std::vector<std::string> words = {};
    };
    const Case cases[] = {
        {"a procedure with a type", {"Procedure.i Count()", "EndProcedure"}, {0}},
        {"any letter case, indented", {"  pROCEDURE x()"}, {0}},
        {"every default word",
         {"Macro m()", "EndMacro", "ProcedureC a()", "ProcedureDLL b()", "ProcedureCDLL c()", "Module M",
          "DeclareModule D", "CompilerIf #A", "EnableASM", "EnableJS"},
         {0, 2, 3, 4, 5, 6, 7, 8}},
        {"a longer word is another word", {"ProcedureReturn x", "EndProcedure", "Modules = 1"}, {}},
        {"a name runs on in $", {"Procedure$ = 1"}, {}},
        {"anywhere in the code", {"x = 1 : Procedure y()", "If a : Module M"}, {0, 1}},
        {"constants and pointers are names", {"#Procedure = 1", "*Module = 0"}, {}},
        {"a comment holds no code", {"; Procedure", "x = 1 ; Module M"}, {}},
        {";{ at a comment's start", {";{ Section", "  ;{", "x = 1 ;{ here", ";; {", ";}", ";{Name"}, {0, 1, 2}},
        {"strings hold no code",
         {"a$ = \"Procedure\"", "a$ = ~\"\\\" Procedure\"", "c = 'P' : Procedure p()", "a$ = \";{\""},
         {2}},
        {"~\" is no string's end", {"a$ = ~\"x\" : Procedure p()"}, {0}},
        {"a string that never closes", {"a$ = \"Procedure"}, {}},
        {"nothing in a Macro body counts",
         {"Macro M(x)", "  Procedure p()", "  ;{", "EndMacro", "Procedure q()"}, {0, 4}},
        {"a one-line Macro", {"Macro M : x : EndMacro", "Procedure q()"}, {0, 1}},
        {"Macro in a string opens nothing", {"a$ = \"Macro\"", "Procedure q()"}, {1}},
        {"the preferences' own words",
         {"If a", "Procedure p()", "; - b", ";- c", "x{ y"}, {0, 3, 4}, {"If", ";-", "{"}},
        {"SpiderBasic's", {"EnableASM", "EnableJS"}, {1}, DefaultFoldStartWords(true)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FoldLines(c.lines, c.words.empty() ? pureBasic : c.words), c.folds);
    }
}

} // namespace
} // namespace brisklet
