// The user's bookmarks and breakpoints: the IDE's markers that no one but the user sets again.
#include "editor/UserMarkers.h"

#include <optional>

#include "editor/EditorPort.h"
#include "editor/LineSearch.h"
#include "editor/ScintillaMessages.h"

namespace brisklet {

std::vector<MarkedLine> CaptureUserMarkers(EditorPort& editor, intptr_t lineCount) {
    const std::optional<std::vector<intptr_t>> lines = FindEveryLine(editor, SCI_MARKERNEXT, UserMarkerMask, lineCount);
    if (!lines || lines->empty())
        return {};
    std::vector<EditorMessage> asks;
    for (const intptr_t line : *lines)
        asks.push_back({SCI_MARKERGET, static_cast<uintptr_t>(line), 0});
    const std::vector<intptr_t> markers = editor.CallAll(asks);
    std::vector<MarkedLine> marked;
    for (size_t i = 0; i < lines->size(); ++i) {
        const int ours = static_cast<int>(markers[i]) & UserMarkerMask;
        if (ours != 0)
            marked.push_back({(*lines)[i], ours});
    }
    return marked;
}

void RestoreUserMarkers(EditorPort& editor, const std::vector<MarkedLine>& marked, bool clearFirst) {
    if (clearFirst) {
        for (int marker = 0; marker < 32; ++marker) {
            if ((UserMarkerMask & (1 << marker)) != 0)
                editor.Command(SCI_MARKERDELETEALL, static_cast<uintptr_t>(marker));
        }
    }
    for (const MarkedLine& line : marked)
        editor.Command(SCI_MARKERADDSET, static_cast<uintptr_t>(line.Line), line.Markers);
}

} // namespace brisklet
