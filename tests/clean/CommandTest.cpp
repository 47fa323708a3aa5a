// brisklet-clean as a user runs it: arguments, input, output, files, messages and exit codes.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>

#include "BriskletVersion.h"
#include "clean/Command.h"
#include "cleaning/view/ViewEntries.h"
#include "runtime/Prefs.h"
#include "runtime/TextCodec.h"
#include "support/FakeFileSystem.h"
#include "support/MemoryFile.h"
#include "support/RunProcess.h"

namespace brisklet {
namespace {

namespace fs = std::filesystem;
using test::RunProcess;

const std::string Program = BRISKLET_CLEAN_PATH;

struct Case {
    const char* name;
    std::vector<std::string> arguments;
    std::string input;
    std::string output;
    int exitCode;
    std::string errors;
    std::vector<std::string> environment = {}; // the IDE's PB_TOOL_ variables; [INPUT_]TERMINAL=1, NO_COLOR=1
};

// The command in this process over an in-memory file system; environment holds the IDE's
// variables as NAME=VALUE, a preferences file read from the real one.
test::ProcessResult CleanInProcess(test::FakeFileSystem& files, const std::vector<std::string>& arguments,
                                   const std::vector<std::string>& environment) {
    CleanEnvironment tool;
    for (const std::string& variable : environment) {
        const std::string value = variable.substr(variable.find('=') + 1);
        if (variable.starts_with("PB_TOOL_Selection=")) {
            tool.Selection = value;
            continue;
        }
        // Standard output on a terminal, and NO_COLOR set.
        tool.OutputIsTerminal = tool.OutputIsTerminal || variable == "TERMINAL=1";
        tool.InputIsTerminal = tool.InputIsTerminal || variable == "INPUT_TERMINAL=1";
        tool.IdeTool = tool.IdeTool || variable.starts_with("PB_TOOL_IDE=");
        tool.NoColor = tool.NoColor || variable == "NO_COLOR=1";
        if (!variable.starts_with("PB_TOOL_Preferences="))
            continue;
        tool.PreferencesPath = DecodeUtf8(value);
        if (std::ifstream real{value, std::ios::binary})
            files.Put(value, std::string(std::istreambuf_iterator<char>(real), {}));
    }
    const test::CommandRun run = test::RunCommandInMemory(files, arguments, tool);
    test::ProcessResult result;
    result.ExitCode = run.Status;
    result.Errors = run.Errors;
    return result;
}

TEST(CleanCommand, StreamsAndOptions) {
    const std::string settings = "; IDE Options = PureBasic 6.10 LTS (Windows - x64)\r\n; CursorPosition = 3\r\n"
                                 "; Folding = -\r\n; EnableXP\r\n";
    const fs::path folder = fs::temp_directory_path() / ("brisklet-prefs-" + std::to_string(getpid()));
    fs::create_directories(folder);
    std::ofstream(folder / "four.prefs", std::ios::binary) << "[Editor]\nTabLength = 8\n[Global]\nTabLength = 4\n";
    std::ofstream(folder / "none.prefs", std::ios::binary) << "[Global]\nEditorFont = Monospace\n";
    const std::string four = "PB_TOOL_Preferences=" + (folder / "four.prefs").string();
    const std::string none = "PB_TOOL_Preferences=" + (folder / "none.prefs").string();
    const std::string missing = "PB_TOOL_Preferences=" + (folder / "missing.prefs").string();
    const std::string comments = "a ; 1\nb ; 2\n";
    const Case cases[] = {
        {"no switch", {"--check"}, "a ; b\r\n", "", 2, "brisklet-clean: no switch given (see --help)\n"},
        {"comments", {"/removecomments"}, "a ; b\nc\n", "a \nc\n", 0, ""},
        {"any letter case", {"/RemoveComments"}, "a ; b\nc\n", "a \nc\n", 0, ""},
        {"order matters", {"/removecomments", "/removeemptylines"}, "; c\nx", "x", 0, ""},
        {"other order", {"/removeemptylines", "/removecomments"}, "; c\nx", "\nx", 0, ""},
        {"repeated switch", {"/convertspacetotab", "/convertspacetotab"}, "  x\n", "\tx\n", 0, ""},
        {"default tab length 2", {"/converttabtospace"}, "\tx\n", "  x\n", 0, ""},
        {"tab length", {"--tab-length", "8", "/converttabtospace"}, "\tx\n", "        x\n", 0, ""},
        {"tab length joined", {"--tab-length=3", "/converttabtospace"}, "\tx\n", "   x\n", 0, ""},
        {"zero tab length", {"--tab-length=0", "/converttabtospace"}, "\tx\n", "x\n", 0, ""},
        {"huge tab length", {"--tab-length=2147483647", "/converttabtospace"}, "\tx\n", "", 2,
         "brisklet-clean: standard input: /converttabtospace would add more than 268435456 characters (check "
         "--tab-length); stopped there\n"},
        {"view commands do nothing", {"/fold", "/setcursortotop", "/keepcursorandfolds", "/onlyselectedcode"},
         "a ; b\n", "a ; b\n", 0, ""},
        {"settings block kept", {"/removecomments", "/removeemptylines"},
         "x = 1 ; c\r\n\r\n" + settings, "x = 1 \r\n" + settings, 0, ""},
        {"only the last block", {"/removecomments"}, "; IDE Options x\nA ; a\n; IDE Options y\n",
         "\nA \n; IDE Options y\n", 0, ""},
        {"block must start a line", {"/removecomments"}, "a ; IDE Options\nb ; c\n", "a \nb \n", 0, ""},
        {"byte order mark kept", {"/converttexttouppercaseletters"}, "\xEF\xBB\xBF\xC3\xA4 x", "\xEF\xBB\xBF\xC3\x84 X",
         0, ""},
        {"utf-8 umlauts", {"/converttexttolowercaseletters"}, "\xC3\x84\xC3\x96 ; X", "\xC3\xA4\xC3\xB6 ; x", 0, ""},
        {"single bytes", {"/converttexttolowercaseletters"}, "\xC4\xD6 ; \x81X", "\xE4\xF6 ; \x81x", 0, ""},
        {"y diaeresis in UTF-8", {"/converttexttouppercaseletters"}, "\xC3\xBF \xC2\xB5", "\xC5\xB8 \xC2\xB5", 0, ""},
        {"y diaeresis in single bytes", {"/converttexttouppercaseletters"}, "\xFF\xB5", "\xFF\xB5", 0, ""},
        {"check unchanged", {"--check", "/removecomments"}, "a\nb\n", "", 0, ""},
        {"check changed", {"--check", "/removecomments"}, "a ; b\nc\n", "", 1, ""},
        {"a zero byte stops the input", {"/removecomments"}, std::string("a ; b\n\0", 7), "", 2,
         "brisklet-clean: standard input: holds a zero byte, not a source file; stopped there\n"},
        {"UTF-16 goes through as it came", {"/converttexttouppercaseletters", "/removeallspaces"},
         "\xFF\xFE\x87\x65 ", "\xFF\xFE\x87\x65 ", 2,
         "brisklet-clean: standard input: UTF-16 text is not supported; left unchanged\n"},
        {"big-endian UTF-16 too", {"--check", "/removeallspaces"}, "\xFE\xFF\x65\x87 ", "", 2,
         "brisklet-clean: standard input: UTF-16 text is not supported; left unchanged\n"},
        {"UTF-16 with a selection", {"/onlyselectedcode", "/removeallspaces"}, "\xFF\xFE" "a ", "\xFF\xFE" "a ", 2,
         "brisklet-clean: standard input: UTF-16 text is not supported; left unchanged\n", {"PB_TOOL_Selection=1x1x1x2"}},
        {"an empty name touches nothing", {"/removecomments", "-", ""}, "a ; b\n", "", 2,
         "brisklet-clean: '': No such file or directory\n"},
        {"the root is not walked", {"/removecomments", "-", "/"}, "a ; b\n", "", 2,
         "brisklet-clean: /: the root of the file system is not walked (--no-preserve-root walks it)\n"},
        {"unless it is asked for", {"--no-preserve-root", "/removecomments", "-", "/"}, "a ; b\n", "a \n", 2,
         "brisklet-clean: /: No such file or directory\n"},
        {"check CR LF unchanged", {"--check", "/removespacesatendoflines"}, "a\r\nb\r\n", "", 0, ""},
        {"mistyped switch", {"/removecoments"}, "a", "", 2,
         "brisklet-clean: /removecoments: unknown switch; did you mean /removecomments?\n"},
        {"unknown switch", {"/frobnicate"}, "a", "", 2, "brisklet-clean: /frobnicate: unknown switch (see --help)\n"},
        {"no guess for a short word", {"/fzZ"}, "a", "", 2, "brisklet-clean: /fzZ: unknown switch (see --help)\n"},
        {"nor for four slips", {"/removecommxxxx"}, "", "", 2,
         "brisklet-clean: /removecommxxxx: unknown switch (see --help)\n"},
        {"an option's dash", {"-removecomments"}, "a", "", 2,
         "brisklet-clean: -removecomments: unknown option; did you mean /removecomments?\n"},
        {"dashes alone", {"---"}, "a", "", 2, "brisklet-clean: ---: unknown option (see --help)\n"},
        {"no slash", {"removecomments"}, "a", "", 2,
         "brisklet-clean: removecomments: no such file; did you mean /removecomments?\n"},
        {"a word far from every switch", {"/removecomments", "-", "removal"}, "a ; b\n", "a \n", 2,
         "brisklet-clean: removal: No such file or directory\n"},
        {"bad tab length", {"--tab-length", "x", "/removecomments"}, "a", "", 2,
         "brisklet-clean: --tab-length: not a whole number from -2147483648 to 2147483647: 'x'\n"},
        {"tab length out of range", {"--tab-length=2147483648"}, "a", "", 2,
         "brisklet-clean: --tab-length: not a whole number from -2147483648 to 2147483647: '2147483648'\n"},
        {"tab length missing", {"/removecomments", "--tab-length"}, "a", "", 2,
         "brisklet-clean: --tab-length: needs a number\n"},
        {"stdin name missing", {"/removecomments", "--stdin-name"}, "a", "", 2,
         "brisklet-clean: --stdin-name: needs a name\n"},
        {"stdin name empty", {"--stdin-name=", "/removecomments"}, "a", "", 2,
         "brisklet-clean: --stdin-name: needs a name\n"},
        {"unknown option", {"--frobnicate", "/removecomments"}, "a", "", 2,
         "brisklet-clean: --frobnicate: unknown option (see --help)\n"},
        {"tab length of the IDE", {"/converttabtospace"}, "\tx\n", "    x\n", 0, "", {four}},
        {"option before the IDE", {"--tab-length=3", "/converttabtospace"}, "\tx\n", "   x\n", 0, "", {four}},
        {"IDE without the key", {"/converttabtospace"}, "\tx\n", "  x\n", 0, "", {none}},
        {"IDE's file missing", {"/converttabtospace"}, "\tx\n", "  x\n", 0, "", {missing}},
        {"diff with check", {"--diff", "--check", "/removecomments"}, "a ; b\n", "", 2,
         "brisklet-clean: --diff: cannot be combined with --check\n"},
        {"diff", {"--diff", "/removecomments"}, "a ; b\nc\n", "--- a/-\n+++ b/-\n@@ -1,2 +1,2 @@\n-a ; b\n+a \n c\n", 1,
         ""},
        {"diff of nothing", {"--diff", "/removecomments"}, "a\nc\n", "", 0, ""},
        {"diff in colour", {"--diff", "--color=always", "/removecomments"}, "a ; b\nc\n",
         "\x1b[1m--- a/-\x1b[m\n\x1b[1m+++ b/-\x1b[m\n\x1b[36m@@ -1,2 +1,2 @@\x1b[m\n\x1b[31m-a ; b\x1b[m\n"
         "\x1b[32m+a \x1b[m\n c\n",
         1, ""},
        {"colour never", {"--diff", "--color=never", "/removecomments"}, "a ; b\n", "--- a/-\n+++ b/-\n@@ -1 +1 @@\n-a ; b\n+a \n",
         1, ""},
        {"colour on a terminal", {"--diff", "/removecomments"}, "a ; b\n",
         "\x1b[1m--- a/-\x1b[m\n\x1b[1m+++ b/-\x1b[m\n\x1b[36m@@ -1 +1 @@\x1b[m\n\x1b[31m-a ; b\x1b[m\n\x1b[32m+a \x1b[m\n", 1,
         "", {"TERMINAL=1"}},
        {"none with NO_COLOR", {"--diff", "/removecomments"}, "a ; b\n", "--- a/-\n+++ b/-\n@@ -1 +1 @@\n-a ; b\n+a \n", 1, "",
         {"TERMINAL=1", "NO_COLOR=1"}},
        {"colour of another kind", {"--color=sometimes", "/removecomments"}, "a", "", 2,
         "brisklet-clean: --color: auto, always or never, not 'sometimes'\n"},
        {"no jobs", {"--jobs", "0", "/removecomments"}, "a", "", 2,
         "brisklet-clean: --jobs: not a whole number from 1 to 1024: '0'\n"},
        {"standard input named", {"-j3", "/removecomments", "-"}, "a ; b\n", "a \n", 0, ""},
        {"the most jobs", {"--jobs", "1024", "/removecomments"}, "a ; b\n", "a \n", 0, ""},
        {"jobs as a word", {"-jx", "/removecomments"}, "a", "", 2,
         "brisklet-clean: --jobs: not a whole number from 1 to 1024: 'x'\n"},
        {"diff to an empty text", {"--diff", "/removeemptylines"}, "\n \n", "--- a/-\n+++ b/-\n@@ -1,2 +0,0 @@\n-\n- \n",
         1, ""},
        {"diff without final line end", {"--diff", "/removeemptylines", "/removespacesatendoflines"}, "\n\na\nb ",
         "--- a/-\n+++ b/-\n@@ -1,4 +1,2 @@\n-\n-\n a\n-b \n\\ No newline at end of file\n+b\n"
         "\\ No newline at end of file\n",
         1, ""},
        {"selection", {"/onlyselectedcode", "/removecomments"}, comments, "a ; 1\nb \n", 0, "",
         {"PB_TOOL_IDE=x", "PB_TOOL_Selection=2x1x3x1"}},
        {"selected characters only", {"/removecomments", "/onlyselectedcode"}, comments, "a \nb  2\n", 0, "",
         {"PB_TOOL_Selection=1x3x2x4"}},
        {"selection without the modifier", {"/removecomments"}, comments, "a \nb \n", 0, "",
         {"PB_TOOL_Selection=2x1x3x1"}},
        {"nothing selected", {"/onlyselectedcode", "/removecomments"}, comments, comments, 0, "",
         {"PB_TOOL_Selection=2x3x2x3"}},
        {"nothing selected, diff", {"--diff", "/onlyselectedcode", "/removecomments"}, comments, "", 0, "",
         {"PB_TOOL_Selection=2x3x2x3"}},
        {"selection in UTF-8 characters", {"/onlyselectedcode", "/converttexttouppercaseletters"},
         "\xEF\xBB\xBF\xC3\xA4x\xC3\xA4\n", "\xEF\xBB\xBF\xC3\x84X\xC3\xA4\n", 0, "", {"PB_TOOL_Selection=1x1x1x3"}},
        {"selection in bytes", {"/onlyselectedcode", "/converttexttouppercaseletters"}, "\xE4x\xE4\n",
         "\xC4X\xE4\n", 0, "", {"PB_TOOL_Selection=1x1x1x3"}},
        {"selection over CR LF and a lone CR", {"/onlyselectedcode", "/removecomments"}, "a;1\r\nb;2\rc;3\n",
         "a;1\r\nb\rc;3\n", 0, "", {"PB_TOOL_Selection=2x1x3x1"}},
        {"diff of a selection", {"--diff", "/onlyselectedcode", "/removecomments"}, comments,
         "--- a/-\n+++ b/-\n@@ -1,2 +1,2 @@\n a ; 1\n-b ; 2\n+b \n", 1, "", {"PB_TOOL_Selection=2x1x3x1"}},
        {"selection not four numbers", {"/onlyselectedcode", "/removecomments"}, comments, "", 2,
         "brisklet-clean: PB_TOOL_Selection: not LINExCOLUMNxLINExCOLUMN: '1x2x3'\n", {"PB_TOOL_Selection=1x2x3"}},
        {"selection with a sign", {"/onlyselectedcode"}, comments, "", 2,
         "brisklet-clean: PB_TOOL_Selection: not LINExCOLUMNxLINExCOLUMN: '1x+2x3x4'\n",
         {"PB_TOOL_Selection=1x+2x3x4"}},
        {"selection from 0", {"/onlyselectedcode"}, comments, "", 2,
         "brisklet-clean: PB_TOOL_Selection: lines and columns count from 1: '0x1x1x1'\n", {"PB_TOOL_Selection=0x1x1x1"}},
        {"selection backwards", {"/onlyselectedcode"}, comments, "", 2,
         "brisklet-clean: PB_TOOL_Selection: ends before it starts: '2x1x1x5'\n", {"PB_TOOL_Selection=2x1x1x5"}},
        {"selection past the last line", {"/onlyselectedcode", "/removecomments"}, comments, "", 2,
         "brisklet-clean: PB_TOOL_Selection: line 4 is beyond the end of standard input, which has 3 lines\n",
         {"PB_TOOL_Selection=1x1x4x1"}},
        {"selection past a line's end", {"/onlyselectedcode", "/removecomments"}, comments, "", 2,
         "brisklet-clean: PB_TOOL_Selection: line 2 of standard input has no column 7; its last is 6\n",
         {"PB_TOOL_Selection=1x1x2x7"}},
        {"selection into the settings block", {"/onlyselectedcode", "/removecomments"}, "a ; x\n" + settings,
         "a \n" + settings, 0, "", {"PB_TOOL_Selection=1x1x4x3"}},
        {"selection inside the settings block", {"/onlyselectedcode", "/removecomments"}, "a ; x\n" + settings,
         "a ; x\n" + settings, 0, "", {"PB_TOOL_Selection=3x1x5x1"}},
        {"the IDE's tool on a terminal", {"/removecomments"}, "a", "", 2, "brisklet-clean: standard input: a terminal; "
         "put \"%TEMPFILE\" after the switches in the tool's arguments\n", {"PB_TOOL_IDE=x", "INPUT_TERMINAL=1"}},
        {"a terminal outside the IDE", {"/removecomments"}, "a ; b\n", "a \n", 0, "", {"INPUT_TERMINAL=1"}},
        {"version", {"/removecomments", "--version"}, "a ; b\n", std::string("brisklet-clean ") +
         BRISKLET_VERSION_TEXT + "\n", 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::FakeFileSystem files;
        files.Input = c.input;
        const test::ProcessResult result = CleanInProcess(files, c.arguments, c.environment);
        EXPECT_EQ(files.Output, c.output);
        EXPECT_EQ(result.ExitCode, c.exitCode);
        EXPECT_EQ(result.Errors, c.errors);
    }
    fs::remove_all(folder);
}

// A source as the IDE saves it for a tool (%TEMPFILE): its lines, then the settings block, each of
// its lines after a line end, the last without one.
std::string IdeTempFile(const std::vector<std::string>& lines, const std::vector<std::string>& settings,
                        const std::string& lineEnd) {
    std::string text = "\xEF\xBB\xBF";
    for (size_t i = 0; i < lines.size(); ++i)
        text += (i == 0 ? "" : lineEnd) + lines[i];
    for (const std::string& setting : settings)
        text += lineEnd + "; " + setting;
    return text;
}

// The source as the IDE loads it back: the mark, the block and the line end before it cut off.
std::vector<std::string> LoadedLines(const std::string& text) {
    std::string source = text.substr(3, text.rfind("; IDE Options") - 3);
    source.erase(source.find_last_not_of("\r\n") + 1);
    std::vector<std::string> lines(1);
    for (size_t at = 0; at < source.size(); ++at) {
        if (source[at] == '\r' || source[at] == '\n') {
            at += source[at] == '\r' && at + 1 < source.size() && source[at + 1] == '\n' ? 1 : 0;
            lines.emplace_back();
        } else {
            lines.back() += source[at];
        }
    }
    return lines;
}

// The IDE on Linux and macOS runs brisklet-clean on its temporary file and loads it back: the
// caret, the first line shown, the markers and the collapsed folds must name the code they
// named, the way the IDE reads them (CursorPosition and FirstLine from 0, Markers from 1, the
// Folding states in the order of the fold points, six to a character).
TEST(CleanCommand, TheIdesViewFollowsItsCode) {
    const std::vector<std::string> source = {
        "; Inventory - release clean-up", // 0
        ";{ Declarations",                // 1: a fold point, collapsed
        "EnableExplicit",
        "Global NewList Items.s()",
        ";}",
        "",
        "Procedure.i Count()            ; how many", // 6: a fold point, expanded
        "  Debug \"counting\"",
        "  ProcedureReturn ListSize(Items())",
        "EndProcedure",
        "",
        "Procedure Add(Name$)", // 11: a fold point, collapsed
        "  AddElement(Items())",
        "  Items() = Name$   ; store it", // 13: the caret, column 30
        "  Debug \"added \" + Name$",
        "EndProcedure",
        "",
        "Macro Twice(x)", // 17: a fold point, expanded
        "  Procedure Inner()", // in a Macro body: none
        "EndMacro",
        "Add(\"x\")",
    };
    // Folding 7: collapsed, expanded, collapsed, expanded (and two unused states, set).
    const auto settings = [](const std::string& caret, const std::string& column, const std::string& first,
                             const std::string& folding, const std::string& markers) {
        return std::vector<std::string>{"IDE Options = PureBasic 6.10 LTS (Linux - x64)", "CursorPosition = " + caret,
                                        "CursorColumn = " + column, "FirstLine = " + first, "Folding = " + folding,
                                        "Markers = " + markers, "EnableXP"};
    };
    const std::vector<std::string> before = settings("13", "30", "6", "7", "7,8,14");
    const fs::path folder = fs::temp_directory_path() / ("brisklet-view-" + std::to_string(getpid()));
    fs::create_directories(folder);
    std::ofstream(folder / "procedures.prefs", std::ios::binary)
        << "[Folding]\nStartWords = 1\nStart_1 = Procedure\n";
    const std::string procedures = "PB_TOOL_Preferences=" + (folder / "procedures.prefs").string();
    const std::vector<std::string> release = {"/removecomments", "/removedebuglines", "/removeemptylines"};
    const struct {
        const char* name;
        std::string lineEnd;
        std::vector<std::string> switches;
        std::vector<std::string> environment;
        std::vector<std::string> after;
        // What the IDE then finds on the caret's line and the first line shown.
        std::string caretCode;
        std::string firstCode;
    } cases[] = {
        // The ;{ went: the states of the later folds stay on them (Count expanded, Add collapsed,
        // Macro expanded: 0); the marker on a debug line went; the caret's line lost its comment.
        {"release clean-up, LF", "\n", release, {}, settings("7", "21", "2", "0", "3,8"), "  Items() = Name$   ",
         "Procedure.i Count()            "},
        {"release clean-up, CR LF", "\r\n", release, {}, settings("7", "21", "2", "0", "3,8"),
         "  Items() = Name$   ", "Procedure.i Count()            "},
        // Only the procedures fold: Count and Add keep their states, and the value reads the same.
        {"the preferences' start words", "\n", release, {procedures}, settings("7", "21", "2", "7", "3,8"),
         "  Items() = Name$   ", "Procedure.i Count()            "},
        {"nothing removed: letter case", "\r\n", {"/converttexttouppercaseletters"}, {}, before,
         "  ITEMS() = NAME$   ; STORE IT", "PROCEDURE.I COUNT()            ; HOW MANY"},
        {"nothing removed: blanks", "\n", {"/removespacesatendoflines", "/removedoublespaces"}, {}, before,
         " Items() = Name$ ; store it", "Procedure.i Count() ; how many"},
        // Lines 7 and 8 selected: the debug line in them goes, the lines after move up by one.
        {"a selection", "\n", {"/removedebuglines", "/removecomments", "/onlyselectedcode"},
         {"PB_TOOL_Selection=7x1x9x1"}, settings("12", "30", "6", "7", "7,13"), "  Items() = Name$   ; store it",
         "Procedure.i Count()            "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::FakeFileSystem files;
        files.Put("PB_EditorOutput.pb", IdeTempFile(source, before, c.lineEnd));
        std::vector<std::string> arguments = c.switches;
        arguments.emplace_back("PB_EditorOutput.pb");
        const test::ProcessResult result = CleanInProcess(files, arguments, c.environment);
        EXPECT_EQ(result.ExitCode, 0);
        EXPECT_EQ(result.Errors, "");
        const std::string written = files.Bytes("PB_EditorOutput.pb");
        std::string block;
        for (const std::string& setting : c.after)
            block += c.lineEnd + "; " + setting;
        EXPECT_EQ(written.substr(written.rfind(c.lineEnd + "; IDE Options")), block);
        const std::vector<std::string> loaded = LoadedLines(written);
        const ViewEntries view = ReadViewEntries(block.substr(c.lineEnd.size()));
        ASSERT_TRUE(view.CursorPosition && view.FirstLine);
        EXPECT_EQ(loaded.at(static_cast<size_t>(*view.CursorPosition)), c.caretCode);
        EXPECT_EQ(loaded.at(static_cast<size_t>(*view.FirstLine)), c.firstCode);
        // A diff names the block's lines that changed, and the last, which did not, as context.
        test::FakeFileSystem diffed;
        diffed.Put("PB_EditorOutput.pb", IdeTempFile(source, before, c.lineEnd));
        arguments.insert(arguments.begin(), "--diff");
        EXPECT_EQ(CleanInProcess(diffed, arguments, c.environment).ExitCode, 1);
        if (c.after != before) {
            EXPECT_NE(diffed.Output.find("\n ; EnableXP"), std::string::npos) << diffed.Output;
        }
    }
    // Standard input is read once: the block goes by before its entries could be followed.
    test::FakeFileSystem piped;
    piped.Input = IdeTempFile(source, before, "\n");
    EXPECT_EQ(CleanInProcess(piped, release, {}).ExitCode, 0);
    EXPECT_EQ(piped.Output.substr(piped.Output.rfind("\n; IDE Options")),
              "\n; " + (before[0] + "\n; " + before[1] + "\n; " + before[2] + "\n; " + before[3] + "\n; " + before[4] +
                        "\n; " + before[5] + "\n; " + before[6]));
    fs::remove_all(folder);
}

// Two roads to the same view: a file cleaned whole answers the line map's questions as its lines
// go by; a selection of its whole source places its lines in the line map Brisklet.exe keeps.
// Random sources with random view entries must come out of both byte for byte alike.
TEST(CleanCommand, AWholeSourceAndASelectionOfItMoveTheViewAlike) {
    const std::string pool[] = {"; comment", ";{ Section", ";}", "", "  ", "Procedure A()", "  Debug x",
                                "EndProcedure", "Macro M()", "EndMacro", "  Procedure Inner()", "x = 1 ; note",
                                "s$ = \";{\"", "If a : Procedure b() : EndIf", "\tx = 2", "ProcedureC c() ; c",
                                "Module M", "EndModule", "  y = 3  ", "Macro N() ; Debug x", "EndMacro : Debug 1"};
    const std::string ends[] = {"\n", "\r\n", "\n", "\r\n", "\r"};
    const std::vector<std::string> switches = {
        "/removeemptylines", "/removedebuglines", "/removecomments", "/removedoublespaces", "/removeallspaces",
        "/removespacesatendoflines", "/removespacesatstartoflines", "/converttexttolowercaseletters",
        "/converttexttouppercaseletters", "/converttabtospace", "/convertspacetotab"};
    constexpr std::string_view Digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz1234567890+-";
    std::mt19937 random(20261209);
    const auto pick = [&](size_t count) { return static_cast<size_t>(random() % count); };
    int moved = 0;
    for (int round = 0; round < 1000; ++round) {
        const size_t count = 1 + pick(16);
        const std::string lineEnd = ends[pick(std::size(ends))];
        std::vector<std::string> lines;
        for (size_t i = 0; i < count; ++i)
            lines.push_back(pool[pick(std::size(pool))]);
        std::vector<std::string> settings = {"IDE Options = PureBasic 6.10 LTS (Linux - x64)"};
        if (pick(4) != 0)
            settings.push_back("CursorPosition = " + std::to_string(pick(count + 2)));
        if (pick(2) == 0)
            settings.push_back("CursorColumn = " + std::to_string(1 + pick(20)));
        if (pick(2) == 0)
            settings.push_back("FirstLine = " + std::to_string(pick(count + 2)));
        if (pick(2) == 0) {
            std::string folding;
            for (size_t i = 0, n = 1 + pick(3); i < n; ++i)
                folding += Digits[pick(Digits.size())];
            settings.push_back("Folding = " + folding);
        }
        if (pick(2) == 0)
            settings.push_back("Markers = " + std::to_string(1 + pick(count + 1)) + "," +
                               std::to_string(1 + pick(count + 1)));
        settings.push_back("EnableXP");
        const std::string text = IdeTempFile(lines, settings, lineEnd);
        std::vector<std::string> arguments;
        for (size_t i = 0, n = 1 + pick(3); i < n; ++i)
            arguments.push_back(switches[pick(switches.size())]);
        arguments.push_back("t.pb");
        SCOPED_TRACE("round " + std::to_string(round) + ": " + ::testing::PrintToString(text) + " " +
                     ::testing::PrintToString(arguments));
        test::FakeFileSystem whole;
        whole.Put("t.pb", text);
        ASSERT_EQ(CleanInProcess(whole, arguments, {}).ExitCode, 0);
        test::FakeFileSystem selected;
        selected.Put("t.pb", text);
        arguments.emplace_back("/onlyselectedcode");
        const std::string selection = "PB_TOOL_Selection=1x1x" + std::to_string(count + 1) + "x1";
        ASSERT_EQ(CleanInProcess(selected, arguments, {selection}).ExitCode, 0);
        ASSERT_EQ(whole.Bytes("t.pb"), selected.Bytes("t.pb"));
        const std::string block = whole.Bytes("t.pb").substr(whole.Bytes("t.pb").rfind("; IDE Options"));
        moved += block != text.substr(text.rfind("; IDE Options")) ? 1 : 0;
    }
    EXPECT_GT(moved, 150);
}

TEST(CleanCommand, ASelectionFromAPipeStopsAtItsFirstZeroByte) {
    test::FakeFileSystem files;
    files.Input = "a ; b\n" + std::string(1, '\0') + std::string(3 << 20, 'x');
    const test::ProcessResult result =
        CleanInProcess(files, {"/onlyselectedcode", "/removecomments"}, {"PB_TOOL_Selection=1x1x1x3"});
    EXPECT_EQ(result.ExitCode, 2);
    EXPECT_EQ(result.Errors, "brisklet-clean: standard input: holds a zero byte, not a source file; stopped there\n");
    EXPECT_EQ(std::count(files.Calls.begin(), files.Calls.end(), "ReadInput"), 1);
}

// The Tools menu as the IDE reads it from the file: one line an entry, the program by its leaf.
std::string MenuAsTheIdeReadsIt(const std::string& text) {
    test::MemoryFileOpener opener(text);
    PrefsFile prefs;
    EXPECT_TRUE(PrefsOpen(prefs, opener, u"tools.prefs"));
    PrefsSelectGroup(prefs, u"ToolsInfo");
    const int count = std::stoi(EncodeUtf8(PrefsReadText(prefs, u"ToolCount", u"0")));
    std::string menu;
    for (int i = 0; i < count; ++i) {
        EXPECT_TRUE(PrefsSelectGroup(prefs, u"Tool_" + DecodeUtf8(std::to_string(i))));
        const auto key = [&prefs](std::u16string_view name) { return EncodeUtf8(PrefsReadText(prefs, name, u"")); };
        const std::string command = key(u"Command");
        menu += key(u"MenuItemName") + ": " + command.substr(command.find_last_of("/\\") + 1) + " " +
                key(u"Arguments") + " [" + key(u"Flags") + key(u"ReloadSource") + key(u"Shortcut") +
                key(u"Deactivate") + "]\n";
    }
    return menu;
}

TEST(CleanCommand, TheIdesToolsMenu) {
    const std::string user = "\xEF\xBB\xBF[ToolsInfo]\r\n  ToolCount = 3\r\n;\r\n[Tool_0]\r\n  Command = /usr/bin/astyle\r\n"
                             "  MenuItemName = Format\r\n;\r\n[Tool_1]\r\n  Command = \"/old/brisklet-clean\"\r\n"
                             "  Arguments = /removecomments %TEMPFILE\r\n  MenuItemName = Strip comments\r\n"
                             "  Shortcut = 77\r\n  Deactivate = 1\r\n;\r\n[Tool_2]\r\n  Command = /old/brisklet-clean\r\n"
                             "  MenuItemName = Mine\r\n";
    const std::string ours = "Strip comments: brisklet-clean /removecomments /removespacesatendoflines \"%TEMPFILE\" [1200]\n"
                             "Release clean-up: brisklet-clean /removedebuglines /removecomments /removeemptylines "
                             "\"%TEMPFILE\" [1200]\nTabs to spaces: brisklet-clean /converttabtospace \"%TEMPFILE\" "
                             "[1200]\nTidy the selection: brisklet-clean /removedoublespaces /removespacesatendoflines "
                             "/onlyselectedcode \"%TEMPFILE\" [1200]\n";
    const std::string file = ".purebasic/tools.prefs";
    struct Row {
        const char* name;
        std::vector<std::string> arguments;
        std::optional<std::string> before; // nullopt: no tools file yet
        std::string menu;                  // afterwards; "": the file as it was
        int exitCode;
        std::string errors;
    };
    const Row rows[] = {
        {"a fresh folder", {"--add-ide-tools"}, std::nullopt, ours, 0, file + ": added 4"},
        {"the user's entries kept, ours updated in place", {"--add-ide-tools"}, user,
         "Format: astyle  []\nStrip comments: brisklet-clean /removecomments /removespacesatendoflines \"%TEMPFILE\" "
         "[12771]\nMine: brisklet-clean  []\n" + ours.substr(ours.find("Release")),
         0, file + ": added 3, updated 1"},
        {"taken out, the rest renumbered", {"--remove-ide-tools"}, user, "Format: astyle  []\nMine: brisklet-clean  []\n",
         0, file + ": removed 1"},
        {"none to take out", {"--remove-ide-tools"}, "", "", 0, file + ": no entries of Brisklet's; left unchanged"},
        {"a diff writes nothing", {"--add-ide-tools", "--diff"}, user, "", 1, ""},
        {"binary", {"--add-ide-tools"}, std::string("[ToolsInfo]\n\0\n", 14), "", 2,
         file + ": not a tools file of the IDE (it holds binary data); left unchanged"},
        {"a count that disagrees", {"--add-ide-tools"}, "[ToolsInfo]\nToolCount = 2\n[Tool_0]\n[Tool_2]\n", "", 2,
         file + ": not a tools file of the IDE (ToolCount is 2 but it has 2 tool groups, not numbered from 0); left "
                "unchanged"},
        {"too large", {"--add-ide-tools"}, std::string(size_t{17} << 20, ';'), "", 2,
         file + ": not a tools file of the IDE (larger than 16 MiB); left unchanged"},
        {"not a count", {"--remove-ide-tools"}, "[ToolsInfo]\nToolCount = x\n", "", 2,
         file + ": not a tools file of the IDE (ToolCount is 'x'); left unchanged"},
        {"switches too", {"--add-ide-tools", "/removecomments"}, "", "", 2,
         "--add-ide-tools: takes no switches and no files (--tools-file names the IDE's tools file)"},
        {"both ways", {"--add-ide-tools", "--remove-ide-tools"}, "", "", 2,
         "--add-ide-tools: cannot be combined with --remove-ide-tools"},
        {"a tools file alone", {"--tools-file", file, "/removecomments"}, "", "", 2,
         "--tools-file: needs --add-ide-tools or --remove-ide-tools"},
        {"no configuration folder", {"--add-ide-tools"}, std::nullopt, "", 2,
         "no IDE's configuration folder found (looked for .purebasic and .spiderbasic); start the IDE once, or name "
         "its tools file with --tools-file FILE"},
    };
    CleanEnvironment environment;
    environment.ToolsPlaces = {{".purebasic", file}, {".spiderbasic", ".spiderbasic/x"}};
    environment.ProgramPath = "/opt/b/brisklet-clean";
    environment.RunningIdes = [] { return std::vector<std::string>{"PureBasic"}; };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::FakeFileSystem files;
        if (row.name != std::string("no configuration folder")) {
            files.Put(".purebasic", "");
            files.Names[".purebasic"]->Directory = true;
        }
        if (row.before)
            files.Put(file, *row.before);
        const test::CommandRun run = test::RunCommandInMemory(files, row.arguments, environment);
        EXPECT_EQ(run.Status, row.exitCode);
        const bool written = !row.menu.empty() && (!row.before || MenuAsTheIdeReadsIt(*row.before) != row.menu);
        EXPECT_EQ(run.Errors, (row.errors.empty() ? "" : "brisklet-clean: " + row.errors + "\n") +
                                  (written ? "brisklet-clean: PureBasic is running: restart it to see the change in "
                                             "its Tools menu; until then, confirming Tools > Configure Tools in it "
                                             "would write its old list over the file\n"
                                           : ""));
        if (!row.menu.empty()) {
            EXPECT_EQ(MenuAsTheIdeReadsIt(files.Bytes(file)), row.menu);
        } else if (row.before) {
            EXPECT_EQ(files.Bytes(file), *row.before);
        }
        // Lines added take the file's line end, and a key added to an entry the indent of the one before.
        if (row.before == user && row.menu.size() > 80) {
            EXPECT_NE(files.Bytes(file).find("  Deactivate = 1\r\n  Trigger = 0\r\n"), std::string::npos);
        }
        EXPECT_TRUE(files.Leftovers().empty());
    }
    // Added twice, nothing is written the second time; taken out, the user's own file is back.
    test::FakeFileSystem files;
    files.Put(".purebasic", "");
    files.Names[".purebasic"]->Directory = true;
    const std::string own = "[ToolsInfo]\r\nToolCount = 1\r\n[Tool_0]\r\nCommand = astyle\r\nMenuItemName = Format\r\n";
    files.Put(file, own);
    EXPECT_EQ(test::RunCommandInMemory(files, {"--add-ide-tools"}, environment).Status, 0);
    files.Calls.clear();
    EXPECT_EQ(test::RunCommandInMemory(files, {"--add-ide-tools"}, environment).Errors,
              "brisklet-clean: " + file + ": unchanged 4\n");
    EXPECT_EQ(std::count(files.Calls.begin(), files.Calls.end(), "Replace"), 0);
    EXPECT_EQ(test::RunCommandInMemory(files, {"--remove-ide-tools", "-q"}, environment).Status, 0);
    EXPECT_EQ(files.Bytes(file), own);
    // On Windows the entries run the Brisklet.exe beside brisklet-clean.exe, in the editor.
    environment.Road = ToolRoad::Editor;
    environment.ProgramPath = "C:\\B r\\brisklet-clean.exe";
    EXPECT_EQ(test::RunCommandInMemory(files, {"--add-ide-tools"}, environment).Errors,
              "brisklet-clean: C:\\B r\\Brisklet.exe: No such file or directory; the IDE's entries run the "
              "Brisklet.exe beside C:\\B r\\brisklet-clean.exe\n");
    files.Put("C:\\B r\\Brisklet.exe", "");
    EXPECT_EQ(test::RunCommandInMemory(files, {"--add-ide-tools", "-q"}, environment).Status, 0);
    EXPECT_EQ(MenuAsTheIdeReadsIt(files.Bytes(file)).substr(std::strlen("Format: astyle  []\n")),
              "Strip comments: Brisklet.exe /removecomments /removespacesatendoflines /keepcursorandfolds [1000]\n"
              "Release clean-up: Brisklet.exe /removedebuglines /removecomments /removeemptylines /keepcursorandfolds "
              "[1000]\nTabs to spaces: Brisklet.exe /converttabtospace /keepcursorandfolds [1000]\nTidy the selection: "
              "Brisklet.exe /removedoublespaces /removespacesatendoflines /onlyselectedcode [1000]\n"
              "Fold everything, go to top: Brisklet.exe /fold /setcursortotop [1000]\n");
    // A path outside ASCII goes into a file without a byte order mark as UTF-8 after one, the
    // file's Latin-1 letters with it, so that the IDE reads both as they were.
    environment.Road = ToolRoad::TemporaryFile;
    environment.ProgramPath = "/opt/J\xC3\xBCrgen/brisklet-clean";
    files.Put(file, "[ToolsInfo]\nToolCount = 1\n[Tool_0]\nMenuItemName = Caf\xE9\n");
    EXPECT_EQ(test::RunCommandInMemory(files, {"--add-ide-tools", "-q"}, environment).Status, 0);
    EXPECT_TRUE(files.Bytes(file).starts_with("\xEF\xBB\xBF[ToolsInfo]\nToolCount = 5\n[Tool_0]\nMenuItemName = Caf\xC3\xA9\n"));
    EXPECT_NE(files.Bytes(file).find("Command = /opt/J\xC3\xBCrgen/brisklet-clean\n"), std::string::npos);
}

TEST(CleanCommand, AnArgumentLikeASwitchIsAFileWhenOneHasItsName) {
    test::FakeFileSystem files;
    files.Put("/removecoments", "a ; b\n");
    EXPECT_EQ(CleanInProcess(files, {"/removecomments", "/removecoments"}, {}).ExitCode, 0);
    EXPECT_EQ(files.Bytes("/removecoments"), "a \n");
}

TEST(CleanCommand, OnWindowsEveryNameShownHasOneSeparator) {
    test::FakeFileSystem files;
    files.PathSeparator = '\\';
    files.Put("src\\App.sb", "a ; b\n");
    EXPECT_EQ(CleanInProcess(files, {"--diff", "/removecomments", "src/App.sb", "x/"}, {}).Errors,
              "brisklet-clean: x\\: No such file or directory\n");
    EXPECT_EQ(files.Output, "--- a/src/App.sb\n+++ b/src/App.sb\n@@ -1 +1 @@\n-a ; b\n+a \n");
    files.Put("/.editorconfig", "");
    files.Names.at("/.editorconfig")->Directory = true;
    EXPECT_EQ(CleanInProcess(files, {"/converttabtospace", "src\\App.sb"}, {}).Errors,
              "brisklet-clean: \\.editorconfig: not a regular file; src\\App.sb left unchanged\n");
}

TEST(CleanCommand, AWildcardLeftToTheProgramStandsForItsMatchesInItsPlace) {
    test::FakeFileSystem files;
    files.Put("a.pb", "x ; y\n");
    files.Put("b.pb", "x ; y\n");
    CleanEnvironment windows;
    windows.Wildcards = [](std::string_view pattern) {
        return pattern == "*.pb" ? std::vector<std::string>{"a.pb"} : std::vector<std::string>{};
    };
    const test::CommandRun run = test::RunCommandInMemory(
        files, {"-v", "--stdin-name=?.pb", "/removecomments", "*.pbx", "*.pb", "b.pb"}, windows);
    EXPECT_EQ(run.Status, 2);
    EXPECT_EQ(run.Errors, "brisklet-clean: *.pbx: No such file or directory\nbrisklet-clean: a.pb: cleaned\n"
                          "brisklet-clean: b.pb: cleaned\n");
}

TEST(CleanCommand, QuietNamesOnlyTroubleAndVerboseEveryFileCleaned) {
    test::FakeFileSystem files;
    files.Put("a.pb", "a ; b\n");
    files.Put("c.pb", "c\n");
    EXPECT_EQ(CleanInProcess(files, {"--quiet", "--check", "/removecomments", "a.pb", "c.pb", "x.pb"}, {}).Errors,
              "brisklet-clean: x.pb: No such file or directory\n");
    const test::ProcessResult verbose = CleanInProcess(files, {"-v", "/removecomments", "a.pb", "c.pb"}, {});
    EXPECT_EQ(verbose.ExitCode, 0);
    EXPECT_EQ(verbose.Errors, "brisklet-clean: a.pb: cleaned\n");
}

TEST(CleanCommand, StandardInputThatIsTheOutputIsRefused) {
    test::FakeFileSystem files;
    files.Input = "a ; b\n";
    files.InputIsTheOutput = true;
    const test::ProcessResult result = CleanInProcess(files, {"/removecomments"}, {});
    EXPECT_EQ(result.ExitCode, 2);
    EXPECT_EQ(result.Errors, "brisklet-clean: standard input: input file is output file\n");
    EXPECT_EQ(files.Output, "");
    files.Calls.clear();
    EXPECT_EQ(CleanInProcess(files, {"--check", "/removecomments"}, {}).ExitCode, 1);
}

// A stray byte first and UTF-8 only past the look-ahead: a pipe, which cannot be read twice,
// takes the text as single bytes; a file is read on and is UTF-8.
TEST(CleanCommand, APipeLooksAheadEightMebibytesForUtf8) {
    const std::string filler(9 << 20, 'a');
    const std::string text = "\xE9x\n" + filler + "\n\xC3\xA4\n";
    const test::ProcessResult piped = RunProcess(Program, {"/converttexttouppercaseletters"}, text);
    EXPECT_EQ(piped.ExitCode, 0);
    EXPECT_EQ(piped.Output, "\xC9X\n" + std::string(filler.size(), 'A') + "\n\xC3\xA4\n");
    const std::string path = (fs::temp_directory_path() / ("brisklet-ahead-" + std::to_string(getpid()))).string();
    std::ofstream(path, std::ios::binary) << text;
    EXPECT_EQ(RunProcess(Program, {"/converttexttouppercaseletters", path}, "").ExitCode, 0);
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    EXPECT_EQ(bytes.str(), "\xE9X\n" + std::string(filler.size(), 'A') + "\n\xC3\x84\n");
    fs::remove(path);
}

TEST(CleanCommand, HelpListsEverySwitch) {
    const test::ProcessResult result = RunProcess(Program, {"--help"}, "");
    EXPECT_EQ(result.ExitCode, 0);
    for (const char* name : {"/removeemptylines", "/removedebuglines", "/removecomments", "/removedoublespaces",
                             "/removeallspaces", "/removespacesatendoflines", "/removespacesatstartoflines",
                             "/converttexttolowercaseletters", "/converttexttouppercaseletters", "/fold", "/unfold",
                             "/converttabtospace", "/convertspacetotab", "/setcursortotop", "/setcursortobottom",
                             "/onlyselectedcode", "/keepcursorandfolds", "--tab-length", "--no-editorconfig", "--stdin-name",
                             "--check", "--diff", "--version",
                             "PB_TOOL_Preferences", "PB_TOOL_Selection",
                             "  /keepcursorandfolds              after writing the text back, collapse the\n"
                             "                                   folds that were collapsed and return the\n"})
        EXPECT_NE(result.Output.find(name), std::string::npos) << name;
}

TEST(CleanCommand, AFailedWriteToStandardOutputFailsTheRun) {
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full on this machine";
    const test::ProcessResult result = RunProcess(Program, {"/removecomments"}, "a ; b\n", "/dev/full");
    EXPECT_EQ(result.ExitCode, 2);
    EXPECT_EQ(result.Errors, "brisklet-clean: standard output: No space left on device\n");
}

} // namespace
} // namespace brisklet
