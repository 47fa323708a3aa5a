// An editor held in memory that answers every EditorPort message as the Scintilla control does.
#include "support/MemoryEditor.h"

#include <algorithm>

#include "editor/ScintillaMessages.h"

namespace brisklet {

namespace {

template <class T>
void SpliceLines(std::vector<T>& lines, size_t keepBefore, size_t fresh, size_t keepAfter, T value) {
    const std::vector<T> tail(lines.end() - static_cast<ptrdiff_t>(keepAfter), lines.end());
    lines.resize(keepBefore);
    lines.insert(lines.end(), fresh, value);
    lines.insert(lines.end(), tail.begin(), tail.end());
}

} // namespace

MemoryEditor::MemoryEditor(std::string bytes, int codePage) : codePage_(codePage) {
    ReplaceRange(0, 0, bytes, true);
}

intptr_t MemoryEditor::Call(unsigned message, uintptr_t wParam, intptr_t lParam) {
    Messages.push_back(message);
    const auto line = static_cast<intptr_t>(wParam);
    const bool validLine = line >= 0 && line < LineCount();
    switch (message) {
    case SCI_GETREADONLY:
        return ReadOnly ? 1 : 0;
    case SCI_GETSELECTIONSTART:
        return std::min(anchor_, caret_);
    case SCI_GETSELECTIONEND:
        return std::max(anchor_, caret_);
    case SCI_GETCURRENTPOS:
        return caret_;
    case SCI_SETSEL:
        SetSelection(static_cast<intptr_t>(wParam), lParam < 0 ? static_cast<intptr_t>(bytes_.size()) : lParam);
        return 0;
    case SCI_LINEFROMPOSITION:
        return LineFromPosition(static_cast<intptr_t>(wParam));
    case SCI_POSITIONFROMLINE:
        return validLine ? PositionFromLine(line) : -1;
    case SCI_GETLINECOUNT:
        return LineCount();
    case SCI_GETCHARAT: // a signed char, 0 outside the document
        return static_cast<size_t>(wParam) < bytes_.size() ? static_cast<signed char>(bytes_[wParam]) : 0;
    case SCI_GETLENGTH:
    case SCI_GETTEXTLENGTH:
        return static_cast<intptr_t>(bytes_.size());
    case SCI_GETCODEPAGE:
        return codePage_;
    case SCI_GETFOLDLEVEL:
        return validLine ? levels_[static_cast<size_t>(line)] : SC_FOLDLEVELBASE;
    case SCI_SETFOLDLEVEL:
        if (validLine)
            SetFoldLevel(line, static_cast<int>(lParam));
        return 0;
    case SCI_GETFOLDEXPANDED:
        return validLine && expanded_[static_cast<size_t>(line)] ? 1 : 0;
    case SCI_SETFOLDEXPANDED:
        if (validLine)
            expanded_[static_cast<size_t>(line)] = lParam != 0;
        return 0;
    case SCI_SHOWLINES:
        // Like the control, a range reaching past the last line changes nothing.
        if (validLine && lParam >= line && lParam < LineCount())
            SetVisible(line, lParam, true);
        return 0;
    case SCI_VISIBLEFROMDOCLINE: {
        intptr_t shown = 0;
        for (intptr_t l = 0; l < std::min(line, LineCount()); ++l)
            shown += visible_[static_cast<size_t>(l)] ? 1 : 0;
        return shown;
    }
    case SCI_GETLINEVISIBLE:
        return LineVisible(line) ? 1 : 0;
    case SCI_GETLASTCHILD:
        return validLine ? LastChild(line) : -1;
    case SCI_FOLDLINE:
        if (validLine)
            FoldLine(line, static_cast<int>(lParam));
        return 0;
    case SCI_FOLDALL:
        FoldAll(static_cast<int>(wParam));
        return 0;
    case SCI_CONTRACTEDFOLDNEXT: {
        if (!KnowsContractedFoldNext)
            return 0;
        for (intptr_t l = std::max<intptr_t>(line, 0); l < LineCount(); ++l) {
            if (!expanded_[static_cast<size_t>(l)])
                return l;
        }
        return -1;
    }
    case SCI_GOTOLINE: {
        const intptr_t target = std::clamp<intptr_t>(line, 0, LineCount() - 1);
        SetSelection(PositionFromLine(target), PositionFromLine(target));
        return 0;
    }
    case SCI_DOCUMENTSTART:
        SetSelection(0, 0);
        return 0;
    case SCI_DOCUMENTEND:
        SetSelection(static_cast<intptr_t>(bytes_.size()), static_cast<intptr_t>(bytes_.size()));
        return 0;
    case SCI_MARKERGET:
        return validLine ? markers_[static_cast<size_t>(line)] : 0;
    case SCI_MARKERNEXT:
        for (intptr_t l = std::max<intptr_t>(line, 0); l < LineCount(); ++l) {
            if ((markers_[static_cast<size_t>(l)] & lParam) != 0)
                return l;
        }
        return -1;
    case SCI_MARKERADDSET:
        if (validLine)
            markers_[static_cast<size_t>(line)] |= static_cast<int>(lParam);
        return 0;
    case SCI_MARKERDELETEALL:
        for (int& marked : markers_)
            marked &= wParam < 32 ? ~(1 << wParam) : 0;
        return 0;
    default:
        return 0;
    }
}

std::optional<DocumentBytes> MemoryEditor::ReadDocument() {
    Messages.push_back(SCI_GETCODEPAGE);
    Messages.push_back(SCI_GETCHARACTERPOINTER);
    if (!Answers)
        return std::nullopt;
    Messages.push_back(SCI_GETTEXTLENGTH);
    return DocumentBytes{bytes_, codePage_, codePage_ == SC_CP_UTF8 ? nullptr : SystemCodePage};
}

WriteResult MemoryEditor::SendText(const TextWrite& write) {
    Messages.push_back(SCI_GETCHARACTERPOINTER);
    Messages.push_back(SCI_GETTEXTLENGTH);
    if (bytes_ != write.DocumentAsRead)
        return WriteResult::EditorChanged;
    for (const EditorMessage& message : write.Before)
        Call(message.Message, message.WParam, message.LParam);
    Messages.push_back(write.Message);
    // Like the control, take the bytes only up to a zero byte.
    const std::string_view bytes = write.Bytes.substr(0, write.Bytes.find('\0'));
    if (write.Message == SCI_SETTEXT) {
        ReplaceRange(0, static_cast<intptr_t>(bytes_.size()), bytes, true);
        SetSelection(0, 0);
    } else if (write.Message == SCI_REPLACESEL) {
        Type(bytes);
        return WriteResult::Written;
    } else {
        return WriteResult::Failed;
    }
    if (OnTextChanged)
        OnTextChanged(*this);
    return WriteResult::Written;
}

void MemoryEditor::Type(std::string_view bytes) {
    const intptr_t start = std::min(anchor_, caret_);
    ReplaceRange(start, std::max(anchor_, caret_), bytes, false);
    const intptr_t end = start + static_cast<intptr_t>(bytes.size());
    SetSelection(end, end);
    if (OnTextChanged)
        OnTextChanged(*this);
}

std::vector<std::pair<intptr_t, int>> MemoryEditor::Markers() const {
    std::vector<std::pair<intptr_t, int>> marked;
    for (intptr_t line = 0; line < LineCount(); ++line) {
        if (markers_[static_cast<size_t>(line)] != 0)
            marked.emplace_back(line, markers_[static_cast<size_t>(line)]);
    }
    return marked;
}

bool MemoryEditor::LineVisible(intptr_t line) const {
    return line < 0 || line >= LineCount() || visible_[static_cast<size_t>(line)];
}

std::vector<intptr_t> MemoryEditor::ContractedHeaders() const {
    std::vector<intptr_t> lines;
    for (intptr_t line = 0; line < LineCount(); ++line) {
        if (IsHeader(line) && !expanded_[static_cast<size_t>(line)])
            lines.push_back(line);
    }
    return lines;
}

std::vector<intptr_t> MemoryEditor::HiddenLines() const {
    std::vector<intptr_t> lines;
    for (intptr_t line = 0; line < LineCount(); ++line) {
        if (!visible_[static_cast<size_t>(line)])
            lines.push_back(line);
    }
    return lines;
}

void MemoryEditor::SetSelection(intptr_t anchor, intptr_t caret) {
    anchor_ = ClampPosition(anchor);
    caret_ = ClampPosition(caret);
}

void MemoryEditor::SetFoldLevel(intptr_t line, int level) {
    levels_[static_cast<size_t>(line)] = level;
}

void MemoryEditor::FoldLine(intptr_t line, int action) {
    if (action == SC_FOLDACTION_CONTRACT) {
        const intptr_t lastChild = LastChild(line);
        if (lastChild > line) {
            expanded_[static_cast<size_t>(line)] = false;
            SetVisible(line + 1, lastChild, false);
        }
        return;
    }
    if (!LineVisible(line)) {
        EnsureLineVisible(line);
        SetSelection(PositionFromLine(line), PositionFromLine(line));
    }
    expanded_[static_cast<size_t>(line)] = true;
    ExpandLine(line);
}

void MemoryEditor::ReplaceRange(intptr_t start, intptr_t end, std::string_view bytes, bool resetAllLines) {
    const intptr_t firstLine = LineFromPosition(start);
    const intptr_t lastLine = LineFromPosition(end);
    const intptr_t oldCount = LineCount();
    const bool atLineStart = oldCount > 0 && PositionFromLine(firstLine) == start;
    // Deleting every byte starts the control's lines afresh, markers included.
    const bool wholeText = start == 0 && end == static_cast<intptr_t>(bytes_.size()) && end > 0;
    bytes_.replace(static_cast<size_t>(start), static_cast<size_t>(end - start), bytes);
    ComputeLineStarts();
    if (resetAllLines || oldCount == 0 || wholeText) {
        levels_.assign(lineStarts_.size(), SC_FOLDLEVELBASE);
        expanded_.assign(lineStarts_.size(), true);
        visible_.assign(lineStarts_.size(), true);
        markers_.assign(lineStarts_.size(), 0);
        return;
    }
    // Lines before and after the replaced ones keep their state; the new ones are plain, but for
    // the markers of the replaced lines: the first of them gathers them, and keeps them unless the
    // new lines are put in before it, as at a line start, where they move on with what follows.
    const auto keepBefore = static_cast<size_t>(firstLine);
    const auto keepAfter = static_cast<size_t>(oldCount - lastLine - 1);
    const size_t fresh = lineStarts_.size() - keepBefore - keepAfter;
    int gathered = 0;
    for (intptr_t line = firstLine; line <= lastLine; ++line)
        gathered |= markers_[static_cast<size_t>(line)];
    SpliceLines(levels_, keepBefore, fresh, keepAfter, SC_FOLDLEVELBASE);
    SpliceLines(expanded_, keepBefore, fresh, keepAfter, true);
    SpliceLines(visible_, keepBefore, fresh, keepAfter, true);
    SpliceLines(markers_, keepBefore, fresh, keepAfter, 0);
    markers_[atLineStart ? keepBefore + fresh - 1 : keepBefore] = gathered;
}

void MemoryEditor::ComputeLineStarts() {
    lineStarts_.assign(1, 0);
    for (size_t i = 0; i < bytes_.size(); ++i) {
        if (bytes_[i] == '\r' && i + 1 < bytes_.size() && bytes_[i + 1] == '\n')
            ++i;
        if (bytes_[i] == '\r' || bytes_[i] == '\n')
            lineStarts_.push_back(static_cast<intptr_t>(i + 1));
    }
}

intptr_t MemoryEditor::LineFromPosition(intptr_t position) const {
    if (lineStarts_.empty())
        return 0;
    const auto after = std::upper_bound(lineStarts_.begin(), lineStarts_.end(), ClampPosition(position));
    return static_cast<intptr_t>(after - lineStarts_.begin()) - 1;
}

intptr_t MemoryEditor::PositionFromLine(intptr_t line) const {
    return lineStarts_[static_cast<size_t>(line)];
}

bool MemoryEditor::IsHeader(intptr_t line) const {
    return (levels_[static_cast<size_t>(line)] & SC_FOLDLEVELHEADERFLAG) != 0;
}

int MemoryEditor::LevelNumber(intptr_t line) const {
    return levels_[static_cast<size_t>(line)] & SC_FOLDLEVELNUMBERMASK;
}

intptr_t MemoryEditor::LastChild(intptr_t header) const {
    const int level = LevelNumber(header);
    intptr_t last = header;
    while (last + 1 < LineCount() &&
           ((levels_[static_cast<size_t>(last + 1)] & SC_FOLDLEVELWHITEFLAG) != 0 || LevelNumber(last + 1) > level))
        ++last;
    return last;
}

intptr_t MemoryEditor::FoldParent(intptr_t line) const {
    const int level = LevelNumber(line);
    for (intptr_t look = line - 1; look >= 0; --look) {
        if ((levels_[static_cast<size_t>(look)] & SC_FOLDLEVELWHITEFLAG) != 0 || LevelNumber(look) >= level)
            continue;
        return IsHeader(look) ? look : -1;
    }
    return -1;
}

void MemoryEditor::SetVisible(intptr_t first, intptr_t last, bool visible) {
    for (intptr_t line = first; line <= last; ++line)
        visible_[static_cast<size_t>(line)] = visible;
}

intptr_t MemoryEditor::ExpandLine(intptr_t line) {
    const intptr_t lastChild = LastChild(line);
    for (intptr_t child = line + 1; child <= lastChild; ++child) {
        visible_[static_cast<size_t>(child)] = true;
        if (IsHeader(child))
            child = expanded_[static_cast<size_t>(child)] ? ExpandLine(child) : LastChild(child);
    }
    return lastChild;
}

void MemoryEditor::EnsureLineVisible(intptr_t line) {
    const intptr_t parent = FoldParent(line);
    if (parent < 0)
        return;
    EnsureLineVisible(parent);
    if (!expanded_[static_cast<size_t>(parent)]) {
        expanded_[static_cast<size_t>(parent)] = true;
        ExpandLine(parent);
    }
}

void MemoryEditor::FoldAll(int action) {
    if (action == SC_FOLDACTION_EXPAND) {
        SetVisible(0, LineCount() - 1, true);
        for (intptr_t line = 0; line < LineCount(); ++line) {
            if (IsHeader(line))
                expanded_[static_cast<size_t>(line)] = true;
        }
        return;
    }
    // Only the outermost headers are collapsed; inner ones keep their flag and are hidden.
    for (intptr_t line = 0; line < LineCount(); ++line) {
        if (IsHeader(line) && LevelNumber(line) == SC_FOLDLEVELBASE) {
            expanded_[static_cast<size_t>(line)] = false;
            const intptr_t lastChild = LastChild(line);
            if (lastChild > line)
                SetVisible(line + 1, lastChild, false);
        }
    }
}

intptr_t MemoryEditor::ClampPosition(intptr_t position) const {
    return std::clamp<intptr_t>(position, 0, static_cast<intptr_t>(bytes_.size()));
}

} // namespace brisklet
