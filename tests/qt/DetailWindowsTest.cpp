#include <gtest/gtest.h>

#include <utility>

#include <QScrollBar>
#include <QTest>

#include "AppFixture.h"
#include "qt/app/CMainFrame.h"
#include "qt/views/CDataBase.h"
#include "qt/views/CFileData.h"
#include "qt/views/CFileList.h"
#include "qt/views/CMedia.h"

using namespace romshelf;

namespace {

using DetailWindowsView = test::AppFixture;

// Light pixels in the game name's place: the white text (the background is dark).
int whiteInNamePlace(CFileData* view) {
    const QImage shown = view->grab().toImage();
    int white = 0;
    for (int y = 3; y < 18; ++y)
        for (int x = 4; x < 317; ++x) white += qRed(shown.pixel(x, y)) > 160;
    return white;
}

TEST_F(DetailWindowsView, ASelectedRowFillsTheWindowsAndAClearEmptiesThem) {
    FolderSettings f;
    f.romFolderPaths[0] = "./roms/";
    f.mediaFolderPaths[0] = "./media/";
    writeFolderSettings("SFC", f);
    writeRecords("SFC", {{"game", "ドラゴン", "", {}, "", "短いコメント"}});
    dir.write("roms/game.sfc", "ROM");
    DibPicture red;
    red.create(320, 240);
    red.fill({0, 0, 320, 240}, {255, 0, 0});
    ASSERT_TRUE(red.saveBmp(dir.write("media/game.bmp", "")));
    app.preferHardware("SFC");
    CMainFrame frame(app);
    frame.startUp();
    CFileData* info = frame.fileDataView();
    CDataBase* database = frame.databaseView();
    CMedia* media = frame.mediaView();
    EXPECT_EQ(whiteInNamePlace(info), 0);

    CFileList* list = frame.fileList();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(0, 0)).center());
    EXPECT_EQ(info->texts().gameName, "ドラゴン");
    EXPECT_EQ(info->texts().status, "game.sfc - ファイルサイズ : 3 Byte");
    EXPECT_GT(whiteInNamePlace(info), 20);
    EXPECT_EQ(database->text().toStdString(), "短いコメント");
    EXPECT_EQ(database->verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(media->grab().toImage().pixel(160, 120), qRgb(255, 0, 0));

    // A long comment scrolls.
    database->setText(std::string(3000, 'w') + "\n" + std::string(100, '\n'));
    EXPECT_GT(database->verticalScrollBar()->maximum(), 0);

    frame.detailPanesCleared();
    EXPECT_EQ(info->texts(), FileInfoTexts{});
    EXPECT_EQ(whiteInNamePlace(info), 0);
    EXPECT_TRUE(database->text().isEmpty());
    EXPECT_EQ(media->grab().toImage().pixel(160, 120), qRgb(255, 255, 255));
}

TEST_F(DetailWindowsView, MediaScrollBarsFollowTheRoomTheWindowHas) {
    CMedia media(app);
    media.show();
    const auto bars = [&media](int width, int height) {
        media.resize(width, height);
        return std::pair(media.horizontalScrollBar()->maximum() > 0,
                         media.verticalScrollBar()->maximum() > 0);
    };
    EXPECT_EQ(bars(100, 80), std::pair(true, true));
    // Grown from small to the picture's size: the bars go, the picture is whole.
    EXPECT_EQ(bars(320, 240), std::pair(false, false));
    EXPECT_EQ(bars(400, 300), std::pair(false, false));
    // Too short: the vertical bar leaves too little width, so both come.
    EXPECT_EQ(bars(320, 200), std::pair(true, true));
    EXPECT_EQ(bars(360, 200), std::pair(false, true));
}

}  // namespace
