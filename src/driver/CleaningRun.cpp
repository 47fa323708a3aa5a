// The cleaning run over one editor: read, run the switches in order, write back when changed.
#include "driver/CleaningRun.h"

#include "driver/SwitchTable.h"
#include "editor/EditorPort.h"
#include "editor/EditorText.h"
#include "editor/FoldState.h"
#include "editor/ScintillaMessages.h"
#include "runtime/CodePage.h"
#include "runtime/Strings.h"

namespace brisklet {

namespace {

// A text read in the system code page changes case only where the code page holds the other case.
CaseMaps CaseMapsOf(const DecodedText& read) {
    if (read.CodePage == nullptr)
        return UnicodeCaseMaps();
    return {read.CodePage->Upper.data(), read.CodePage->Lower.data()};
}

void DispatchSwitches(const RunSettings& settings, std::u16string& sourceText, EditorPort& editor,
                      const CaseMaps& caseMaps) {
    for (int i = 1; i <= settings.ParameterCount; ++i) {
        const SwitchEntry* entry = FindSwitch(FieldAt(settings.SwitchList, i, u" "));
        if (entry == nullptr)
            continue;
        if (entry->Kind == SwitchKind::Cleaning)
            ApplyOperation(entry->Operation, sourceText, settings.TabLength, caseMaps);
        else
            RunViewCommand(editor, entry->View);
    }
}

} // namespace

RunOutcome RunCleaning(EditorPort* editor, const RunSettings& settings) {
    if (editor == nullptr)
        return RunOutcome::NoEditor;
    if (editor->Call(SCI_GETREADONLY) != 0)
        return RunOutcome::SkippedReadOnly;
    ByteRange selection{editor->Call(SCI_GETSELECTIONSTART), editor->Call(SCI_GETSELECTIONEND)};
    const bool selectionMode = selection.Start != selection.End;
    if (!selectionMode && HasModifier(settings.SwitchList, OnlySelectedCode))
        return RunOutcome::EndedNoSelection;

    const DecodedText read = ReadEditorText(*editor, selectionMode ? &selection : nullptr);
    std::u16string sourceText = read.Text;
    DispatchSwitches(settings, sourceText, *editor, CaseMapsOf(read));
    if (TextEquals(sourceText, read.Text))
        return RunOutcome::Unchanged;

    const bool keepCursorAndFolds = HasModifier(settings.SwitchList, KeepCursorAndFolds);
    FoldState foldState;
    if (keepCursorAndFolds)
        foldState = CaptureFoldState(*editor);
    // A cursor command may have emptied the selection; the write must replace the bytes
    // the text was read from (the selection when the run began, in whole characters), and
    // nothing else.
    if (selectionMode)
        editor->Call(SCI_SETSEL, static_cast<uintptr_t>(selection.Start), static_cast<intptr_t>(selection.End));
    else if (keepCursorAndFolds)
        ShowFoldedLines(*editor, foldState);
    const bool written = WriteEditorText(*editor, sourceText, read.Encoding, selectionMode, read.CodePage);
    if (keepCursorAndFolds)
        RestoreFoldState(*editor, foldState);
    return written ? RunOutcome::Written : RunOutcome::WriteRefused;
}

} // namespace brisklet
