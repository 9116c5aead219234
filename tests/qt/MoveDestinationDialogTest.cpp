#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "AppFixture.h"
#include "qt/app/MoveDestinationDialog.h"

using namespace romshelf;
using namespace Qt::StringLiterals;

namespace {

struct MoveDestinationDialogTest : test::AppFixture {
    MoveDestinationDialogTest() {
        FolderSettings f;
        f.romFolderNames[0] = "FC";
        f.romFolderPaths[0] = "./roms/FC/";
        f.romFolderNames[1] = "未設定";  // a name without a path cannot be chosen
        f.romFolderNames[12] = "RPG";
        f.romFolderPaths[12] = "./roms/RPG/";
        f.romFolderNames[249] = "最後";
        f.romFolderPaths[249] = "./roms/last/";
        writeFolderSettings("FC", f);
        start("FC");
    }
    static QString text(QWidget* dialog, const char* name) {
        return dialog->findChild<QLabel*>(QString::fromLatin1(name))->text();
    }
    static void click(QWidget* dialog, const char* name) {
        QTest::mouseClick(dialog->findChild<QPushButton*>(QString::fromLatin1(name)),
                          Qt::LeftButton);
    }
};

TEST_F(MoveDestinationDialogTest, PagesOfTenFoldersAndAConfirmedChoice) {
    MoveDestinationDialog dialog(app, kSelectedFilesName, 0);
    EXPECT_EQ(text(&dialog, "prompt"), u"選択しているファイル の移動先を指定してください"_s);
    EXPECT_EQ(text(&dialog, "page"), u"ページ 1"_s);
    EXPECT_FALSE(dialog.folderButton(0)->isEnabled());  // the source
    EXPECT_FALSE(dialog.folderButton(1)->isEnabled());  // no path
    EXPECT_FALSE(dialog.findChild<QPushButton*>(u"previous"_s)->isEnabled());
    for (int k = 0; k < 24; ++k) click(&dialog, "next");
    EXPECT_EQ(text(&dialog, "page"), u"ページ 25"_s);
    EXPECT_FALSE(dialog.findChild<QPushButton*>(u"next"_s)->isEnabled());
    EXPECT_EQ(dialog.folderButton(9)->text(), u"最後"_s);
    for (int k = 0; k < 23; ++k) click(&dialog, "previous");
    ASSERT_EQ(dialog.page(), 1);
    ASSERT_TRUE(dialog.folderButton(2)->isEnabled());

    prompter.answer(false);
    QTest::mouseClick(dialog.folderButton(2), Qt::LeftButton);
    EXPECT_FALSE(dialog.destination());
    prompter.answer(true);
    QTest::mouseClick(dialog.folderButton(2), Qt::LeftButton);
    EXPECT_EQ(dialog.destination(), 12);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(prompter.boxes().back().text, "フォルダ 「RPG」 に移動させますか？");
    EXPECT_EQ(prompter.boxes().back().title, "移動確認");
}

}  // namespace
