#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include <QDropEvent>
#include <QFontMetrics>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>

#include "AppFixture.h"
#include "QtUi.h"
#include "qt/app/CMainFrame.h"
#include "qt/app/ToolWindowFrame.h"
#include "qt/views/CDataBase.h"
#include "qt/views/CFileData.h"
#include "qt/views/CFileList.h"
#include "qt/views/CMedia.h"
#include "qt/views/CSnap.h"
#include "qt/views/WindowsFont.h"

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

    test::clickRow(frame.fileList(), 0);
    EXPECT_EQ(info->texts().gameName, "ドラゴン");
    EXPECT_EQ(info->texts().status, "game.sfc - ファイルサイズ : 3 Byte");
    EXPECT_GT(whiteInNamePlace(info), 20);
    EXPECT_EQ(database->text().toStdString(), "短いコメント");
    EXPECT_EQ(database->verticalScrollBar()->maximum(), 0);
    // The media picture is read beside the event loop.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return media->grab().toImage().pixel(160, 120) == qRgb(255, 0, 0); }, 5000));

    // A long comment scrolls.
    database->setText(std::string(3000, 'w') + "\n" + std::string(100, '\n'));
    EXPECT_GT(database->verticalScrollBar()->maximum(), 0);

    frame.detailPanesCleared();
    EXPECT_EQ(info->texts(), FileInfoTexts{});
    EXPECT_EQ(whiteInNamePlace(info), 0);
    EXPECT_TRUE(database->text().isEmpty());
    EXPECT_EQ(media->grab().toImage().pixel(160, 120), qRgb(255, 255, 255));
}

TEST_F(DetailWindowsView, TheStatusLineShortensTheNameAndKeepsTheSizeWhole) {
    CFileData info(app);
    const QFontMetrics metrics(windowsFont("ＭＳ Ｐゴシック", 12));
    // (status, whether it fits its 248 pixels as it is)
    const std::pair<const char*, bool> cases[] = {
        {"game.sfc - ファイルサイズ : 3 Byte", true},
        {"Hoshizora Demo (J).nes - ファイルサイズ : 24 KB", false},
        {"Tetsu no Shiro to Umi no Soko to Hanabi Taikai (J).md - ファイルサイズ : 319 Byte",
         false},
    };
    for (const auto& [status, fits] : cases) {
        FileInfoTexts texts;
        texts.status = status;
        info.showTexts(texts);
        const QString full = QString::fromUtf8(status), shown = info.statusShown();
        EXPECT_LE(metrics.horizontalAdvance(shown), 248) << status;
        if (fits) {
            EXPECT_EQ(shown, full);
            continue;
        }
        const QString size = full.mid(full.indexOf(u" - "));
        EXPECT_TRUE(shown.endsWith(size)) << shown.toStdString();
        EXPECT_TRUE(shown.contains(u'…')) << shown.toStdString();
        EXPECT_TRUE(shown.startsWith(full.left(3))) << shown.toStdString();
    }
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

using MediaWindowTest = test::AppFixture;

// What a selection's media do when the window changes before they arrive: a clear or another
// selection drops them (picture and sounds), a launch lets the picture show but not sound.
TEST_F(MediaWindowTest, MediaOnTheirWayGiveWayToWhatCameMeanwhile) {
    FolderSettings f;
    f.romFolderPaths[0] = "./roms/";
    f.mediaFolderPaths[0] = "./media/";
    writeFolderSettings("SFC", f);
    app.preferHardware("SFC");
    app.startUp();
    DibPicture red;
    red.create(320, 240);
    red.fill({0, 0, 320, 240}, {255, 0, 0});
    ASSERT_TRUE(red.saveBmp(dir.write("media/game.bmp", "")));
    dir.write("media/game.mid", "MThd");
    dir.write("media/other.wav", "RIFF");
    const QRgb redPixel = qRgb(255, 0, 0), white = qRgb(255, 255, 255);
    CMedia media(app);
    media.resize(320, 240);
    const auto centre = [&] { return media.grab().toImage().pixel(160, 120); };
    const auto plays = [&] {
        std::vector<std::string> played;
        for (const std::string& c : ports.sound.calls)
            if (c != "stop") played.push_back(fs::pathName(c.substr(5)));
        ports.sound.calls.clear();
        return played;
    };
    const auto settle = [] { QTest::qWait(200); };

    media.selectFile("game.sfc", 0);
    EXPECT_EQ(centre(), white);  // not yet: nothing is read on the event loop
    ASSERT_TRUE(QTest::qWaitFor([&] { return centre() == redPixel; }, 5000));
    EXPECT_EQ(plays(), std::vector<std::string>{"game.mid"});
    EXPECT_EQ(media.found().picture, dir.file("media/game.bmp"));

    // Cleared before they arrive: white, silent, and nothing turns up later.
    media.clearSelection();
    media.selectFile("game.sfc", 0);
    media.clearSelection();
    settle();
    EXPECT_EQ(centre(), white);
    EXPECT_EQ(plays(), std::vector<std::string>{});
    EXPECT_EQ(media.found().picture, "");

    // Another selection before the first one's arrive: only the second one's.
    media.selectFile("game.sfc", 0);
    media.selectFile("other.sfc", 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !media.found().wave.empty(); }, 5000));
    settle();
    EXPECT_EQ(centre(), white);
    EXPECT_EQ(plays(), std::vector<std::string>{"other.wav"});

    // A game started before they arrive: the picture shows, the sound stays silent until the
    // next selection.
    media.selectFile("game.sfc", 0);
    media.launching();
    ASSERT_TRUE(QTest::qWaitFor([&] { return centre() == redPixel; }, 5000));
    EXPECT_EQ(plays(), std::vector<std::string>{});
    media.selectFile("other.sfc", 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !ports.sound.calls.empty(); }, 5000));
    EXPECT_EQ(centre(), white);
    EXPECT_EQ(plays(), std::vector<std::string>{"other.wav"});
}

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

    test::clickRow(frame.fileList(), 0);
    // Read beside the event loop, shown when it arrives.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !snap->model().snapPath().empty(); }, 5000));
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

    // With the option on, the folders take turns on the application's clock until it is off.
    std::vector<std::string> waits;
    ports.clock.journal = &waits;
    ports.clock.queue = true;
    const auto nextTick = [&] {
        auto tick = std::move(ports.clock.queued.front());
        ports.clock.queued.erase(ports.clock.queued.begin());
        tick();
    };
    app.changeSettings(
        [](MainSettings& m) { m.setOption(Option::SwitchSnapFolderEverySecond, true); });
    snap->clearSelection();
    EXPECT_EQ(waits, std::vector<std::string>{"wait 1200"});
    test::clickRow(frame.fileList(), 0);
    nextTick();
    EXPECT_EQ(tool->windowTitle().toStdString(), "スナップウィンドウ : タイトル");
    EXPECT_EQ(waits.size(), 2u);
    app.changeSettings(
        [](MainSettings& m) { m.setOption(Option::SwitchSnapFolderEverySecond, false); });
    snap->clearSelection();
    nextTick();
    EXPECT_EQ(tool->windowTitle().toStdString(), "スナップウィンドウ : タイトル");
    EXPECT_TRUE(ports.clock.queued.empty());
}

