// The switch table: dispatch of one field by exact comparison, and the two modifiers.
#include "driver/SwitchTable.h"

#include <iterator>

#include "runtime/Strings.h"

namespace brisklet {

namespace {

using enum CleaningOperation;
using enum ViewCommand;

constexpr SwitchEntry Table[] = {
    {u"/removeemptylines", SwitchKind::Cleaning, RemoveEmptyLines, FoldAll,
     "delete every line that holds nothing but spaces and tabs"},
    {u"/removedebuglines", SwitchKind::Cleaning, RemoveDebugLines, FoldAll,
     "delete every line that contains \"Debug \""},
    {u"/removecomments", SwitchKind::Cleaning, RemoveComments, FoldAll,
     "cut every line at the \";\" that starts its comment (not inside a string; lines with ~\" stay)"},
    {u"/removedoublespaces", SwitchKind::Cleaning, RemoveDoubleSpaces, FoldAll,
     "turn every run of two or more spaces into one space"},
    {u"/removeallspaces", SwitchKind::Cleaning, RemoveAllSpaces, FoldAll, "delete every space (tabs stay)"},
    {u"/removespacesatendoflines", SwitchKind::Cleaning, RemoveSpacesAtEndOfLines, FoldAll,
     "delete at the end of every line a run of spaces, then of tabs, three times over"},
    {u"/removespacesatstartoflines", SwitchKind::Cleaning, RemoveSpacesAtStartOfLines, FoldAll,
     "delete at the start of every line a run of spaces, then of tabs, three times over"},
    {u"/converttexttolowercaseletters", SwitchKind::Cleaning, ConvertTextToLowerCase, FoldAll,
     "convert the whole text to lower case"},
    {u"/converttexttouppercaseletters", SwitchKind::Cleaning, ConvertTextToUpperCase, FoldAll,
     "convert the whole text to upper case"},
    {u"/fold", SwitchKind::View, RemoveEmptyLines, FoldAll, "collapse every fold in the editor"},
    {u"/unfold", SwitchKind::View, RemoveEmptyLines, UnfoldAll, "expand every fold in the editor"},
    {u"/converttabtospace", SwitchKind::Cleaning, ConvertTabToSpace, FoldAll,
     "turn the indentation of every line into spaces (a tab counts the IDE's tab width)"},
    {u"/convertspacetotab", SwitchKind::Cleaning, ConvertSpaceToTab, FoldAll,
     "turn the indentation of every line into tabs (the IDE's tab width in spaces makes a tab)"},
    {u"/setcursortotop", SwitchKind::View, RemoveEmptyLines, SetCursorToTop,
     "put the caret at the start of the document"},
    {u"/setcursortobottom", SwitchKind::View, RemoveEmptyLines, SetCursorToBottom,
     "put the caret at the end of the document"},
    {OnlySelectedCode, SwitchKind::Modifier, RemoveEmptyLines, FoldAll,
     "clean only the selection; without a selection do nothing at all"},
    {KeepCursorAndFolds, SwitchKind::Modifier, RemoveEmptyLines, FoldAll,
     "after writing the text back, collapse the folds that were collapsed and return the caret to its line"},
};

} // namespace

const SwitchEntry* SwitchTableBegin() {
    return std::begin(Table);
}

const SwitchEntry* SwitchTableEnd() {
    return std::end(Table);
}

const SwitchEntry* FindSwitch(std::u16string_view field) {
    for (const SwitchEntry& entry : Table) {
        if (entry.Kind != SwitchKind::Modifier && TextEquals(entry.Name, field))
            return &entry;
    }
    return nullptr;
}

bool HasModifier(std::u16string_view switchList, std::u16string_view modifier) {
    return FindFrom(switchList, modifier, 1) > 0;
}

} // namespace brisklet
