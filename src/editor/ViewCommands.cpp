// The four view commands: one message each to the editor being cleaned.
#include "editor/ViewCommands.h"

#include "editor/EditorPort.h"
#include "editor/ScintillaMessages.h"

namespace brisklet {

void FoldAll(EditorPort& editor) {
    editor.Call(SCI_FOLDALL, SC_FOLDACTION_CONTRACT);
}

void UnfoldAll(EditorPort& editor) {
    editor.Call(SCI_FOLDALL, SC_FOLDACTION_EXPAND);
}

void SetCursorToTop(EditorPort& editor) {
    editor.Call(SCI_DOCUMENTSTART);
}

void SetCursorToBottom(EditorPort& editor) {
    editor.Call(SCI_DOCUMENTEND);
}

} // namespace brisklet
