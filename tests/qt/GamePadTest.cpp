#include <gtest/gtest.h>

#include <QApplication>
#include <algorithm>
#include <QDialog>
#include <QTest>
#include <filesystem>
#include <memory>

#include "AppFixture.h"
#include "LaunchFixture.h"
#include "VirtualPad.h"
#include "qt/app/CMainFrame.h"
#include "qt/platform/GamePad.h"
#include "qt/platform/QtProcessRunner.h"
#include "qt/platform/QtWindowControl.h"
#include "qt/views/CFileList.h"

using namespace romshelf;
using romshelf::test::installRecorder;
using romshelf::test::readRecord;

namespace {

// The main frame driven by a pad that exists only in this process (SDL's virtual joystick).
struct PadView : romshelf::test::AppFixture {
    QtProcessRunner runner;
    QtWindowControl windows;
    std::unique_ptr<test::VirtualPad> pad;
    std::unique_ptr<CMainFrame> frame;

    PadView() {
        ports.processes.target = &runner;
        ports.windows.forward = &windows;
    }
    CMainFrame& open(const std::string& code) {
        pad = std::make_unique<test::VirtualPad>();
        app.preferHardware(code);
        frame = std::make_unique<CMainFrame>(app);
        windows.setMainWindow(frame.get());
        frame->startUp();
        frame->gamePad()->poll();
        return *frame;
    }
    // A press and a release, each read by the window as its timer would.
    void tap(int button) {
        pad->set(button, true);
        frame->gamePad()->poll();
        pad->set(button, false);
        frame->gamePad()->poll();
    }
    int currentRow() const { return frame->fileList()->currentIndex().row(); }
};

}  // namespace

TEST_F(PadView, UpAndDownMoveTheSelection) {
    setUpLaunch("FC", emulator("NES", "./emu/nes emu"));
    for (const char* name : {"a.nes", "b.nes", "c.nes"})
        dir.write(std::string("roms/") + name, "R");
    CMainFrame& f = open("FC");
    ASSERT_EQ(f.gamePad()->connected(), 1u);
    ASSERT_EQ(f.fileList()->model()->rowCount(), 3);
    EXPECT_EQ(currentRow(), 0);
    tap(SDL_CONTROLLER_BUTTON_DPAD_DOWN);
    EXPECT_EQ(currentRow(), 1);
    tap(SDL_CONTROLLER_BUTTON_DPAD_DOWN);
    EXPECT_EQ(currentRow(), 2);
    tap(SDL_CONTROLLER_BUTTON_DPAD_UP);
    EXPECT_EQ(currentRow(), 1);
}

TEST_F(PadView, AHeldDownStartsTheGameOnce) {
    const std::string emu = installRecorder(dir.file("emu/nes emu"));
    setUpLaunch("FC", emulator("NES", "./emu/nes emu"));
    dir.write("roms/a.nes", "R");
    CMainFrame& f = open("FC");
    pad->set(SDL_CONTROLLER_BUTTON_A, true);
    f.gamePad()->poll();
    ASSERT_TRUE(readRecord(emu).ran);
    std::filesystem::remove(emu + ".record");
    // Held on across many reads (and the emulator's end): no second start.
    for (int i = 0; i < 30; ++i) {
        QTest::qWait(20);
        f.gamePad()->poll();
    }
    EXPECT_FALSE(readRecord(emu, 300).ran);
    pad->set(SDL_CONTROLLER_BUTTON_A, false);
    f.gamePad()->poll();
    tap(SDL_CONTROLLER_BUTTON_A);  // a new press is a new start
    EXPECT_TRUE(readRecord(emu).ran);
}

TEST_F(PadView, BClosesTheDialogInFront) {
    setUpLaunch("FC", emulator("NES", "./emu/nes emu"));
    CMainFrame& f = open("FC");
    QDialog dialog(&f);
    dialog.setModal(true);
    dialog.show();
    ASSERT_EQ(QApplication::activeModalWidget(), &dialog);
    tap(SDL_CONTROLLER_BUTTON_B);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST_F(PadView, HoldingSelectAndStartEndsTheRunningGameAndItsPlayIsRecorded) {
    installRecorder(dir.file("emu/stay emu"));  // runs until it is ended
    setUpLaunch("FC", emulator("NES", "./emu/stay emu"));
    dir.write("roms/a.nes", "R");
    PlusSettings plus = app.plusSettings();
    plus.padQuitHoldMs = 200;
    app.changePlusSettings(plus);
    CMainFrame& f = open("FC");
    tap(SDL_CONTROLLER_BUTTON_A);
    ASSERT_TRUE(app.launcher().emulatorRunning());
    // While the game runs the pad is the game's: down moves nothing.
    const int row = currentRow();
    tap(SDL_CONTROLLER_BUTTON_DPAD_DOWN);
    EXPECT_EQ(currentRow(), row);
    pad->set(SDL_CONTROLLER_BUTTON_BACK, true);
    pad->set(SDL_CONTROLLER_BUTTON_START, true);
    QTRY_VERIFY_WITH_TIMEOUT((f.gamePad()->poll(), !app.launcher().emulatorRunning()), 10000);
    pad->set(SDL_CONTROLLER_BUTTON_BACK, false);
    pad->set(SDL_CONTROLLER_BUTTON_START, false);
    f.gamePad()->poll();
    EXPECT_EQ(app.recentFileLabels()[0], "&1 a");
    EXPECT_TRUE(
        std::ranges::count(app.systemLog().lines(), "ホットキーでエミュレータを終了します。"));
}

TEST_F(PadView, TheShouldersJumpBetweenLetterGroupsAsTheListSortsThem) {
    setUpLaunch("FC", emulator("NES", "./emu/nes emu"));
    // The list sorts hiragana and katakana as one, and so kana voiced or not: かえる and ガンバレ
    // open one group.
    for (const char* name : {"1942.nes", "apple.nes", "Asteroids.nes", "banana.nes", "かえる.nes",
                             "ガンバレ.nes", "きのこ.nes"})
        dir.write(std::string("roms/") + name, "R");
    CMainFrame& f = open("FC");
    QAbstractItemModel* model = f.fileList()->model();
    ASSERT_EQ(model->rowCount(), 7);
    const auto at = [&] { return model->index(currentRow(), 0).data().toString(); };
    ASSERT_EQ(at(), QStringLiteral("1942"));
    const QString forward[] = {QStringLiteral("apple"), QStringLiteral("banana"),
                               QStringLiteral("かえる"), QStringLiteral("きのこ"),
                               QStringLiteral("きのこ")};  // the last group: no further
    for (const QString& expected : forward) {
        tap(SDL_CONTROLLER_BUTTON_RIGHTSHOULDER);
        EXPECT_EQ(at(), expected);
    }
    const QString back[] = {QStringLiteral("かえる"), QStringLiteral("banana"),
                            QStringLiteral("apple"), QStringLiteral("1942")};
    for (const QString& expected : back) {
        tap(SDL_CONTROLLER_BUTTON_LEFTSHOULDER);
        EXPECT_EQ(at(), expected);
    }
    // The row the pad moves to is the selected one, drawn so.
    EXPECT_TRUE(f.fileList()->selectionModel()->isRowSelected(currentRow(), QModelIndex()));
}
