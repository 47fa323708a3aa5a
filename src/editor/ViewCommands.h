// The four view commands: one message each to the editor being cleaned.
#pragma once

namespace brisklet {

class EditorPort;

enum class ViewCommand { FoldAll, UnfoldAll, SetCursorToTop, SetCursorToBottom };

void RunViewCommand(EditorPort& editor, ViewCommand command);

} // namespace brisklet
