// An editor held in memory that answers every EditorPort message as the Scintilla control does.
#pragma once

#include <functional>
#include <utility>
#include <string>
#include <vector>

#include "editor/EditorPort.h"

namespace brisklet {

// Keeps bytes, selection, caret, lines, fold levels, expanded and visible flags and markers.
// Lines end at LF, CR or CR LF, as in the control. Contracting a header hides its children;
// expanding a hidden header first reveals it, opening every collapsed fold around it. Replacing
// the whole text removes every marker; replacing a range gathers the markers of its lines on its
// first line, which at a line start moves on behind the new text.
class MemoryEditor : public EditorPort {
public:
    explicit MemoryEditor(std::string bytes = {}, int codePage = 0);

    intptr_t Call(unsigned message, uintptr_t wParam = 0, intptr_t lParam = 0) override;
    [[nodiscard]] std::optional<DocumentBytes> ReadDocument() override;
    [[nodiscard]] WriteResult SendText(const TextWrite& write) override;

    // Called after every change of the text, as the IDE recomputes fold levels.
    std::function<void(MemoryEditor&)> OnTextChanged;
    bool ReadOnly = false;
    bool Answers = true;                    // false: reads time out, as a hung editor's would
    bool KnowsContractedFoldNext = true;    // false: an older control, unknown messages answer 0
    const AnsiCodePage* SystemCodePage = nullptr; // handed out with a document that is not UTF-8
    std::vector<unsigned> Messages;         // every message received, in order

    [[nodiscard]] const std::string& Bytes() const { return bytes_; }
    [[nodiscard]] intptr_t Anchor() const { return anchor_; }
    [[nodiscard]] intptr_t Caret() const { return caret_; }
    [[nodiscard]] intptr_t LineCount() const { return static_cast<intptr_t>(lineStarts_.size()); }
    [[nodiscard]] bool LineVisible(intptr_t line) const;
    [[nodiscard]] std::vector<intptr_t> ContractedHeaders() const;
    [[nodiscard]] std::vector<intptr_t> HiddenLines() const;
    // Each marked line with its markers, ascending.
    [[nodiscard]] std::vector<std::pair<intptr_t, int>> Markers() const;

    void SetSelection(intptr_t anchor, intptr_t caret);
    void SetFoldLevel(intptr_t line, int level);
    void FoldLine(intptr_t line, int action);
    // Types bytes at the caret, replacing the selection, as a keystroke does.
    void Type(std::string_view bytes);

private:
    void ReplaceRange(intptr_t start, intptr_t end, std::string_view bytes, bool resetAllLines);
    void ComputeLineStarts();
    [[nodiscard]] intptr_t LineFromPosition(intptr_t position) const;
    [[nodiscard]] intptr_t PositionFromLine(intptr_t line) const;
    [[nodiscard]] intptr_t LastChild(intptr_t header) const;
    [[nodiscard]] intptr_t FoldParent(intptr_t line) const;
    [[nodiscard]] bool IsHeader(intptr_t line) const;
    [[nodiscard]] int LevelNumber(intptr_t line) const;
    void SetVisible(intptr_t first, intptr_t last, bool visible);
    intptr_t ExpandLine(intptr_t line);
    void EnsureLineVisible(intptr_t line);
    void FoldAll(int action);
    [[nodiscard]] intptr_t ClampPosition(intptr_t position) const;

    std::string bytes_;
    int codePage_ = 0;
    intptr_t anchor_ = 0;
    intptr_t caret_ = 0;
    std::vector<intptr_t> lineStarts_;
    std::vector<int> levels_;
    std::vector<bool> expanded_;
    std::vector<bool> visible_;
    std::vector<int> markers_;
};

} // namespace brisklet
