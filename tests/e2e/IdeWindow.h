// The test IDE's windows: a main window of the IDE's class holding Scintilla editors it folds itself.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "Scenario.h"
#include "support/FoldLevels.h"

namespace brisklet::e2e {

// Loads Scintilla.dll from beside the executable, creates the windows and loads the document
// into every editor with its folds (on the given fold words), markers, selection and flags.
// Error text on failure.
[[nodiscard]] bool OpenIde(const Scenario& scenario, const test::FoldWords& foldWords, std::wstring& error);
void CloseIde();

// The windows a scenario can name in the tool's environment.
struct IdeWindows {
    HWND Main = nullptr;
    HWND Editor = nullptr;       // the visible editor, the one reported
    HWND HiddenEditor = nullptr; // the first hidden one, when there is one
    HWND ClosedEditor = nullptr; // an editor that was closed: its handle names no window
    HWND Panel = nullptr;        // a child window between the main window and the editors
    HWND Viewer = nullptr;       // with Scenario::Viewer: a top-level window of the IDE's own...
    HWND ViewerEditor = nullptr; // ...and the editor in it
};
[[nodiscard]] IdeWindows Windows();

// While the tool runs, as the IDE does for a tool it waits for: the main window disabled, or
// hidden. ReleaseMainWindow gives it back.
void HoldMainWindow(bool hide);
void ReleaseMainWindow();

// Handles every message waiting for this thread, then brings stale fold levels up to date.
void PumpMessages();

struct MessageCounts {
    int64_t All = 0;       // every message the visible editor's window procedure saw
    int64_t Scintilla = 0; // those of Scintilla's interface, 2000 to 4999
    int64_t OtherScintilla = 0; // Scintilla's interface messages to every other editor
};

// Counting covers what others send to the visible editor; the IDE's own calls bypass its window.
void StartCounting(DWORD hangMs);
[[nodiscard]] MessageCounts StopCounting();
// The counts so far, while counting goes on.
[[nodiscard]] MessageCounts CountsSoFar();

// Each text the tool writes into the visible editor while counting (SCI_SETTEXT, SCI_REPLACESEL)
// arrives in a block the tool placed in this process.
struct ToolWrite {
    void* Block = nullptr; // the allocation holding the text
    int HandlesAfter = -1; // the tool's handles on this process at its next message; -1: none came
};

// The tool of the run now starting, whose handles are looked at after each write.
void WatchTool(HANDLE tool);
[[nodiscard]] std::vector<ToolWrite> ToolWrites();
// Whether the block is no longer allocated in this process.
[[nodiscard]] bool BlockFreed(void* block);

// While counting, once the visible editor has answered afterMessage, the scenario's part of the
// IDE goes away (Vanish::Process ends this process). The editor's document stays readable.
void ArmVanishing(Vanish what, unsigned afterMessage);
// What went away during the run.
[[nodiscard]] Vanish Vanished();

struct EditorState {
    std::string Bytes;
    intptr_t Anchor = 0;
    intptr_t Caret = 0;
    intptr_t CaretLine = 0;
    bool CanUndo = false; // the editor holds an undo step: something changed the document
    std::vector<intptr_t> ContractedHeaders;
    std::vector<intptr_t> HiddenLines;
};

[[nodiscard]] EditorState VisibleEditorState();
// Each line of the visible editor that holds markers, with its marker mask, ascending.
[[nodiscard]] std::vector<std::pair<intptr_t, int>> VisibleEditorMarkers();
// Sends one SCI_UNDO to the visible editor and tells whether its bytes are then the given ones.
[[nodiscard]] bool OneUndoGives(const std::string& bytes);
// What "Reload source after the tool has quit ... into the current source" does: the text
// replaced, the undo history cleared.
void ReloadVisibleEditor(const std::string& bytes);
// Whether any hidden editor's bytes differ from the given ones.
[[nodiscard]] bool HiddenEditorsDifferFrom(const std::string& bytes);
// The editors, numbered in the order they were created, whose bytes differ from the given ones.
[[nodiscard]] std::vector<intptr_t> EditorsDifferingFrom(const std::string& bytes);

} // namespace brisklet::e2e
