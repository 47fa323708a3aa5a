// "/removecomments" and "/removedebuglines".
#pragma once

#include "cleaning/LineSkeleton.h"

namespace brisklet {

// Cuts every line at its first ";" with an even number of double quotes before it;
// a line holding ~" anywhere is left whole.
template <class CharT>
void RemoveComments(Text<CharT>& text, LineChanges* changes = nullptr);

// Drops every line that contains "Debug " (case-sensitive, anywhere in the line).
template <class CharT>
void RemoveDebugLines(Text<CharT>& text, LineChanges* changes = nullptr);

} // namespace brisklet
