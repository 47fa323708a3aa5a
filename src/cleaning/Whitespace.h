// The five whitespace removals: empty lines, leading and trailing runs, double and all spaces.
#pragma once

#include "cleaning/LineSkeleton.h"

namespace brisklet {

// Drops every line made only of spaces and tabs (empty lines included).
template <class CharT>
void RemoveEmptyLines(Text<CharT>& text, LineChanges* changes = nullptr);

// Three passes of (space run, tab run) at the start of each line; not a loop to the end.
template <class CharT>
void RemoveSpacesAtStartOfLines(Text<CharT>& text, LineChanges* changes = nullptr);

// The mirror image at the end of each line.
template <class CharT>
void RemoveSpacesAtEndOfLines(Text<CharT>& text, LineChanges* changes = nullptr);

// Every run of two or more spaces becomes one space, anywhere in the text.
template <class CharT>
void RemoveDoubleSpaces(Text<CharT>& text);

// Every space is deleted; tabs and line ends stay.
template <class CharT>
void RemoveAllSpaces(Text<CharT>& text);

} // namespace brisklet
