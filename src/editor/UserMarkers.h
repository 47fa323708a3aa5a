// The user's bookmarks and breakpoints: the IDE's markers that no one but the user sets again.
#pragma once

#include <cstdint>
#include <vector>

namespace brisklet {

class EditorPort;

// 22 a bookmark; 15 a breakpoint's line background and 21 its symbol. The IDE's other markers
// (warnings, errors, procedure backgrounds, the current line) it rebuilds itself.
constexpr int UserMarkerMask = (1 << 15) | (1 << 21) | (1 << 22);

struct MarkedLine {
    intptr_t Line = 0;
    int Markers = 0; // the line's markers within UserMarkerMask
};

// The lines holding the user's markers, ascending, asked with SCI_MARKERNEXT and SCI_MARKERGET:
// a few messages per marked line, none per unmarked one.
[[nodiscard]] std::vector<MarkedLine> CaptureUserMarkers(EditorPort& editor, intptr_t lineCount);

// Puts the markers on their lines (SCI_MARKERADDSET), without waiting for the editor. Replacing
// the whole document has removed every marker; replacing a selection has not, and gathered those
// of its lines on one line, so clearFirst removes the user's markers everywhere before.
void RestoreUserMarkers(EditorPort& editor, const std::vector<MarkedLine>& marked, bool clearFirst);

} // namespace brisklet
