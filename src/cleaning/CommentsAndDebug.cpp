// "/removecomments" and "/removedebuglines".
#include "cleaning/CommentsAndDebug.h"

#include "cleaning/LineSteps.h"

namespace brisklet {

template <class CharT>
void RemoveComments(Text<CharT>& text, LineChanges* changes) {
    RebuildByLines<CharT>(text, CommentStep<CharT>, Semicolon<CharT>, changes);
}

template <class CharT>
void RemoveDebugLines(Text<CharT>& text, LineChanges* changes) {
    RebuildByLines<CharT>(text, DebugLineStep<CharT>, DebugWord<CharT>, changes);
}

template void RemoveComments<char16_t>(Text<char16_t>&, LineChanges*);
template void RemoveDebugLines<char16_t>(Text<char16_t>&, LineChanges*);

} // namespace brisklet
