#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "AppFixture.h"
#include "core/text/TextCodec.h"
#include "qt/app/GameListDialog.h"

using namespace romshelf;
using namespace Qt::StringLiterals;

namespace {

struct GameListDialogTest : test::AppFixture {
    GameListDialogTest() {
        setUpHardware("FC", "./roms/");
        dir.write("roms/Alpha.nes", "a");
        RomRecord alpha = record("Alpha", "Alpha");
        alpha.rating = 1;
        alpha.classes[0] = "ACT";
        writeRecords("FC", {alpha});
        start("FC");
    }
    QColor noteColour(GameListDialog& dialog, const QString& text) {
        for (QLabel* label : dialog.findChildren<QLabel*>())
            if (label->text() == text) return label->palette().color(QPalette::WindowText);
        return {};
    }
};

TEST_F(GameListDialogTest, OpensWithNothingOnAndHandsOverTheChoices) {
    GameListDialog dialog(app);
    EXPECT_EQ(dialog.windowTitle(), u"ゲームリストの作成"_s);
    const auto names = app.categoryNames();
    EXPECT_EQ(dialog.item(0)->text(), u"ファイル名"_s);
    EXPECT_EQ(dialog.item(2)->text(), u"評価"_s);
    EXPECT_EQ(dialog.item(3)->text(), QString::fromStdString(names[0]));
    EXPECT_EQ(dialog.item(8)->text(), QString::fromStdString(names[5]));
    for (int k = 0; k < GameListDialog::kItemCount; ++k) EXPECT_FALSE(dialog.item(k)->isChecked());
    EXPECT_FALSE(dialog.csvBox()->isChecked());
    EXPECT_EQ(dialog.folderEdit()->text() + u'/', QString::fromStdString(dir.path()));
    EXPECT_EQ(noteColour(dialog, u"現在ファイルリストに表示されている内容をリスト化できます"_s),
              QColor(128, 0, 0));
    EXPECT_EQ(noteColour(dialog, u"ゲーム名の他にリストに表示する項目を指定してください"_s),
              QColor(0, 0, 128));
    EXPECT_EQ(noteColour(dialog, u"リストファイルの出力先を指定します"_s), QColor(0, 128, 0));

    // The folder picker starts at the last folder chosen and fills the field.
    const std::string out = dir.makeFolder("out");
    prompter.pickFolder(out);
    QTest::mouseClick(dialog.browseButton(), Qt::LeftButton);
    EXPECT_EQ(prompter.pickers.back().first, kGameListFolderTitle);
    EXPECT_EQ(prompter.pickers.back().second + "/", dir.path());
    EXPECT_EQ(dialog.folderEdit()->text(), QString::fromStdString(out));
    EXPECT_EQ(app.browseFolder(), out);

    dialog.item(2)->setChecked(true);
    dialog.item(3)->setChecked(true);
    dialog.secondLineBox()->setChecked(true);
    QTest::mouseClick(dialog.createButton(), Qt::LeftButton);
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    const GameListOptions& o = dialog.options();
    EXPECT_TRUE(o.rating && o.categories[0] && o.secondLine);
    EXPECT_FALSE(o.fileName || o.categories[1] || o.hardwareClass || o.csv || o.blankLines);
    ASSERT_TRUE(createGameList(app, o));
    EXPECT_TRUE(
        text::decodeTextFile(dir.read("out/gamelist_fc.txt")).ends_with("・Alpha\n\t (★ : ACT)\n"));
}

}  // namespace