// A snap read beside the event loop arrives after the row's choice; a click that moves to the
// next folder meanwhile wins: the snap on its way is not shown over that folder's picture.
TEST_F(SnapWindowTest, ASnapOnItsWayGivesWayToAClickMeanwhile) {
    FolderSettings f;
    f.romFolderPaths[0] = "./roms/";
    f.snapFolderNames = {"タイトル", "プレイ中"};
    f.snapFolderPaths = {"./snaps/title/", "./snaps/play/"};
    writeFolderSettings("SFC", f);
    dir.write("roms/game.sfc", "ROM");
    for (const char* folder : {"snaps/title", "snaps/play"}) dir.makeFolder(folder);
    DibPicture big;  // large, so that reading it takes a while
    big.create(2000, 2000);
    big.fill({0, 0, 2000, 2000}, {255, 0, 0});
    ASSERT_TRUE(big.saveBmp(dir.file("snaps/title/game.bmp")));
    app.preferHardware("SFC");
    CMainFrame frame(app);
    frame.startUp();
    CSnap* snap = frame.snapView();
    ASSERT_TRUE(snap);
    const QRgb noSnap = snap->grab().toImage().pixel(160, 60);
    for (int round = 0; round < 5; ++round) {
        test::clickRow(frame.fileList(), 0);
        QTest::mouseClick(snap, Qt::LeftButton, {}, QPoint(10, 10));  // to プレイ中: no snap
        QTest::qWait(300);
        EXPECT_EQ(app.snapSlot(), 1);
        EXPECT_EQ(snap->model().snapPath(), "");
        EXPECT_EQ(snap->grab().toImage().pixel(160, 60), noSnap);
        // Back to the first folder, nothing selected, for the next round.
        QTest::mouseClick(snap, Qt::LeftButton, {}, QPoint(10, 10));
        frame.fileList()->clearSelection();
        snap->clearSelection();
    }
}

}  // namespace
