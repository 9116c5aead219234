#include "core/database/CategoryOrganiser.h"

#include <gtest/gtest.h>

using romshelf::CategoryOrganiser;
using V = std::vector<std::string>;

TEST(CategoryOrganiser, SortsByShiftJisBytesAndMovesBetweenTheLists) {
    // By Shift-JIS bytes full-width letters (82 60) come before hiragana (82 A0) and katakana
    // (83 41); by UTF-8 bytes the order would be the other way round.
    CategoryOrganiser o(1, "分類 2", {"RPG", "アクション", "ＡＣＴ", "ACT", "あ", "SLG"});
    EXPECT_EQ(o.title(), "分類 2の項目を整理");
    o.selectCurrent(0);
    o.sort();
    EXPECT_EQ(o.current(), (V{"ACT", "RPG", "SLG", "ＡＣＴ", "あ", "アクション"}));
    EXPECT_EQ(o.currentSelection(), 1);  // RPG, still

    o.selectCurrent(5);
    o.moveDown();  // the last stays last
    o.moveToDelete();
    EXPECT_EQ(o.renameText, "あ");  // no item followed: the new last one
    o.moveUp();
    o.moveToDelete();  // あ goes; ＡＣＴ, which followed it, is selected
    EXPECT_EQ(o.renameText, "ＡＣＴ");
    o.selectToDelete(0);
    o.moveBack();
    o.moveAllToDelete();
    o.moveAllBack();  // あ was left in the delete list, the rest came after it
    EXPECT_EQ(o.current(), (V{"あ", "ACT", "RPG", "SLG", "ＡＣＴ", "アクション"}));

    o.addText = "RPG";  // there already: only the edit is cleared
    o.add();
    EXPECT_EQ(o.addText, "");
    EXPECT_EQ(o.current().size(), 6u);
    o.selectCurrent(1);
    o.renameText = "ACT";  // the selected item's own text counts too
    EXPECT_EQ(o.checkRename(), CategoryOrganiser::RenameCheck::Duplicate);
}
