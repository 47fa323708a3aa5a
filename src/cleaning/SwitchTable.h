// The switch table: dispatch of one field by exact comparison, and the two modifiers.
#pragma once

#include <optional>
#include <string_view>

#include "cleaning/Operations.h"

namespace brisklet {

// What the editor-only switches do to the editor's view; Brisklet.exe runs them.
enum class ViewCommand { FoldAll, UnfoldAll, SetCursorToTop, SetCursorToBottom };

// A row runs a cleaning operation, or a view command, or neither: then it is a modifier.
struct SwitchEntry {
    std::u16string_view Name;
    std::optional<CleaningOperation> Operation;
    std::optional<ViewCommand> View;
    const char* Help;
};

// The fifteen dispatched switches in table order, then the two modifiers.
[[nodiscard]] const SwitchEntry* SwitchTableBegin();
[[nodiscard]] const SwitchEntry* SwitchTableEnd();

constexpr std::u16string_view OnlySelectedCode = u"/onlyselectedcode";
constexpr std::u16string_view KeepCursorAndFolds = u"/keepcursorandfolds";

// The first dispatched row whose switch equals the field exactly; null when none does
// (modifiers, empty fields and unknown words are never dispatched).
[[nodiscard]] const SwitchEntry* FindSwitch(std::u16string_view field);

// A modifier is present when it occurs anywhere in the switch list, also inside a longer word
// ("/onlyselectedcodex"). Kept on purpose: existing tool entries keep doing what they did.
[[nodiscard]] bool HasModifier(std::u16string_view switchList, std::u16string_view modifier);

} // namespace brisklet
