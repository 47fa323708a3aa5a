// The test IDE's windows: a main window of the IDE's class holding Scintilla editors it folds itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Scenario.h"

namespace brisklet::e2e {

// Loads Scintilla.dll from beside the executable, creates the windows and loads the document
// into every editor with its folds, selection and flags. Error text on failure.
[[nodiscard]] bool OpenIde(const Scenario& scenario, std::wstring& error);
void CloseIde();

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
// Sends one SCI_UNDO to the visible editor and tells whether its bytes are then the given ones.
[[nodiscard]] bool OneUndoGives(const std::string& bytes);
// Whether any hidden editor's bytes differ from the given ones.
[[nodiscard]] bool HiddenEditorsDifferFrom(const std::string& bytes);
// The editors, numbered in the order they were created, whose bytes differ from the given ones.
[[nodiscard]] std::vector<intptr_t> EditorsDifferingFrom(const std::string& bytes);

} // namespace brisklet::e2e
