#include "qt/app/FolderSettingsDialog.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "qt/QtText.h"
#include "qt/app/CMainFrame.h"
#include "qt/app/MainMenu.h"
#include "AppFixture.h"

using namespace romshelf;

using FolderSettingsDialogTest = romshelf::test::AppFixture;

TEST_F(FolderSettingsDialogTest, EditsPagesAndSavesTheFile) {
    FolderDialogModel model = app.settingsCommands().openFolderSettings("MD");
    FolderSettingsDialog dialog(app, "MD", model);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("メガドライブのフォルダ設定"));
    EXPECT_FALSE(dialog.previousButton()->isEnabled());
    EXPECT_TRUE(dialog.nextButton()->isEnabled());

    dialog.pathEdit(0)->setText(QStringLiteral("./roms/md"));
    Q_EMIT dialog.pathEdit(0)->textEdited(dialog.pathEdit(0)->text());
    dialog.nextButton()->click();
    EXPECT_TRUE(dialog.previousButton()->isEnabled());
    EXPECT_EQ(dialog.pathEdit(0)->text(), QString());  // folder 6
    dialog.previousButton()->click();
    EXPECT_EQ(dialog.nameEdit(0)->text(), QStringLiteral("md"));

    dialog.displayNameEdit()->setText(QStringLiteral("ジェネシス"));
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(model.displayName, "ジェネシス");
    FolderSettings stored;
    DataStream s;
    ASSERT_EQ(loadFolderSettingsFile(s, dir.file("data/Folder_MD.slb"), prompter, stored),
              LoadResult::Loaded);
    EXPECT_EQ(stored.romFolderPaths[0], "./roms/md");
    EXPECT_EQ(stored.romFolderNames[0], "md");
}

TEST_F(FolderSettingsDialogTest, AFileThatCannotBeWrittenKeepsTheDialogOpen) {
    dir.makeFolder("data/Folder_FC.slb");  // a folder where the file should go
    FolderDialogModel model = app.settingsCommands().openFolderSettings("FC");
    FolderSettingsDialog dialog(app, "FC", model);
    dialog.setResult(QDialog::Rejected);
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    ASSERT_EQ(prompter.boxes().size(), 1u);
    EXPECT_EQ(prompter.boxes()[0].title, "警告");
}

TEST_F(FolderSettingsDialogTest, TheOtherSoftwareCommandOpensItsFormAndOkSavesIt) {
    CMainFrame frame(app);
    frame.startUp();
    ASSERT_TRUE(frame.mainMenu()->action(32841)->isEnabled());
    bool shown = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<FolderSettingsDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        shown = true;
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("その他のソフトのフォルダ設定"));
        EXPECT_EQ(dialog->nameLabel(0)->text(), QStringLiteral("ソフト 1の名前"));
        dialog->pathEdit(0)->setText(qs(dir.file("apps/tool.sh")));
        Q_EMIT dialog->pathEdit(0)->textEdited(dialog->pathEdit(0)->text());
        dialog->snapNameEdit()->setText(QStringLiteral("画面"));
        dialog->accept();
    });
    frame.mainMenu()->action(32841)->trigger();
    ASSERT_TRUE(shown);
    FolderSettings stored;
    DataStream s;
    ASSERT_EQ(loadFolderSettingsFile(s, dir.file("data/Folder_HARD.slb"), prompter, stored),
              LoadResult::Loaded);
    EXPECT_EQ(stored.romFolderNames[0], "tool");
    EXPECT_EQ(stored.snapFolderNames[0], "画面");
    EXPECT_EQ(app.currentCode(), "HARD");  // the first hardware set up becomes current
}
