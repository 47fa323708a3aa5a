// The switch table: dispatch of one field by exact comparison, and the two modifiers.
#include "cleaning/SwitchTable.h"

#include <iterator>

#include "runtime/Strings.h"

namespace brisklet {

namespace {

using enum CleaningOperation;
using enum ViewCommand;

constexpr SwitchEntry Table[] = {
    {u"/removeemptylines", RemoveEmptyLines, {}, "delete every line that holds nothing but spaces and tabs"},
    {u"/removedebuglines", RemoveDebugLines, {}, "delete every line that contains \"Debug \""},
    {u"/removecomments", RemoveComments, {},
     "cut every line at the \";\" that starts its comment (not inside a string; lines with ~\" stay)"},
    {u"/removedoublespaces", RemoveDoubleSpaces, {}, "turn every run of two or more spaces into one space"},
    {u"/removeallspaces", RemoveAllSpaces, {}, "delete every space (tabs stay)"},
    {u"/removespacesatendoflines", RemoveSpacesAtEndOfLines, {},
     "delete at the end of every line a run of spaces, then of tabs, three times over"},
    {u"/removespacesatstartoflines", RemoveSpacesAtStartOfLines, {},
     "delete at the start of every line a run of spaces, then of tabs, three times over"},
    {u"/converttexttolowercaseletters", ConvertTextToLowerCase, {}, "convert the whole text to lower case"},
    {u"/converttexttouppercaseletters", ConvertTextToUpperCase, {}, "convert the whole text to upper case"},
    {u"/fold", {}, FoldAll, "collapse every fold in the editor"},
    {u"/unfold", {}, UnfoldAll, "expand every fold in the editor"},
    {u"/converttabtospace", ConvertTabToSpace, {},
     "turn the indentation of every line into spaces (a tab counts the IDE's tab width)"},
    {u"/convertspacetotab", ConvertSpaceToTab, {},
     "turn the indentation of every line into tabs (the IDE's tab width in spaces makes a tab)"},
    {u"/setcursortotop", {}, SetCursorToTop, "put the caret at the start of the document"},
    {u"/setcursortobottom", {}, SetCursorToBottom, "put the caret at the end of the document"},
    {OnlySelectedCode, {}, {}, "clean only the selection; without a selection do nothing at all"},
    {KeepCursorAndFolds, {}, {},
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
        if ((entry.Operation || entry.View) && TextEquals(entry.Name, field))
            return &entry;
    }
    return nullptr;
}

bool HasModifier(std::u16string_view switchList, std::u16string_view modifier) {
    return FindFrom(switchList, modifier, 1) > 0;
}

} // namespace brisklet
