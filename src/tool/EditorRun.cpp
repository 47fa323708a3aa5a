// The cleaning run over one editor: read, run the switches in order, write back when changed.
#include "tool/EditorRun.h"

#include "tool/MovedLines.h"
#include "cleaning/SwitchTable.h"
#include "editor/EditorPort.h"
#include "editor/EditorText.h"
#include "editor/FoldState.h"
#include "editor/ScintillaMessages.h"
#include "editor/UserMarkers.h"
#include "editor/ViewCommands.h"
#include "runtime/CodePage.h"
#include "runtime/Strings.h"

namespace brisklet {

namespace {

// A text read in the system code page changes case only where the code page holds the other case.
CaseMaps CaseMapsOf(const DecodedText& read) {
    if (read.CodePage != nullptr)
        return {read.CodePage->Upper.data(), read.CodePage->Lower.data()};
    return read.Encoding == ByteEncoding::Utf8 ? UnicodeCaseMaps() : SingleByteCaseMaps();
}

// Each view command's message to the editor.
void RunViewCommand(EditorPort& editor, ViewCommand command) {
    switch (command) {
    case ViewCommand::FoldAll:
        return FoldAll(editor);
    case ViewCommand::UnfoldAll:
        return UnfoldAll(editor);
    case ViewCommand::SetCursorToTop:
        return SetCursorToTop(editor);
    case ViewCommand::SetCursorToBottom:
        return SetCursorToBottom(editor);
    }
}

// lineSteps receives what each line operation did to the lines.
void DispatchSwitches(const RunSettings& settings, std::u16string& sourceText, EditorPort& editor,
                      std::vector<LineChanges>& lineSteps, const CaseMaps& caseMaps) {
    for (int i = 1; i <= settings.ParameterCount; ++i) {
        const SwitchEntry* entry = FindSwitch(FieldAt(settings.SwitchList, i, u" "));
        if (entry == nullptr)
            continue;
        if (entry->View) {
            RunViewCommand(editor, *entry->View);
            continue;
        }
        LineChanges changes;
        ApplyOperation(*entry->Operation, sourceText, settings.TabLength, &changes, &caseMaps);
        if (!changes.Dropped.empty())
            lineSteps.push_back(std::move(changes));
    }
}

intptr_t LineOf(EditorPort& editor, int64_t position) {
    return editor.Call(SCI_LINEFROMPOSITION, static_cast<uintptr_t>(position));
}

// Where the text read lies in the editor, before the write. selection is null for the whole
// document.
void PlaceTextInEditor(LineMap& lineMap, EditorPort& editor, const ByteRange* selection, std::u16string_view read,
                       std::u16string_view written) {
    if (selection == nullptr) {
        PlaceText(lineMap, 0, EditorLineCount(read) - 1, written);
        return;
    }
    const intptr_t firstLine = LineOf(editor, selection->Start);
    PlaceText(lineMap, firstLine, LineOf(editor, selection->End), written);
    lineMap.StartsInsideLine =
        editor.Call(SCI_POSITIONFROMLINE, static_cast<uintptr_t>(firstLine)) != selection->Start;
    // Even when the selection reaches the end of the document: a last line heads no fold, and
    // the caret comes to the same line either way.
    lineMap.EndsInsideLine = true;
}

// A written selection that begins with an LF right after a lone CR would make one CR LF line
// end of the two, and the line between them would be lost: its line end is written as CR LF.
void KeepLineAfterLoneCr(EditorPort& editor, const ByteRange& selection, std::u16string& written) {
    if (written.starts_with(u'\n') && selection.Start > 0 &&
        editor.Call(SCI_GETCHARAT, static_cast<uintptr_t>(selection.Start - 1)) == '\r')
        written.insert(0, 1, u'\r');
}

// The whole document is the text written; around a selection only the editor knows the
// lines of the rest.
intptr_t LinesAfterWrite(EditorPort& editor, std::u16string_view written, bool selectionMode) {
    return selectionMode ? editor.Call(SCI_GETLINECOUNT) : EditorLineCount(written);
}

} // namespace

RunOutcome CleanEditor(EditorPort* editor, const RunSettings& settings) {
    if (editor == nullptr)
        return RunOutcome::NoEditor;
    if (editor->Call(SCI_GETREADONLY) != 0)
        return RunOutcome::SkippedReadOnly;
    ByteRange selection{editor->Call(SCI_GETSELECTIONSTART), editor->Call(SCI_GETSELECTIONEND)};
    const bool selectionMode = selection.Start != selection.End;
    if (!selectionMode && HasModifier(settings.SwitchList, OnlySelectedCode))
        return RunOutcome::EndedNoSelection;

    const bool keepCursorAndFolds = HasModifier(settings.SwitchList, KeepCursorAndFolds);
    const EditorRead read = ReadEditorText(*editor, selectionMode ? &selection : nullptr);
    std::u16string sourceText = read.Decoded.Text;
    LineMap lineMap;
    DispatchSwitches(settings, sourceText, *editor, lineMap.Steps, CaseMapsOf(read.Decoded));
    if (TextEquals(sourceText, read.Decoded.Text))
        return RunOutcome::Unchanged;

    if (selectionMode)
        KeepLineAfterLoneCr(*editor, selection, sourceText);
    // Bookmarks and breakpoints always, folds and caret on request: the write removes them all.
    const intptr_t lineCount = editor->Call(SCI_GETLINECOUNT);
    const std::vector<MarkedLine> markers = CaptureUserMarkers(*editor, lineCount);
    FoldState foldState;
    if (keepCursorAndFolds)
        foldState = CaptureFoldState(*editor, lineCount);
    if (keepCursorAndFolds || !markers.empty())
        PlaceTextInEditor(lineMap, *editor, selectionMode ? &selection : nullptr, read.Decoded.Text, sourceText);
    // A cursor command may have emptied the selection; the write must replace the bytes the text
    // was read from (the selection when the run began, in whole characters), and nothing else.
    std::vector<EditorMessage> beforeWrite;
    if (selectionMode)
        beforeWrite.push_back({SCI_SETSEL, static_cast<uintptr_t>(selection.Start), static_cast<intptr_t>(selection.End)});
    else if (keepCursorAndFolds)
        beforeWrite = ShowFoldedLines(foldState);
    const WriteResult written = WriteEditorText(*editor, sourceText, read, selectionMode, beforeWrite);
    // Someone typed since the read: the editor is theirs, untouched, caret and folds included.
    if (written == WriteResult::EditorChanged)
        return RunOutcome::EditorChanged;
    // After a failed write the lines are still the ones captured.
    if (written == WriteResult::Written) {
        const intptr_t linesAfter = LinesAfterWrite(*editor, sourceText, selectionMode);
        if (!markers.empty())
            RestoreUserMarkers(*editor, FollowMarkers(markers, lineMap, linesAfter), selectionMode);
        if (keepCursorAndFolds)
            foldState = FollowLines(foldState, lineMap, linesAfter);
    }
    if (keepCursorAndFolds)
        RestoreFoldState(*editor, foldState);
    return written == WriteResult::Written ? RunOutcome::Written : RunOutcome::WriteRefused;
}

} // namespace brisklet
