// One end-to-end scenario as the runner hands it to the test IDE: what to show, whom to start.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <windows.h>

namespace brisklet::e2e {

// What goes away while the tool runs: the visible editor, the main window with everything in
// it, or the whole IDE process.
enum class Vanish { None, Editor, Main, Process };
// "none", "editor", "main" or "process", as the run file and the result write it.
[[nodiscard]] const char* VanishName(Vanish what);

struct Scenario {
    std::string Document;             // the editor's bytes, exactly
    std::wstring ResultsFolder;       // where result.txt and doc.bin go
    std::wstring CommandLine;         // the child's whole command line, program path first
    std::wstring WorkingDirectory;    // empty: the test IDE's own
    int CodePage = 0;
    std::optional<std::pair<intptr_t, intptr_t>> Selection; // anchor, caret
    std::optional<intptr_t> CaretLine;
    bool ReadOnly = false;
    std::vector<intptr_t> FoldedLines; // headers to contract after loading
    std::vector<std::pair<std::wstring, std::optional<std::wstring>>> Environment; // nullopt: unset
    DWORD HangMs = 0;                  // stall on the first SCI_GETCHARACTERPOINTER of the run
    DWORD TimeoutMs = 30000;
    std::wstring MainClass = L"WindowClass_2";
    bool MainVisible = true;
    bool MainCaption = true;
    bool EditorVisible = true;
    int HiddenEditors = 0;             // hidden Scintilla windows before and as many after the visible one
    int VisibleEditors = 1;            // visible Scintilla windows side by side; the first is reported
    int Nesting = 1;                   // windows between the main window and the editors
    std::wstring HoldFile;             // held open while the child runs; "%DDMMYYYY%" is today's date
    DWORD HoldShare = FILE_SHARE_READ | FILE_SHARE_WRITE; // the holder's share mode
    int Runs = 1;                      // the child is started this many times, one after another
    Vanish Vanishes = Vanish::None;
    unsigned VanishAfter = 2183;       // ...right after the visible editor answered this message (SCI_GETTEXTLENGTH)
    // "Wait until tool quits": the main window disabled, the tool waited for in 10 ms steps and
    // its messages handled only between them. With Hide ("Hide editor when tool runs") the main
    // window is hidden instead.
    bool Wait = false;
    bool Hide = false;
    std::vector<std::pair<intptr_t, int>> Markers; // line and marker mask, set after loading
    bool CaseCorrection = false;       // keywords in changed text put into their own case
    std::string Typed;                 // typed into the visible editor...
    unsigned TypeAfter = 2154;         // ...right after it answered this message (SCI_GETLINECOUNT)
    bool Viewer = false;               // a top-level window of its own, owned by the main window, with an editor
    // The Tools menu entry to run instead of the command line, as the IDE runs it, from the
    // tools file (empty: the IDE's own in the roaming application data folder).
    std::wstring ToolEntry;
    std::wstring ToolsFile;
};

// Reads the run file: UTF-8 "key=value" lines. Unknown keys and bad values are errors, so a
// mistyped scenario fails loudly instead of running with defaults.
[[nodiscard]] std::optional<Scenario> ReadScenario(const std::wstring& runFile, std::wstring& error);

} // namespace brisklet::e2e
