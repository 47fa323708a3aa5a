// The switch table: dispatch of one field by exact comparison in table order, and the modifiers.
#include <gtest/gtest.h>

#include "cleaning/SwitchTable.h"

namespace brisklet {
namespace {

TEST(SwitchTable, DispatchesExactlyInTableOrder) {
    const std::u16string_view dispatched[] = {
        u"/removeemptylines", u"/removedebuglines", u"/removecomments", u"/removedoublespaces",
        u"/removeallspaces", u"/removespacesatendoflines", u"/removespacesatstartoflines",
        u"/converttexttolowercaseletters", u"/converttexttouppercaseletters", u"/fold", u"/unfold",
        u"/converttabtospace", u"/convertspacetotab", u"/setcursortotop", u"/setcursortobottom",
    };
    ASSERT_EQ(SwitchTableEnd() - SwitchTableBegin(), 17);
    for (size_t i = 0; i < std::size(dispatched); ++i) {
        SCOPED_TRACE(i);
        const SwitchEntry* entry = FindSwitch(dispatched[i]);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry, SwitchTableBegin() + i);
    }
    EXPECT_EQ(FindSwitch(u"/fold")->View, ViewCommand::FoldAll);
    EXPECT_EQ(FindSwitch(u"/unfold")->View, ViewCommand::UnfoldAll);
    EXPECT_EQ(FindSwitch(u"/converttabtospace")->Operation, CleaningOperation::ConvertTabToSpace);
    for (const std::u16string_view ignored : {u"", u"/onlyselectedcode", u"/keepcursorandfolds", u"/Fold",
                                               u"/fold ", u"fold", u"/removecomment", u"/removecommentsx"}) {
        EXPECT_EQ(FindSwitch(ignored), nullptr);
    }
}

TEST(SwitchTable, ModifiersAreFoundAnywhereEvenInsideLongerWords) {
    EXPECT_TRUE(HasModifier(u"/fold /onlyselectedcode ", OnlySelectedCode));
    EXPECT_TRUE(HasModifier(u"/onlyselectedcodeplease ", OnlySelectedCode));
    EXPECT_TRUE(HasModifier(u"x/keepcursorandfolds ", KeepCursorAndFolds));
    EXPECT_FALSE(HasModifier(u"/keepcursor andfolds ", KeepCursorAndFolds));
    EXPECT_FALSE(HasModifier(u"", OnlySelectedCode));
}

} // namespace
} // namespace brisklet
