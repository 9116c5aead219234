#include "qt/views/CSnap.h"

#include <gtest/gtest.h>

#include <QDropEvent>
#include <QMimeData>
#include <QTest>

#include "AppFixture.h"
#include "qt/app/CMainFrame.h"
#include "qt/app/ToolWindowFrame.h"
#include "qt/views/CFileList.h"

using namespace romshelf;

namespace {

using SnapWindowTest = test::AppFixture;

TEST_F(SnapWindowTest, ASelectedRowShowsItsSnapAndAClickTheNextFolder) {
    FolderSettings f;
    f.romFolderPaths[0] = "./roms/";
    f.snapFolderNames = {"タイトル", "", "プレイ中"};
    f.snapFolderPaths = {"./snaps/title/", "", "./snaps/play/"};
    writeFolderSettings("SFC", f);
    dir.write("roms/game.sfc", "ROM");
    DibPicture red;
    red.create(320, 240);
    red.fill({0, 0, 320, 240}, {255, 0, 0});
    for (const char* folder : {"snaps/title", "snaps/play"}) dir.makeFolder(folder);
    ASSERT_TRUE(red.saveBmp(dir.file("snaps/title/game.bmp")));
    app.preferHardware("SFC");
    CMainFrame frame(app);
    frame.startUp();
    CSnap* snap = frame.snapView();
    ToolWindowFrame* tool = frame.toolWindow(kSlotSnap);
    ASSERT_TRUE(snap);
    EXPECT_EQ(tool->windowTitle().toStdString(), "スナップウィンドウ : タイトル");
    const QRgb shownBefore = snap->grab().toImage().pixel(160, 60);

    CFileList* list = frame.fileList();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(0, 0)).center());
    EXPECT_EQ(snap->model().snapPath(), dir.file("snaps/title/game.bmp"));
    EXPECT_EQ(snap->grab().toImage().pixel(160, 120), qRgb(255, 0, 0));

    QTest::mouseClick(snap, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(tool->windowTitle().toStdString(), "スナップウィンドウ : プレイ中");
    EXPECT_EQ(app.snapSlot(), 2);
    EXPECT_EQ(snap->grab().toImage().pixel(160, 60), shownBefore);  // the no-snap picture

    QMimeData data;  // the first folder's snap dropped here becomes this folder's
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(dir.file("snaps/title/game.bmp")))});
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
    static_cast<QObject*>(snap)->event(&drop);  // as from a drag; no drag runs offscreen
    EXPECT_EQ(snap->model().snapPath(), dir.file("snaps/play/game.bmp"));
}

}  // namespace
