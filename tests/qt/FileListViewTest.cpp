#include "qt/views/CFileList.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>

#include "qt/QtText.h"
#include "AppFixture.h"
#include "qt/app/CMainFrame.h"
#include "qt/app/CommandIds.h"
#include "qt/app/MainMenu.h"
#include "qt/app/ToolWindowFrame.h"
#include "qt/views/FileListModel.h"

using namespace romshelf;

namespace {

struct FileListViewTest : romshelf::test::AppFixture {
    std::unique_ptr<CMainFrame> frame;

    void SetUp() override {
        FolderSettings f;
        f.romFolderPaths[0] = "./roms/ok/";
        f.romFolderPaths[1] = "./roms/ng/";
        f.romFolderPaths[2] = "./roms/main/";
        f.renameOkFolder = "./roms/ok/";
        f.renameFailedFolder = "./roms/ng/";
        writeFolderSettings("SFC", f);
        for (const char* p : {"roms/ok/b.sfc", "roms/ng/c.sfc", "roms/main/あいす.sfc", "roms/main/アイス.smc"})
            dir.write(p, "x");
        app.preferHardware("SFC");
        option(Option::RenameOkInBlue);
        option(Option::CountsInMainTitle);
        frame = std::make_unique<CMainFrame>(app);
        frame->startUp();
    }
    void option(Option o) {
        app.changeSettings([o](MainSettings& m) { m.setOption(o, true); });
    }
    QString cell(int row, int column) {
        return frame->fileList()->model()->index(row, column).data().toString();
    }
};

}  // namespace

TEST_F(FileListViewTest, ShowsTheRowsWithTitlesAndColours) {
    CFileList* list = frame->fileList();
    ASSERT_EQ(list->model()->rowCount(), 4);
    EXPECT_EQ(frame->toolWindow(kSlotFileList)->windowTitle(),
              QStringLiteral("ファイルリスト - スーパーファミコン : 全ファイル (ファイル数 : 4)"));
    EXPECT_EQ(frame->windowTitle(),
              QStringLiteral("Romshelf Plus !! - スーパーファミコン : 全ファイル (ファイル数 : 4)"));
    std::map<QString, QColor> colours;
    for (int r = 0; r < 4; ++r) colours[cell(r, 2)] = list->listModel()->textColour(r);
    EXPECT_EQ(colours[QStringLiteral("b.sfc")], QColor(0, 0, 255));
    EXPECT_EQ(colours[QStringLiteral("c.sfc")], QColor(255, 0, 0));
    EXPECT_EQ(colours[QStringLiteral("あいす.sfc")], QColor(0, 0, 0));
    EXPECT_EQ(list->model()->headerData(9, Qt::Horizontal).toString(), QStringLiteral("機種別分類"));
    EXPECT_EQ(list->columnWidth(0), 400);
    EXPECT_EQ(list->columnWidth(10), 0);
}

TEST_F(FileListViewTest, ColumnClicksSortAndCommandsRebuild) {
    CFileList* list = frame->fileList();
    list->horizontalHeader()->sectionClicked(2);  // file names, descending first
    EXPECT_EQ(cell(0, 2), QStringLiteral("アイス.smc"));
    EXPECT_EQ(cell(3, 2), QStringLiteral("b.sfc"));
    list->horizontalHeader()->sectionClicked(2);
    EXPECT_EQ(cell(0, 2), QStringLiteral("b.sfc"));

    frame->mainMenu()->action(cmd::ShowUnregistered)->trigger();
    EXPECT_EQ(list->model()->rowCount(), 4);
    frame->mainMenu()->action(cmd::ShowFavourites)->trigger();
    ASSERT_EQ(list->model()->rowCount(), 1);
    EXPECT_EQ(cell(0, 0), QStringLiteral("ファイルがありません"));

    list->setColumnWidth(10, 80);
    list->setColumnWidth(1, 55);
    frame->mainMenu()->action(cmd::ResetColumnWidths)->trigger();
    EXPECT_EQ(list->columnWidth(10), 0);
    EXPECT_EQ(list->columnWidth(1), 200);
}

TEST_F(FileListViewTest, DoubleClickAndEnterAskToStartARow) {
    CFileList* list = frame->fileList();
    QSignalSpy starts(list, &CFileList::startRequested);
    QSignalSpy shown(list, &CFileList::selectionShown);
    const QRect second = list->visualRect(list->model()->index(1, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second.center());
    EXPECT_EQ(shown.count(), 1);
    EXPECT_EQ(shown.takeFirst().at(0).toInt(), 1);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, second.center());
    ASSERT_GE(starts.count(), 1);
    EXPECT_EQ(starts.takeLast().at(0).toInt(), 1);
    list->selectRow(2);
    QTest::keyClick(list, Qt::Key_Return);
    ASSERT_EQ(starts.count(), 1);
    EXPECT_EQ(starts.takeFirst().at(0).toInt(), 2);
}

TEST_F(FileListViewTest, WidthsGoBackIntoTheSettingsAtShutDown) {
    frame->fileList()->setColumnWidth(3, 77);
    frame->close();
    EXPECT_EQ(app.settings().columnWidths[3], 77);
}

TEST_F(FileListViewTest, SpaceAndRightClickOpenTheRegistrationOnlyForFiles) {
    CFileList* list = frame->fileList();
    QSignalSpy asked(list, &CFileList::registrationRequested);
    list->selectRow(0);
    QTest::keyClick(list, Qt::Key_Space);
    ASSERT_EQ(asked.count(), 1);
    EXPECT_FALSE(asked.takeFirst().at(1).toBool());
    // Two rows selected: the bulk dialog.
    list->selectionModel()->select(list->model()->index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QTest::mouseClick(list->viewport(), Qt::RightButton, {}, list->visualRect(list->model()->index(1, 0)).center());
    ASSERT_EQ(asked.count(), 1);
    EXPECT_TRUE(asked.takeFirst().at(1).toBool());

    // Unowned rows: Space opens the registration, a right click does not.
    dir.write("data/NoHave_SFC.txt", "Gone Game\n");
    option(Option::ListMissingFiles);
    option(Option::NeverSort);
    app.showAll();
    const int unowned = list->model()->rowCount() - 1;
    ASSERT_EQ(list->model()->index(unowned, 10).data().toString(), QStringLiteral("-2"));
    EXPECT_EQ(list->listModel()->textColour(unowned), QColor(160, 160, 160));
    list->clearSelection();
    QTest::mouseClick(list->viewport(), Qt::RightButton, {}, list->visualRect(list->model()->index(unowned, 0)).center());
    EXPECT_EQ(asked.count(), 0);
    list->selectRow(unowned);
    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_EQ(asked.count(), 1);
    asked.clear();

    // The placeholder row opens nothing; and the option switches Space off altogether.
    app.showFavourites();
    list->selectRow(0);
    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_EQ(asked.count(), 0);
    app.showAll();
    option(Option::SpaceKeyDoesNotRegister);
    list->selectRow(0);
    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_EQ(asked.count(), 0);
}
