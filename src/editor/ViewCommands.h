// The four view commands: one message each to the editor being cleaned.
#pragma once

namespace brisklet {

class EditorPort;

void FoldAll(EditorPort& editor);
void UnfoldAll(EditorPort& editor);
void SetCursorToTop(EditorPort& editor);
void SetCursorToBottom(EditorPort& editor);

} // namespace brisklet
