// The four view commands: one message each to the editor being cleaned.
#include "editor/ViewCommands.h"

#include "editor/EditorPort.h"
#include "editor/ScintillaMessages.h"

namespace brisklet {

void RunViewCommand(EditorPort& editor, ViewCommand command) {
    switch (command) {
    case ViewCommand::FoldAll:
        editor.Call(SCI_FOLDALL, SC_FOLDACTION_CONTRACT);
        break;
    case ViewCommand::UnfoldAll:
        editor.Call(SCI_FOLDALL, SC_FOLDACTION_EXPAND);
        break;
    case ViewCommand::SetCursorToTop:
        editor.Call(SCI_DOCUMENTSTART);
        break;
    case ViewCommand::SetCursorToBottom:
        editor.Call(SCI_DOCUMENTEND);
        break;
    }
}

} // namespace brisklet
