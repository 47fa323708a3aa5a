// The in-memory editor answers as the control does: lines, selection, folds, hidden lines and markers.
#include <gtest/gtest.h>

#include "editor/ScintillaMessages.h"
#include "support/MemoryEditor.h"

namespace brisklet {
namespace {

constexpr int Base = SC_FOLDLEVELBASE;
constexpr int Header = SC_FOLDLEVELHEADERFLAG;

// Module (0) holding procedures A (1) and B (4), then procedure C (8).
MemoryEditor NestedFolds() {
    MemoryEditor editor("M\nA\na\nEA\nB\nb\nEB\nEM\nC\nc\nEC\n");
    const int levels[] = {Base | Header, (Base + 1) | Header, Base + 2, Base + 2, (Base + 1) | Header, Base + 2,
                          Base + 2,      Base + 1,            Base | Header, Base + 1, Base + 1, Base};
    for (intptr_t line = 0; line < 12; ++line)
        editor.SetFoldLevel(line, levels[line]);
    return editor;
}

// Text written over the document as it is now.
WriteResult Send(MemoryEditor& editor, unsigned message, std::string_view bytes) {
    return editor.SendText({message, bytes, editor.Bytes(), {}});
}

TEST(MemoryEditor, LinesEndAtLfCrOrCrLf) {
    MemoryEditor editor("a\r\nb\rc\nd");
    EXPECT_EQ(editor.Call(SCI_GETLINECOUNT), 4);
    EXPECT_EQ(editor.Call(SCI_LINEFROMPOSITION, 3), 1);
    EXPECT_EQ(editor.Call(SCI_LINEFROMPOSITION, 5), 2);
    EXPECT_EQ(editor.Call(SCI_LINEFROMPOSITION, 99), 3);
    EXPECT_EQ(editor.Call(SCI_POSITIONFROMLINE, 3), 7);
    EXPECT_EQ(editor.Call(SCI_GETCHARAT, 4), '\r');
    EXPECT_EQ(editor.Call(SCI_GETCHARAT, 8), 0);
    EXPECT_EQ(MemoryEditor("").Call(SCI_GETLINECOUNT), 1);
    EXPECT_EQ(MemoryEditor("x\n").Call(SCI_GETLINECOUNT), 2);
}

TEST(MemoryEditor, SelectionAndCaretCommands) {
    MemoryEditor editor("one\ntwo\nthree");
    editor.Call(SCI_SETSEL, 9, 2);
    EXPECT_EQ(editor.Call(SCI_GETSELECTIONSTART), 2);
    EXPECT_EQ(editor.Call(SCI_GETSELECTIONEND), 9);
    EXPECT_EQ(editor.Call(SCI_GETCURRENTPOS), 2);
    editor.Call(SCI_DOCUMENTEND);
    EXPECT_EQ(editor.Call(SCI_GETSELECTIONSTART), 13);
    EXPECT_EQ(editor.Call(SCI_GETSELECTIONEND), 13);
    editor.Call(SCI_GOTOLINE, 1);
    EXPECT_EQ(editor.Caret(), 4);
    editor.Call(SCI_GOTOLINE, 50);
    EXPECT_EQ(editor.Caret(), 8);
    editor.Call(SCI_SETSEL, 0, -1);
    EXPECT_EQ(editor.Call(SCI_GETSELECTIONEND), 13);
}

TEST(MemoryEditor, ContractingHidesChildrenAndExpandingAHiddenHeaderOpensItsParents) {
    MemoryEditor editor = NestedFolds();
    editor.Call(SCI_FOLDLINE, 1, SC_FOLDACTION_CONTRACT);
    editor.Call(SCI_FOLDLINE, 0, SC_FOLDACTION_CONTRACT);
    EXPECT_EQ(editor.HiddenLines(), (std::vector<intptr_t>{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(editor.Call(SCI_CONTRACTEDFOLDNEXT, 0), 0);
    EXPECT_EQ(editor.Call(SCI_CONTRACTEDFOLDNEXT, 1), 1);
    EXPECT_EQ(editor.Call(SCI_CONTRACTEDFOLDNEXT, 2), -1);
    // Expanding B, hidden inside the module, reveals it: the module opens, A stays collapsed.
    editor.Call(SCI_FOLDLINE, 4, SC_FOLDACTION_EXPAND);
    EXPECT_EQ(editor.ContractedHeaders(), (std::vector<intptr_t>{1}));
    EXPECT_EQ(editor.HiddenLines(), (std::vector<intptr_t>{2, 3}));
    EXPECT_EQ(editor.Caret(), 9); // moved to the revealed line
    // Setting the flag alone hides or shows nothing.
    editor.Call(SCI_SETFOLDEXPANDED, 8, 0);
    EXPECT_TRUE(editor.LineVisible(9));
    EXPECT_EQ(editor.Call(SCI_GETFOLDEXPANDED, 8), 0);
}

TEST(MemoryEditor, ShowLinesShowsARangeWithinTheDocumentAndLeavesTheFlags) {
    MemoryEditor editor = NestedFolds();
    editor.Call(SCI_FOLDLINE, 1, SC_FOLDACTION_CONTRACT);
    editor.Call(SCI_FOLDLINE, 8, SC_FOLDACTION_CONTRACT);
    editor.Call(SCI_SHOWLINES, 0, 12); // past the last line: nothing, as in the control
    EXPECT_EQ(editor.HiddenLines(), (std::vector<intptr_t>{2, 3, 9, 10}));
    editor.Call(SCI_SHOWLINES, 3, 9);
    EXPECT_EQ(editor.HiddenLines(), (std::vector<intptr_t>{2, 10}));
    EXPECT_EQ(editor.ContractedHeaders(), (std::vector<intptr_t>{1, 8}));
}

TEST(MemoryEditor, FoldAllCollapsesTheOutermostHeadersAndUnfoldAllShowsEverything) {
    MemoryEditor editor = NestedFolds();
    editor.Call(SCI_FOLDALL, SC_FOLDACTION_CONTRACT);
    EXPECT_EQ(editor.ContractedHeaders(), (std::vector<intptr_t>{0, 8}));
    EXPECT_EQ(editor.HiddenLines(), (std::vector<intptr_t>{1, 2, 3, 4, 5, 6, 7, 9, 10}));
    EXPECT_EQ(editor.Call(SCI_GETLINEVISIBLE, 11), 1);
    editor.Call(SCI_FOLDALL, SC_FOLDACTION_EXPAND);
    EXPECT_TRUE(editor.ContractedHeaders().empty());
    EXPECT_TRUE(editor.HiddenLines().empty());
}

TEST(MemoryEditor, SetTextShowsEverythingAndReplaceSelKeepsTheOtherLines) {
    MemoryEditor editor = NestedFolds();
    editor.Call(SCI_FOLDLINE, 8, SC_FOLDACTION_CONTRACT);
    for (const intptr_t line : {1, 2, 8})
        editor.Call(SCI_MARKERADDSET, static_cast<uintptr_t>(line), 1 << line);
    editor.SetSelection(0, 4); // "M\nA\n" becomes three lines
    ASSERT_EQ(Send(editor, SCI_REPLACESEL, "X\nY\nZ\n"), WriteResult::Written);
    EXPECT_EQ(editor.Bytes().substr(0, 7), "X\nY\nZ\na");
    EXPECT_EQ(editor.Caret(), 6);
    EXPECT_EQ(editor.ContractedHeaders(), (std::vector<intptr_t>{9}));
    EXPECT_EQ(editor.HiddenLines(), (std::vector<intptr_t>{10, 11}));
    // As in the control: the replaced lines' markers gather, and at a line start move on with
    // what follows the new text ("a", line 3).
    EXPECT_EQ(editor.Markers(), (std::vector<std::pair<intptr_t, int>>{{3, 6}, {9, 1 << 8}}));
    EXPECT_EQ(editor.Call(SCI_MARKERNEXT, 1, 1 << 8), 9);
    editor.SetSelection(5, 7); // from the end of "Z" through "a": they stay on the first line
    ASSERT_EQ(Send(editor, SCI_REPLACESEL, "1\n2"), WriteResult::Written);
    EXPECT_EQ(editor.Markers(), (std::vector<std::pair<intptr_t, int>>{{2, 6}, {9, 1 << 8}}));
    editor.SetSelection(0, static_cast<intptr_t>(editor.Bytes().size()));
    ASSERT_EQ(Send(editor, SCI_REPLACESEL, "all\nnew"), WriteResult::Written);
    EXPECT_TRUE(editor.Markers().empty());
    ASSERT_EQ(Send(editor, SCI_SETTEXT, "new"), WriteResult::Written);
    EXPECT_EQ(editor.Bytes(), "new");
    EXPECT_TRUE(editor.HiddenLines().empty());
    EXPECT_TRUE(editor.Markers().empty());
    EXPECT_EQ(editor.Call(SCI_GETFOLDLEVEL, 0), Base);
    EXPECT_EQ(editor.Caret(), 0);
}

TEST(MemoryEditor, TakesTextOnlyUpToAZeroByteAsTheControlDoes) {
    MemoryEditor editor("old");
    ASSERT_EQ(Send(editor, SCI_SETTEXT, std::string("ab\0cd", 5)), WriteResult::Written);
    EXPECT_EQ(editor.Bytes(), "ab");
    EXPECT_EQ(Send(editor, SCI_GETLENGTH, "x"), WriteResult::Failed);
}

TEST(MemoryEditor, WritesNothingOverADocumentThatChangedSinceItWasRead) {
    MemoryEditor editor("abc");
    editor.SetSelection(0, 1);
    EXPECT_EQ(editor.SendText({SCI_SETTEXT, "new", "ab", {{SCI_SETSEL, 2, 3}}}), WriteResult::EditorChanged);
    EXPECT_EQ(editor.Bytes(), "abc");
    EXPECT_EQ(editor.Anchor(), 0); // nothing sent before the write either
}

TEST(MemoryEditor, AnOlderControlAnswersUnknownMessagesWithZero) {
    MemoryEditor editor = NestedFolds();
    editor.KnowsContractedFoldNext = false;
    editor.Call(SCI_FOLDLINE, 8, SC_FOLDACTION_CONTRACT);
    EXPECT_EQ(editor.Call(SCI_CONTRACTEDFOLDNEXT, 5), 0);
    EXPECT_EQ(editor.Call(9999), 0);
}

} // namespace
} // namespace brisklet
