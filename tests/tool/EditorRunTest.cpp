// The cleaning run against the in-memory editor: modes, change detection, write-back, folds, caret.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>

#include "tool/EditorRun.h"
#include "tool/CommandLine.h"
#include "editor/ScintillaMessages.h"
#include "editor/UserMarkers.h"
#include "runtime/CodePage.h"
#include "support/FailingAllocator.h"
#include "support/FakeCodePage.h"
#include "support/FoldLevels.h"
#include "support/MemoryEditor.h"

namespace brisklet {
namespace {

// An editor that recomputes its fold levels after every change, as the IDE does.
struct IdeEditor {
    explicit IdeEditor(std::string bytes, int codePage = 0) : Editor(std::move(bytes), codePage) {
        Editor.OnTextChanged = [](MemoryEditor& editor) { ApplyFoldLevels(editor); };
        ApplyFoldLevels(Editor);
    }
    static void ApplyFoldLevels(MemoryEditor& editor) {
        const std::vector<int> levels = test::ComputeFoldLevels(editor.Bytes());
        for (size_t line = 0; line < levels.size(); ++line)
            editor.SetFoldLevel(static_cast<intptr_t>(line), levels[line]);
    }
    RunOutcome Run(std::u16string_view commandLine, int32_t tabLength = 4) {
        const Switches switches = BuildSwitchList(SplitArguments(commandLine));
        Editor.Messages.clear();
        return CleanEditor(&Editor, RunSettings{switches.ParameterCount, switches.SwitchList, tabLength});
    }
    [[nodiscard]] size_t Sent(unsigned message) const {
        return static_cast<size_t>(std::count(Editor.Messages.begin(), Editor.Messages.end(), message));
    }
    MemoryEditor Editor;
};

constexpr std::string_view ModuleSource =
    "Module Tools\n"          // 0
    "  Procedure A()\n"       // 1
    "    x = 1 ; one\n"       // 2
    "  EndProcedure\n"        // 3
    "  Procedure B()\n"       // 4
    "    y = 2 ; two\n"       // 5
    "  EndProcedure\n"        // 6
    "EndModule\n"             // 7
    "Procedure C()\n"         // 8
    "  z = 3 ; three\n"       // 9
    "EndProcedure\n";         // 10

TEST(CleaningRun, NoEditorDoesNothing) {
    EXPECT_EQ(CleanEditor(nullptr, RunSettings{1, u"/removecomments ", 4}), RunOutcome::NoEditor);
}

TEST(CleaningRun, ReadOnlyEditorIsLeftAlone) {
    IdeEditor ide("a ; b\nc");
    ide.Editor.ReadOnly = true;
    EXPECT_EQ(ide.Run(u"/removecomments /fold /setcursortobottom"), RunOutcome::SkippedReadOnly);
    EXPECT_EQ(ide.Editor.Bytes(), "a ; b\nc");
    EXPECT_EQ(ide.Editor.Messages, std::vector<unsigned>{SCI_GETREADONLY});
}

// A document, a selection or none, and switches: the text the editor holds after the run, written
// once, as a whole document or as the selection alone.
TEST(CleaningRun, TextsComeOutAsTheSwitchesSay) {
    struct Case {
        const char* Name;
        std::string_view Document;
        std::u16string_view Switches;
        std::string_view Expected;
        intptr_t Anchor = 0;
        intptr_t Caret = 0;
        int CodePage = 0;
        int32_t TabLength = 4;
        int FoldAlls = -1; // SCI_FOLDALL messages, when they count
    };
    const Case cases[] = {
        {"written once, switches in any letter case", "x = 1 ; note\r\n  Debug x\r\ny\r\n",
         u"/REMOVECOMMENTS /removeDebugLines", "x = 1 \ny\n"},
        {"a selection within one line: no line operation", "x = 1 ; A\ny\n",
         u"/removecomments /converttexttolowercaseletters", "x = 1 ; a\ny\n", 0, 9},
        {"a longer word holds the modifier", "a ; b\nc ; d\n", u"/onlyselectedcodeplease /removecomments",
         "a \nc ; d\n", 0, 6},
        {"in the order given", "; c\nx", u"/removeemptylines /removecomments", "\nx"},
        {"the other order", "; c\nx", u"/removecomments /removeemptylines", "x"},
        {"each time they appear", "   x\n", u"/convertspacetotab /fold /convertspacetotab /fold /converttabtospace",
         "  x\n", 0, 0, 0, 2, 2},
        {"one quoted argument: only its first field", ModuleSource, u"\"/removecomments /fold\"",
         "Module Tools\n  Procedure A()\n    x = 1 \n  EndProcedure\n  Procedure B()\n    y = 2 \n  EndProcedure\n"
         "EndModule\nProcedure C()\n  z = 3 \nEndProcedure\n",
         0, 0, 0, 4, 0},
        {"caret to the top in a selection", "a  b\nc  d\ne  f\n", u"/setcursortotop /removedoublespaces",
         "a  b\nc d\ne  f\n", 5, 10},
        {"caret to the bottom in a selection", "a  b\nc  d\ne  f\n", u"/setcursortobottom /removedoublespaces",
         "a  b\nc d\ne  f\n", 5, 10},
        {"UTF-8 upper case, ß kept", "x = \"\xC3\xA4\xC3\xB6\xC3\x9F\"\n", u"/converttexttouppercaseletters",
         "X = \"\xC3\x84\xC3\x96\xC3\x9F\"\n", 0, 0, SC_CP_UTF8},
        {"UTF-8 lower case", "X = \"\xC3\x84\xC3\x96\xC3\x9F\"\n", u"/converttexttolowercaseletters",
         "x = \"\xC3\xA4\xC3\xB6\xC3\x9F\"\n", 0, 0, SC_CP_UTF8},
        // From the second character to the first line's LF.
        {"a UTF-8 selection at the editor's byte offsets", "\xC3\xA4\xC3\xA4 ; \xC3\xA4\n\xC3\xA4\n",
         u"/converttexttouppercaseletters /removecomments", "\xC3\xA4\xC3\x84 \n\xC3\xA4\n", 2, 10, SC_CP_UTF8},
        {"code page 0: one byte, one character", "a\xE4\xFF\x81 ; \xC3\xA4\r\nb\n", u"/converttexttouppercaseletters",
         "A\xC4\xFF\x81 ; \xC3\xA4\r\nB\n"},
        {"a stray byte in UTF-8 comes back as it was", "\xC3\xA4 \xFF ; x\nb\n", u"/removecomments",
         "\xC3\xA4 \xFF \nb\n", 0, 0, SC_CP_UTF8},
        {"the characters around a stray byte stay whole", "\xC3\x84 \xFF \xE2\x82\xAC x \xC3\xBF\n",
         u"/converttexttolowercaseletters", "\xC3\xA4 \xFF \xE2\x82\xAC x \xC3\xBF\n", 0, 0, SC_CP_UTF8},
        // ÿ takes its capital Ÿ, which lies beyond the first 256 characters.
        {"\xC3\xBF upper case beyond a byte", "\xC3\xA4 \xFF \xE2\x82\xAC x \xC3\xBF\n", u"/converttexttouppercaseletters",
         "\xC3\x84 \xFF \xE2\x82\xAC X \xC5\xB8\n", 0, 0, SC_CP_UTF8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        IdeEditor ide(std::string(c.Document), c.CodePage);
        ide.Editor.SetSelection(c.Anchor, c.Caret);
        EXPECT_EQ(ide.Run(c.Switches, c.TabLength), RunOutcome::Written);
        EXPECT_EQ(ide.Editor.Bytes(), c.Expected);
        const bool selected = c.Anchor != c.Caret;
        EXPECT_EQ(ide.Sent(SCI_SETTEXT), selected ? 0u : 1u);
        EXPECT_EQ(ide.Sent(SCI_REPLACESEL), selected ? 1u : 0u);
        if (c.FoldAlls >= 0) {
            EXPECT_EQ(ide.Sent(SCI_FOLDALL), static_cast<size_t>(c.FoldAlls));
        }
    }
}

TEST(CleaningRun, UnchangedTextIsNotWrittenAndNothingIsCaptured) {
    IdeEditor ide("a\nb\n");
    ide.Editor.SetSelection(3, 3);
    EXPECT_EQ(ide.Run(u"/removecomments /keepcursorandfolds /bogus"), RunOutcome::Unchanged);
    EXPECT_EQ(ide.Sent(SCI_SETTEXT), 0u);
    EXPECT_EQ(ide.Sent(SCI_GOTOLINE), 0u);
    EXPECT_EQ(ide.Sent(SCI_CONTRACTEDFOLDNEXT), 0u);
    EXPECT_EQ(ide.Editor.Caret(), 3);
}

TEST(CleaningRun, SelectionIsCleanedAndReplacesOnlyItself) {
    struct Case {
        const char* Name;
        std::string_view Document;
        intptr_t Anchor;
        intptr_t Caret;
        std::u16string_view Switches;
        std::string_view Expected;
    };
    const Case cases[] = {
        {"a backwards selection of the second line and its LF", "a  b\nc  d\ne  f\n", 10, 5, u"/removedoublespaces",
         "a  b\nc d\ne  f\n"},
        // Half a CR LF pair would be a line end of its own: no empty line may come of it.
        {"ending between the CR and the LF", "a\r\nDebug b\r\nc ; x\r\nd\r\n", 0, 18,
         u"/removedebuglines /removecomments", "a\nc \r\nd\r\n"},
        // An LF written right after a lone CR would pair with it, and the emptied line would go.
        {"after a lone CR, its first line emptied", "x = 1\r; note\ny\n", 6, 13, u"/removecomments",
         "x = 1\r\r\ny\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        IdeEditor ide{std::string(c.Document)};
        ide.Editor.SetSelection(c.Anchor, c.Caret);
        EXPECT_EQ(ide.Run(c.Switches), RunOutcome::Written);
        EXPECT_EQ(ide.Editor.Bytes(), c.Expected);
        EXPECT_EQ(ide.Sent(SCI_REPLACESEL), 1u);
        EXPECT_EQ(ide.Sent(SCI_SETTEXT), 0u);
    }
}

TEST(CleaningRun, OnlySelectedCodeWithoutSelectionEndsBeforeAnything) {
    IdeEditor ide("a ; b\nc");
    ide.Editor.SetSelection(2, 2); // an empty selection is no selection
    EXPECT_EQ(ide.Run(u"/fold /removecomments /onlyselectedcode"), RunOutcome::EndedNoSelection);
    EXPECT_EQ(ide.Editor.Bytes(), "a ; b\nc");
    EXPECT_EQ(ide.Sent(SCI_FOLDALL), 0u);
    EXPECT_EQ(ide.Sent(SCI_GETCHARACTERPOINTER), 0u);
}

TEST(CleaningRun, ViewCommandsAloneActButWriteNothing) {
    IdeEditor ide{std::string(ModuleSource)};
    ide.Editor.SetSelection(5, 9);
    EXPECT_EQ(ide.Run(u"/fold /setcursortotop /keepcursorandfolds"), RunOutcome::Unchanged);
    EXPECT_EQ(ide.Sent(SCI_SETTEXT), 0u);
    EXPECT_EQ(ide.Editor.ContractedHeaders(), (std::vector<intptr_t>{0, 8}));
    EXPECT_EQ(ide.Editor.Anchor(), 0);
    EXPECT_EQ(ide.Editor.Caret(), 0);
    EXPECT_EQ(ide.Run(u"/unfold /setcursortobottom /setcursortotop"), RunOutcome::Unchanged);
    EXPECT_TRUE(ide.Editor.ContractedHeaders().empty());
    EXPECT_TRUE(ide.Editor.HiddenLines().empty());
    EXPECT_EQ(ide.Editor.Caret(), 0);
    EXPECT_EQ(ide.Run(u"/unfold /fold"), RunOutcome::Unchanged);
    EXPECT_EQ(ide.Editor.ContractedHeaders(), (std::vector<intptr_t>{0, 8}));
}

TEST(CleaningRun, KeepCursorAndFoldsRecollapsesWithoutOpeningOuterFolds) {
    IdeEditor ide{std::string(ModuleSource)};
    ide.Editor.FoldLine(1, SC_FOLDACTION_CONTRACT); // procedure A collapsed inside the module
    ide.Editor.FoldLine(0, SC_FOLDACTION_CONTRACT); // then the module around it
    ide.Editor.SetSelection(140, 140);              // caret in line 9, mid-line
    EXPECT_EQ(ide.Run(u"/removecomments /keepcursorandfolds"), RunOutcome::Written);
    EXPECT_EQ(ide.Editor.ContractedHeaders(), (std::vector<intptr_t>{0, 1}));
    EXPECT_EQ(ide.Editor.HiddenLines(), (std::vector<intptr_t>{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(ide.Editor.Caret(), 121); // start of line 9 in the new text, not the old column
    EXPECT_EQ(ide.Editor.Anchor(), 121);
    EXPECT_EQ(ide.Sent(SCI_FOLDLINE), 2u);
}

TEST(CleaningRun, WithoutTheModifierFoldsAndCaretAreLeftToTheEditor) {
    IdeEditor ide{std::string(ModuleSource)};
    ide.Editor.FoldLine(0, SC_FOLDACTION_CONTRACT);
    EXPECT_EQ(ide.Run(u"/removecomments"), RunOutcome::Written);
    EXPECT_TRUE(ide.Editor.ContractedHeaders().empty());
    EXPECT_EQ(ide.Sent(SCI_CONTRACTEDFOLDNEXT), 0u);
    EXPECT_EQ(ide.Sent(SCI_GOTOLINE), 0u);
}

// Notes the lines that SCI_FOLDLINE and SCI_GOTOLINE name, and whether each lay in the document.
struct LinesNamed : EditorPort {
    explicit LinesNamed(MemoryEditor& editor) : Editor(editor) {}
    intptr_t Call(unsigned message, uintptr_t wParam, intptr_t lParam) override {
        const auto line = static_cast<intptr_t>(wParam);
        if (message == SCI_FOLDLINE || message == SCI_GOTOLINE || message == SCI_MARKERADDSET ||
            message == SCI_SETFOLDEXPANDED)
            AllInDocument = AllInDocument && line >= 0 && line < Editor.LineCount();
        if (message == SCI_FOLDLINE)
            Folded.push_back(line);
        FoldAlls += message == SCI_FOLDALL ? 1 : 0;
        return Editor.Call(message, wParam, lParam);
    }
    std::optional<DocumentBytes> ReadDocument() override { return Editor.ReadDocument(); }
    WriteResult SendText(const TextWrite& write) override { return Editor.SendText(write); }
    MemoryEditor& Editor;
    std::vector<intptr_t> Folded;
    int FoldAlls = 0;
    bool AllInDocument = true;
};

RunOutcome RunThrough(EditorPort& port, std::u16string_view commandLine) {
    const Switches switches = BuildSwitchList(SplitArguments(commandLine));
    return CleanEditor(&port, RunSettings{switches.ParameterCount, switches.SwitchList, 4});
}

constexpr std::string_view DroppingSource =
    ";{ Debug helpers\n"       // 0  a header that "/removedebuglines" drops
    "Procedure Trace()\n"      // 1
    "  x = 1\n"                // 2
    "EndProcedure\n"           // 3
    ";}\n"                     // 4
    "\n"                       // 5
    "Procedure A() ; first\n"  // 6
    "  Debug a\n"              // 7
    "  a = 1\n"                // 8
    "EndProcedure\n"           // 9
    "\n"                       // 10
    "  \n"                     // 11
    "; between\n"              // 12
    "Procedure B()\n"          // 13
    "  b = 2\n"                // 14
    "EndProcedure\n"           // 15
    "Debug b\n"                // 16
    "\n";                      // 17, and the empty line 18 behind it

using Marked = std::vector<std::pair<intptr_t, int>>;
constexpr int Bookmark = 1 << 22;
constexpr int Breakpoint = (1 << 15) | (1 << 21);

TEST(CleaningRun, FoldsCaretAndMarkersFollowTheLinesThatStay) {
    struct Case {
        const char* Name;
        std::string_view Source;
        std::u16string_view Switches;
        std::vector<intptr_t> Folded; // collapsed in this order before the run
        intptr_t CaretLine;
        intptr_t CaretColumn;
        intptr_t AnchorLine; // at its start; -1: no selection
        Marked Markers;      // bookmarks and breakpoints before the run
        std::vector<intptr_t> ExpectedFolded;
        intptr_t ExpectedCaretLine;
        Marked ExpectedMarkers;
    };
    constexpr std::u16string_view Empty = u"/removeemptylines /keepcursorandfolds";
    constexpr std::u16string_view Debug = u"/removedebuglines /keepcursorandfolds";
    constexpr std::u16string_view Release = u"/removedebuglines /removecomments /removeemptylines /keepcursorandfolds";
    // Every kind of line end in one document: 0 "Procedure P()", 1 "  Debug x", 2 "  p = 1",
    // 3 "EndProcedure", 4 "", 5 "Procedure Q()", 6 "  q = 1", 7 "EndProcedure".
    constexpr std::string_view MixedLineEnds =
        "Procedure P()\r  Debug x\r\n  p = 1\rEndProcedure\n\rProcedure Q()\n  q = 1\r\nEndProcedure";
    // 0 "a", 1 "Debug b", 2 "c", 3 "Procedure D()", 4 "  d", 5 "EndProcedure", 6 "".
    constexpr std::string_view CrLf = "a\r\nDebug b\r\nc\r\nProcedure D()\r\n  d\r\nEndProcedure\r\n";
    const Case cases[] = {
        {"empty lines above, between and below the folds", DroppingSource, Empty, {6, 13}, 14, 3, -1,
         {{8, Bookmark}, {11, Bookmark}, {16, Breakpoint}}, {5, 10}, 11, {{7, Bookmark}, {13, Breakpoint}}},
        {"caret on a dropped line goes to the next kept one", DroppingSource, Empty, {}, 10, 0, -1, {}, {}, 9, {}},
        {"caret on a dropped last line goes to the last line", DroppingSource, Empty, {}, 18, 0, -1,
         {{17, Bookmark}, {18, Breakpoint}}, {}, 14, {}},
        {"dropped outer header, the inner one collapses alone", DroppingSource, Debug, {1, 0}, 17, 0, -1,
         {{0, Breakpoint}, {2, Bookmark}, {8, Bookmark | Breakpoint}}, {0}, 14,
         {{1, Bookmark}, {6, Bookmark | Breakpoint}}},
        {"caret on the last line, below everything dropped", DroppingSource, Debug, {13}, 18, 0, -1, {}, {11}, 15, {}},
        {"several dropping switches, caret on a line the last one drops", DroppingSource, Release, {6, 13}, 12, 4, -1,
         {{12, Bookmark}, {13, Breakpoint}}, {3, 6}, 6, {{6, Breakpoint}}},
        {"caret dropped by the first switch, nothing kept after it", DroppingSource, Release, {0, 13}, 16, 0, -1, {},
         {6}, 9, {}},
        {"selection: lines dropped inside it, a fold before and one below", DroppingSource,
         u"/removeemptylines /removedebuglines /keepcursorandfolds", {1, 13}, 7, 0, 13,
         {{4, Bookmark}, {7, Breakpoint}, {8, Bookmark}, {14, Breakpoint}}, {1, 10}, 7,
         {{4, Bookmark}, {7, Bookmark}, {11, Breakpoint}}},
        {"selection from the end of a header: its line stays", DroppingSource, Empty, {13}, 13, 13, 16,
         {{13, Bookmark}, {15, Breakpoint}, {17, Bookmark}}, {13}, 13,
         {{13, Bookmark}, {14, Breakpoint}, {16, Bookmark}}},
        // Without the modifier the folds open and the caret goes to the top, as the write leaves
        // them; the markers still follow their code.
        {"markers without the modifier", DroppingSource, u"/removeemptylines", {6}, 14, 3, -1,
         {{2, Bookmark}, {10, Breakpoint}, {14, Bookmark}}, {}, 0, {{2, Bookmark}, {11, Bookmark}}},
        {"every kind of line end", MixedLineEnds, Release, {0, 5}, 6, 0, -1, {}, {0, 3}, 4, {}},
        {"selection ending between the CR and the LF", CrLf, Debug, {3}, 2, 2, 0, {}, {2}, 1, {}},
        {"the same, the CR kept", CrLf, u"/removeallspaces /keepcursorandfolds", {3}, 2, 2, 0, {}, {3}, 2, {}},
        {"selection starting between the CR and the LF", CrLf, Empty, {3}, 0, 2, 3, {}, {3}, 0, {}},
        {"selection after a lone CR, its first line emptied", "x = 1\r; note\nProcedure D()\n  d\nEndProcedure\n",
         u"/removecomments /keepcursorandfolds", {2}, 2, 0, 1, {}, {2}, 2, {}},
    };
    for (const Case& c : cases) {
        // Each document without CRs also with CR LF and with lone CR line ends.
        for (const std::string_view lineEnd : {"\n", "\r\n", "\r"}) {
            if (lineEnd != "\n" && c.Source.find('\r') != std::string_view::npos)
                continue;
            SCOPED_TRACE(std::string(c.Name) + (lineEnd == "\r\n" ? ", CR LF" : lineEnd == "\r" ? ", lone CR" : ""));
            std::string source;
            for (const char ch : c.Source)
                source.append(ch == '\n' ? lineEnd : std::string_view(&ch, 1));
            IdeEditor ide(source);
            for (const intptr_t line : c.Folded)
                ide.Editor.FoldLine(line, SC_FOLDACTION_CONTRACT);
            for (const auto& [line, markers] : c.Markers)
                ide.Editor.Call(SCI_MARKERADDSET, static_cast<uintptr_t>(line), markers);
            // One of the IDE's own markers, which it rebuilds itself.
            ide.Editor.Call(SCI_MARKERADDSET, 5, 1 << 1);
            const auto lineStart = [&](intptr_t line) {
                return ide.Editor.Call(SCI_POSITIONFROMLINE, static_cast<uintptr_t>(line));
            };
            const intptr_t caret = lineStart(c.CaretLine) + c.CaretColumn;
            ide.Editor.SetSelection(c.AnchorLine >= 0 ? lineStart(c.AnchorLine) : caret, caret);
            LinesNamed port(ide.Editor);
            ASSERT_EQ(RunThrough(port, c.Switches), RunOutcome::Written);
            // Collapsed one by one, or all at once when every fold shown was collapsed.
            EXPECT_EQ(port.Folded, port.FoldAlls == 0 ? c.ExpectedFolded : std::vector<intptr_t>{});
            EXPECT_TRUE(port.AllInDocument);
            EXPECT_EQ(ide.Editor.ContractedHeaders(), c.ExpectedFolded);
            EXPECT_EQ(ide.Editor.Caret(), lineStart(c.ExpectedCaretLine));
            EXPECT_EQ(ide.Editor.Anchor(), ide.Editor.Caret());
            Marked markers;
            for (const auto& [line, mask] : ide.Editor.Markers())
                markers.emplace_back(line, mask & UserMarkerMask);
            std::erase_if(markers, [](const auto& marked) { return marked.second == 0; });
            EXPECT_EQ(markers, c.ExpectedMarkers);
        }
    }
}

TEST(CleaningRun, WhenEveryFoldShownWasCollapsedOneFoldAllCollapsesThemAgain) {
    // 0 ";{ Debug helpers", 1 "Procedure Trace()" inside it, 4 ";}", then procedures P0 to P7 at
    // lines 6, 11, ..., 41, each with a debug line and an empty line after it.
    std::string source = ";{ Debug helpers\nProcedure Trace()\n  t = 1\nEndProcedure\n;}\n\n";
    for (int k = 0; k < 8; ++k)
        source += "Procedure P" + std::to_string(k) + "()\n  Debug k\n  x = k\nEndProcedure\n\n";
    const auto procedures = [](intptr_t first, intptr_t step, int count) {
        std::vector<intptr_t> lines;
        for (int k = 0; k < count; ++k)
            lines.push_back(first + step * k);
        return lines;
    };
    const auto with = [](std::vector<intptr_t> lines, std::vector<intptr_t> more) {
        lines.insert(lines.begin(), more.begin(), more.end());
        return lines;
    };
    constexpr std::u16string_view Empty = u"/removeemptylines /keepcursorandfolds";
    constexpr std::u16string_view Debug = u"/removedebuglines /keepcursorandfolds";
    struct Case {
        const char* Name;
        std::string Source;
        std::u16string_view Switches;
        std::vector<intptr_t> Folded; // collapsed in this order before the run
        std::vector<intptr_t> ExpectedFolded;
        bool ExpectedAsked;   // whether the run asked if every fold shown was collapsed
        bool ExpectedFoldAll;
    };
    const Case cases[] = {
        // Procedure Trace stays open inside the collapsed region.
        {"all shown collapsed, one inside open", source, Empty, with(procedures(6, 5, 8), {0}),
         with(procedures(5, 4, 8), {0}), true, true},
        {"all collapsed", source, Empty, with(procedures(6, 5, 8), {1, 0}), with(procedures(5, 4, 8), {0, 1}), true,
         true},
        // The region went: procedure Trace, inside it, is outermost now and was collapsed...
        {"the outermost header dropped", source, Debug, with(procedures(6, 5, 8), {1, 0}),
         with(procedures(5, 4, 8), {0}), true, false},
        // ...and here was not: one SCI_FOLDALL would collapse it.
        {"the outermost header dropped, the one inside open", source, Debug, with(procedures(6, 5, 8), {0}),
         procedures(5, 4, 8), true, false},
        {"one shown fold open", source, Empty, with(procedures(6, 5, 7), {0}), with(procedures(5, 4, 7), {0}), true,
         false},
        {"too few folds to ask", std::string(ModuleSource), u"/removecomments /keepcursorandfolds", {1, 0, 8},
         {0, 1, 8}, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        IdeEditor ide{c.Source};
        for (const intptr_t line : c.Folded)
            ide.Editor.FoldLine(line, SC_FOLDACTION_CONTRACT);
        EXPECT_EQ(ide.Run(c.Switches), RunOutcome::Written);
        EXPECT_EQ(ide.Editor.ContractedHeaders(), c.ExpectedFolded);
        EXPECT_EQ(ide.Sent(SCI_VISIBLEFROMDOCLINE), c.ExpectedAsked ? 1u : 0u);
        EXPECT_EQ(ide.Sent(SCI_FOLDALL), c.ExpectedFoldAll ? 1u : 0u);
        EXPECT_EQ(ide.Sent(SCI_FOLDLINE), c.ExpectedFoldAll ? 0u : c.ExpectedFolded.size());
    }
}

TEST(CleaningRun, AnOlderControlIsAskedLineByLine) {
    IdeEditor ide{std::string(ModuleSource)};
    ide.Editor.KnowsContractedFoldNext = false;
    ide.Editor.FoldLine(4, SC_FOLDACTION_CONTRACT);
    ide.Editor.FoldLine(8, SC_FOLDACTION_CONTRACT);
    EXPECT_EQ(ide.Run(u"/removecomments /keepcursorandfolds"), RunOutcome::Written);
    EXPECT_EQ(ide.Editor.ContractedHeaders(), (std::vector<intptr_t>{4, 8}));
    EXPECT_EQ(ide.Sent(SCI_GETFOLDEXPANDED), 4u); // each header line of the twelve
}

// Counts the times the run waits for the editor: an IDE that handles the tool's messages only
// between waits of its own (10 ms each when it waits for the tool) answers once per wait.
struct WaitsCounted : EditorPort {
    explicit WaitsCounted(MemoryEditor& editor) : Editor(editor) {}
    intptr_t Call(unsigned message, uintptr_t wParam, intptr_t lParam) override {
        ++Waits;
        return Editor.Call(message, wParam, lParam);
    }
    std::vector<intptr_t> CallAll(const std::vector<EditorMessage>& messages) override {
        ++Waits;
        return Editor.CallAll(messages);
    }
    void Command(unsigned message, uintptr_t wParam, intptr_t lParam) override { Editor.Call(message, wParam, lParam); }
    std::optional<DocumentBytes> ReadDocument() override {
        Waits += 3; // the code page, the address, the length
        return Editor.ReadDocument();
    }
    WriteResult SendText(const TextWrite& write) override {
        Waits += 3; // the address and the length, to compare; the text
        return Editor.SendText(write);
    }
    MemoryEditor& Editor;
    size_t Waits = 0;
};

TEST(CleaningRun, MessagesAndWaitsDoNotGrowWithTheLinesNorWaitsWithTheFolds) {
    std::string source;
    for (int i = 0; i < 5000; ++i)
        source += "Procedure P()\n  x = 1 ; c\nEndProcedure\n\n";
    struct Case {
        const char* Name;
        int Every;      // every how many procedures one is collapsed and one marked
        size_t Folds;   // so many collapsed
    };
    const Case cases[] = {{"a few collapsed and marked", 1250, 4}, {"every tenth", 10, 500}, {"all", 1, 5000}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        IdeEditor ide(source);
        std::vector<intptr_t> expectedFolds;
        Marked expectedMarkers;
        for (int procedure = 0; procedure < 5000; procedure += c.Every) {
            ide.Editor.FoldLine(4 * procedure, SC_FOLDACTION_CONTRACT);
            // Beside the bookmark one of the IDE's own markers, which the IDE rebuilds itself.
            ide.Editor.Call(SCI_MARKERADDSET, static_cast<uintptr_t>(4 * procedure + 1), Bookmark | 1 << 1);
            expectedFolds.push_back(3 * procedure);
            expectedMarkers.emplace_back(3 * procedure + 1, Bookmark);
        }
        ASSERT_EQ(expectedFolds.size(), c.Folds);
        WaitsCounted port(ide.Editor);
        EXPECT_EQ(RunThrough(port, u"/removecomments /removeemptylines /keepcursorandfolds"), RunOutcome::Written);
        EXPECT_EQ(ide.Editor.ContractedHeaders(), expectedFolds);
        EXPECT_EQ(ide.Editor.Markers(), expectedMarkers);
        // Per collapsed fold: up to two to find it and one to collapse it again, and when every
        // fold is collapsed one for its last line, one for the line beside it and one for its
        // flag; per marked line up to three to find it, one for its markers and one to set them.
        EXPECT_LE(ide.Editor.Messages.size(), 20 + 6 * c.Folds + 5 * c.Folds);
        EXPECT_EQ(ide.Sent(SCI_FOLDALL), c.Folds == 5000 ? 1u : 0u);
        EXPECT_EQ(ide.Sent(SCI_FOLDLINE), c.Folds == 5000 ? 0u : c.Folds);
        // 20,000 lines: each search halves its spans about 15 times.
        EXPECT_LE(port.Waits, 60u);
    }
}

// The user types a character into the editor once the text has been read and cleaned, right
// before it would be written back.
struct TypesBeforeTheWrite : EditorPort {
    explicit TypesBeforeTheWrite(MemoryEditor& editor) : Editor(editor) {}
    intptr_t Call(unsigned message, uintptr_t wParam, intptr_t lParam) override {
        return Editor.Call(message, wParam, lParam);
    }
    std::optional<DocumentBytes> ReadDocument() override { return Editor.ReadDocument(); }
    WriteResult SendText(const TextWrite& write) override {
        Editor.Type("x");
        return Editor.SendText(write);
    }
    MemoryEditor& Editor;
};

TEST(CleaningRun, TextTypedAfterTheReadIsNeverOverwritten) {
    struct Case {
        const char* Name;
        std::u16string_view Switches;
        intptr_t Anchor;
        intptr_t Caret;
        size_t TypedFrom; // the keystroke replaces these bytes of the document
        size_t TypedTo;
    };
    // ModuleSource with procedure B collapsed and a bookmark on line 9, "  z = 3 ; three"; the
    // caret in "three", or "; three" and its line end selected.
    const Case cases[] = {
        {"whole document", u"/removecomments", 143, 143, 143, 143},
        {"whole document, folds and caret kept", u"/removecomments /keepcursorandfolds", 143, 143, 143, 143},
        {"selection: the keystroke replaces it", u"/removecomments /keepcursorandfolds", 139, 147, 139, 147},
        {"selection, the caret moved to the top by a switch", u"/removecomments /setcursortotop", 139, 147, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        IdeEditor ide{std::string(ModuleSource)};
        ide.Editor.FoldLine(4, SC_FOLDACTION_CONTRACT);
        ide.Editor.Call(SCI_MARKERADDSET, 9, Bookmark);
        ide.Editor.SetSelection(c.Anchor, c.Caret);
        TypesBeforeTheWrite port(ide.Editor);
        ide.Editor.Messages.clear();
        EXPECT_EQ(RunThrough(port, c.Switches), RunOutcome::EditorChanged);
        std::string typed(ModuleSource);
        typed.replace(c.TypedFrom, c.TypedTo - c.TypedFrom, "x");
        EXPECT_EQ(ide.Editor.Bytes(), typed);
        EXPECT_EQ(ide.Sent(SCI_SETTEXT) + ide.Sent(SCI_REPLACESEL) + ide.Sent(SCI_SHOWLINES) + ide.Sent(SCI_SETSEL) +
                      ide.Sent(SCI_FOLDLINE) + ide.Sent(SCI_GOTOLINE) + ide.Sent(SCI_MARKERADDSET),
                  0u);
        EXPECT_EQ(ide.Editor.Caret(), static_cast<intptr_t>(c.TypedFrom) + 1);
        EXPECT_EQ(ide.Editor.ContractedHeaders(), std::vector<intptr_t>{4});
        EXPECT_EQ(ide.Editor.Markers(), (Marked{{9, Bookmark}}));
    }
}

TEST(CleaningRun, Utf8SelectionCutInsideCharactersCleansOnlyTheWholeOnes) {
    struct Case {
        const char* Name;
        intptr_t Anchor;
        intptr_t Caret;
        const char* Expected;
    };
    // "\xC3\x84" is a capital A umlaut, "\xE2\x84\xAA" the Kelvin sign, lowered to "k".
    const Case cases[] = {
        {"start inside a character", 1, 9, "\xC3\x84 = \"\xC3\xB6\" \xE2\x84\xAA\nX"},
        {"end inside a character", 0, 11, "\xC3\xA4 = \"\xC3\xB6\" \xE2\x84\xAA\nX"},
        {"both ends inside", 1, 12, "\xC3\x84 = \"\xC3\xB6\" \xE2\x84\xAA\nX"},
        {"whole characters only", 0, 13, "\xC3\xA4 = \"\xC3\xB6\" k\nX"},
        {"inside one character", 10, 12, "\xC3\x84 = \"\xC3\x96\" \xE2\x84\xAA\nX"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        IdeEditor ide("\xC3\x84 = \"\xC3\x96\" \xE2\x84\xAA\nX", SC_CP_UTF8);
        ide.Editor.SetSelection(c.Anchor, c.Caret);
        (void)ide.Run(u"/converttexttolowercaseletters");
        EXPECT_EQ(ide.Editor.Bytes(), c.Expected);
    }
}

TEST(CleaningRun, SystemCodePageLettersChangeCaseOnlyWithinIt) {
    test::FakeCodePage greek = test::GreekCodePage();
    const AnsiCodePage page = BuildAnsiCodePage(greek);
    // δ έ µ ÿ ΐ, an undefined byte, and a final sigma
    IdeEditor ide("x = \"\xE4\xDD\xB5\xFF\xC0\xAA\" ; \xF2\n");
    ide.Editor.SystemCodePage = &page;
    EXPECT_EQ(ide.Run(u"/converttexttouppercaseletters"), RunOutcome::Written);
    EXPECT_EQ(ide.Editor.Bytes(), "X = \"\xC4\xB8\xCC\xFF\xC0\xAA\" ; \xD3\n");
    EXPECT_EQ(ide.Run(u"/converttexttolowercaseletters"), RunOutcome::Written);
    EXPECT_EQ(ide.Editor.Bytes(), "x = \"\xE4\xDD\xEC\xFF\xC0\xAA\" ; \xF3\n");
}

TEST(CleaningRun, DoubleByteDocumentsAreCleanedCharacterByCharacter) {
    test::FakeCodePage japanese = test::JapaneseCodePage();
    const AnsiCodePage page = BuildAnsiCodePage(japanese);
    struct Case {
        const char* Name;
        std::u16string_view Switch;
        std::string_view Document;
        std::string_view Expected;
    } cases[] = {
        {"trail bytes ~ and backslash before quotes", u"/removecomments",
         "a$ = \"\x83\x7E\" ; x\nb$ = \"\x95\x5C\x83\x5C\" ; y\n", "a$ = \"\x83\x7E\" \nb$ = \"\x95\x5C\x83\x5C\" \n"},
        {"upper case", u"/converttexttouppercaseletters", "\x83\x69\x82\x81\x84\x74\x81\x9A x\n",
         "\x83\x69\x82\x60\x84\x45\x81\x9A X\n"},
        {"lower case", u"/converttexttolowercaseletters", "\x83\x41\x82\x60\x84\x45\xA0 X\n",
         "\x83\x41\x82\x81\x84\x74\xA0 x\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        IdeEditor ide{std::string(c.Document)};
        ide.Editor.SystemCodePage = &page;
        EXPECT_EQ(ide.Run(c.Switch), RunOutcome::Written);
        EXPECT_EQ(ide.Editor.Bytes(), c.Expected);
    }
}

TEST(CleaningRun, DoubleByteSelectionCleansOnlyWholeCharacters) {
    test::FakeCodePage japanese = test::JapaneseCodePage();
    const AnsiCodePage page = BuildAnsiCodePage(japanese);
    struct Case {
        const char* Name;
        intptr_t Anchor;
        intptr_t Caret;
        const char* Expected;
    } cases[] = {
        {"start on a trail byte", 1, 5, "\x83\x69" "A\x82\x60 ; c\nx\n"},
        {"end inside a character", 2, 4, "\x83\x69" "A\x82\x81 ; c\nx\n"},
        {"inside one character", 1, 2, "\x83\x69" "a\x82\x81 ; c\nx\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        IdeEditor ide("\x83\x69" "a\x82\x81 ; c\nx\n");
        ide.Editor.SystemCodePage = &page;
        ide.Editor.SetSelection(c.Anchor, c.Caret);
        (void)ide.Run(u"/converttexttouppercaseletters");
        EXPECT_EQ(ide.Editor.Bytes(), c.Expected);
    }
}

TEST(CleaningRun, DocumentWithAZeroByteIsNeverCutShort) {
    IdeEditor ide(std::string("a ; b\n\0c ; d\n", 13));
    EXPECT_EQ(ide.Run(u"/removecomments"), RunOutcome::WriteRefused);
    EXPECT_EQ(ide.Editor.Bytes(), std::string("a ; b\n\0c ; d\n", 13));
    ide.Editor.SetSelection(0, 6);
    EXPECT_EQ(ide.Run(u"/removecomments"), RunOutcome::Written);
    EXPECT_EQ(ide.Editor.Bytes(), std::string("a \n\0c ; d\n", 10));
}

TEST(CleaningRun, AnEditorThatDoesNotAnswerIsNotWritten) {
    IdeEditor ide("a ; b\nc");
    ide.Editor.Answers = false;
    EXPECT_EQ(ide.Run(u"/removecomments /converttexttouppercaseletters"), RunOutcome::Unchanged);
    EXPECT_EQ(ide.Editor.Bytes(), "a ; b\nc");
    EXPECT_EQ(ide.Sent(SCI_SETTEXT), 0u);
}

TEST(CleaningRun, CursorToTopWithAChangeIsWhatGetsRestored) {
    IdeEditor ide{std::string(ModuleSource)};
    ide.Editor.SetSelection(100, 100);
    EXPECT_EQ(ide.Run(u"/removecomments /setcursortotop /keepcursorandfolds"), RunOutcome::Written);
    EXPECT_EQ(ide.Editor.Caret(), 0);
}

// Forwards to an in-memory editor and notes how many lines were hidden when text arrived.
struct HiddenAtWrite : EditorPort {
    explicit HiddenAtWrite(MemoryEditor& editor) : Editor(editor) {}
    intptr_t Call(unsigned message, uintptr_t wParam, intptr_t lParam) override {
        return Editor.Call(message, wParam, lParam);
    }
    std::optional<DocumentBytes> ReadDocument() override { return Editor.ReadDocument(); }
    WriteResult SendText(const TextWrite& write) override {
        // The commands sent right before the text, then what they left hidden.
        for (const EditorMessage& message : write.Before)
            Editor.Call(message.Message, message.WParam, message.LParam);
        Hidden.push_back(Editor.HiddenLines().size());
        TextWrite text = write;
        text.Before.clear();
        return Editor.SendText(text);
    }
    MemoryEditor& Editor;
    std::vector<size_t> Hidden;
};

TEST(CleaningRun, WholeDocumentIsWrittenWithNoLineHiddenAndTheFoldsCollapseAgain) {
    IdeEditor ide{std::string(ModuleSource)};
    ide.Editor.FoldLine(4, SC_FOLDACTION_CONTRACT);
    ide.Editor.FoldLine(8, SC_FOLDACTION_CONTRACT);
    HiddenAtWrite port(ide.Editor);
    EXPECT_EQ(RunThrough(port, u"/removecomments /keepcursorandfolds"), RunOutcome::Written);
    EXPECT_EQ(port.Hidden, std::vector<size_t>{0});
    EXPECT_EQ(ide.Editor.ContractedHeaders(), (std::vector<intptr_t>{4, 8}));
    EXPECT_EQ(ide.Editor.HiddenLines(), (std::vector<intptr_t>{5, 6, 9, 10}));
    // A fold reaching the last line, with no line end after it: that line is shown too.
    IdeEditor last{"Procedure P()\n  x = 1 ; c\nEndProcedure"};
    last.Editor.FoldLine(0, SC_FOLDACTION_CONTRACT);
    HiddenAtWrite lastPort(last.Editor);
    EXPECT_EQ(RunThrough(lastPort, u"/removecomments /keepcursorandfolds"), RunOutcome::Written);
    EXPECT_EQ(lastPort.Hidden, std::vector<size_t>{0});
}

TEST(CleaningRun, SelectionIsWrittenWithTheFoldsOutsideItLeftCollapsed) {
    IdeEditor ide{std::string(ModuleSource)};
    ide.Editor.FoldLine(8, SC_FOLDACTION_CONTRACT);
    ide.Editor.SetSelection(29, 45); // line 2, "    x = 1 ; one"
    HiddenAtWrite port(ide.Editor);
    EXPECT_EQ(RunThrough(port, u"/removecomments /keepcursorandfolds"), RunOutcome::Written);
    EXPECT_EQ(port.Hidden, std::vector<size_t>{2});
    EXPECT_EQ(ide.Sent(SCI_SHOWLINES), 0u);
}

TEST(CleaningRun, AWriteRefusedLeavesTheFoldsCollapsedAndTheCaretAtItsLineStart) {
    // The lines the cleaning would have dropped are all still there: nothing moves.
    IdeEditor ide(std::string("\nProcedure A()\n  a ; x\nEndProcedure\n\0", 37));
    ide.Editor.FoldLine(1, SC_FOLDACTION_CONTRACT);
    ide.Editor.SetSelection(30, 30);
    EXPECT_EQ(ide.Run(u"/removeemptylines /removecomments /keepcursorandfolds"), RunOutcome::WriteRefused);
    EXPECT_EQ(ide.Editor.ContractedHeaders(), std::vector<intptr_t>{1});
    EXPECT_EQ(ide.Editor.HiddenLines(), (std::vector<intptr_t>{2, 3}));
    EXPECT_EQ(ide.Editor.Caret(), 23); // the start of line 3, "EndProcedure"
}

constexpr size_t ShortDocumentLines = 8192;

std::string LongGreekDocument() {
    std::string document;
    for (size_t line = 0; line < ShortDocumentLines; ++line)
        document += "x = \"\xE4\xDD\" ; c\n";
    return document;
}

TEST(CleaningRun, AReadShortOfMemoryGivesNothingToWrite) {
    test::FakeCodePage greek = test::GreekCodePage();
    const AnsiCodePage page = BuildAnsiCodePage(greek);
    const std::string document = LongGreekDocument();
    IdeEditor ide(document);
    ide.Editor.SystemCodePage = &page;
    RunOutcome outcome = RunOutcome::Written;
    {
        // The document's bytes can be had, their decoded text (twice as long) cannot.
        const test::FailingAllocations failing(document.size() * 3 / 2, SIZE_MAX);
        outcome = ide.Run(u"/converttexttouppercaseletters /removecomments");
    }
    EXPECT_EQ(outcome, RunOutcome::Unchanged);
    EXPECT_EQ(ide.Editor.Bytes(), document);
    EXPECT_EQ(ide.Sent(SCI_SETTEXT), 0u);
}

// Memory runs short right after the document was read: the bytes to write back cannot be had.
struct ShortAfterRead : EditorPort {
    ShortAfterRead(MemoryEditor& editor, size_t minimum, size_t maximum)
        : Editor(editor), Minimum(minimum), Maximum(maximum) {}
    intptr_t Call(unsigned message, uintptr_t wParam, intptr_t lParam) override {
        return Editor.Call(message, wParam, lParam);
    }
    std::optional<DocumentBytes> ReadDocument() override {
        std::optional<DocumentBytes> document = Editor.ReadDocument();
        Failing.emplace(Minimum, Maximum);
        return document;
    }
    WriteResult SendText(const TextWrite& write) override { return Editor.SendText(write); }
    MemoryEditor& Editor;
    size_t Minimum;
    size_t Maximum;
    std::optional<test::FailingAllocations> Failing;
};

TEST(CleaningRun, AWriteShortOfMemoryLeavesTheEditorUntouched) {
    test::FakeCodePage greek = test::GreekCodePage();
    const AnsiCodePage page = BuildAnsiCodePage(greek);
    const std::string document = LongGreekDocument();
    IdeEditor ide(document);
    ide.Editor.SystemCodePage = &page;
    // The decoded text and its copy (twice the bytes) can be had, the encoded bytes cannot.
    ShortAfterRead port(ide.Editor, document.size(), document.size() * 2);
    const RunOutcome outcome = RunThrough(port, u"/converttexttouppercaseletters");
    port.Failing.reset();
    EXPECT_EQ(outcome, RunOutcome::WriteRefused);
    EXPECT_EQ(ide.Editor.Bytes(), document);
    EXPECT_EQ(ide.Sent(SCI_SETTEXT), 0u);
}

} // namespace
} // namespace brisklet
