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

TEST(FoldLevels, FollowBlocksAndMarkersLineByLine) {
    struct Case {
        const char* name;
        std::string bytes;
        std::vector<int> expected;
    };
    const Case cases[] = {
        {"empty document is one line", "", {Base}},
        {"plain lines", "a = 1\nb = 2", {Base, Base}},
        {"procedure block", "Procedure A()\n  x\nEndProcedure\ny",
         {Base | Header, Base + 1, Base + 1, Base}},
        {"module holding a procedure", "Module M\nProcedure P()\nEndProcedure\nEndModule\n",
         {Base | Header, (Base + 1) | Header, Base + 2, Base + 1, Base}},
        {"markers", ";{ region\nx\n;}\n", {Base | Header, Base + 1, Base + 1, Base}},
        {"indented and any letter case", "\t  pROCEDURE.i F()\n  ENDprocedure", {Base | Header, Base + 1}},
        {"longer words are not keywords", "ProcedureReturn 1\nModules\nEndProcedureX", {Base, Base, Base}},
        {"keyword after code is not a fold", "x : Procedure A()\nEndProcedure", {Base, Base}},
        {"marker after code is not a fold", "x ;{\n;}", {Base, Base}},
        {"closer without opener stays at base", "EndModule\nx", {Base, Base}},
        {"CR LF and lone CR end lines", "Procedure A()\r\nx\rEndProcedure\r\n", {Base | Header, Base + 1, Base + 1, Base}},
        {"zero byte is an ordinary byte", std::string("Module M\0\nEndModule", 19), {Base | Header, Base + 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ComputeFoldLevels(c.bytes), c.expected);
    }
}

} // namespace
} // namespace brisklet::test
