#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "AppFixture.h"
#include "LaunchFixture.h"
#include "qt/app/CMainFrame.h"
#include "qt/app/CommandIds.h"
#include "qt/app/MainMenu.h"
#include "qt/platform/QtProcessRunner.h"
#include "qt/platform/QtWindowControl.h"
#include "qt/views/CFileList.h"
#include "qt/views/CSystem.h"

using namespace romshelf;
using V = std::vector<std::string>;

namespace {

// The main frame over a program folder, with the window's own process runner and window control.
struct LaunchView : romshelf::test::AppFixture {
    QtProcessRunner runner;
    QtWindowControl windows;
    std::unique_ptr<CMainFrame> frame;

    LaunchView() {
        ports.processes.target = &runner;
        ports.windows.forward = &windows;
    }
    // `code` with ROM folder 1 at roms/ and one emulator.
    void setUpOne(const std::string& code, const EmulatorEntry& entry) {
        setUpHardware(code, "./roms/");
        EmulatorEntries entries{};
        entries[0] = entry;
        writeEmulators(code, entries);
    }
    CMainFrame& open(const std::string& code) {
        app.preferHardware(code);
        frame = std::make_unique<CMainFrame>(app);
        windows.setMainWindow(frame.get());
        frame->startUp();
        return *frame;
    }
    void zipRom(const std::string& member, const std::string& zip) {
        dir.write("pack/" + member, "ROM");
        std::filesystem::create_directories(dir.file("roms"));
        ASSERT_EQ(std::system(("cd '" + dir.file("pack") + "' && zip -q ../roms/" + zip + " *").c_str()), 0);
    }
};

EmulatorEntry emulator(const std::string& name, const std::string& executable,
                       const std::string& commandLine = "") {
    EmulatorEntry e;
    e.name = name;
    e.executable = executable;
    e.commandLine = commandLine;
    return e;
}

bool processRunning(const std::string& program) {
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::ifstream in(entry.path() / "cmdline", std::ios::binary);
        std::string cmdline;
        std::getline(in, cmdline, '\0');
        if (cmdline == program) {
            std::ifstream status(entry.path() / "status");
            std::string line;
            while (std::getline(status, line))
                if (line.rfind("State:", 0) == 0) return line.find('Z') == std::string::npos;
        }
    }
    return false;
}

}  // namespace

TEST_F(LaunchView, DoubleClickingAZippedRomStartsTheEmulatorOnTheUnpackedFile) {
    const std::string emu = romshelf::test::installRecorder(dir.file("emu/snes emu"));
    setUpOne("SFC", emulator("Snes", "./emu/snes emu", "--fullscreen"));
    zipRom("ファイナルファンタジーVI.sfc", "ff6.zip");
    CMainFrame& frame = open("SFC");
    CFileList* list = frame.fileList();
    ASSERT_EQ(list->model()->rowCount(), 1);
    const QRect row = list->visualRect(list->model()->index(0, 0));
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row.center());

    const auto rec = romshelf::test::readRecord(emu);
    ASSERT_TRUE(rec.ran);
    EXPECT_EQ(rec.argv, (V{emu, "--fullscreen", dir.path() + "temp/ファイナルファンタジーVI.sfc"}));
    EXPECT_EQ(rec.workingFolder, dir.path() + "emu");

    // The story in the system window: a command line in red, the rest black.
    const auto shown = app.systemLog().shownLines();
    ASSERT_GE(shown.size(), 3u);
    EXPECT_EQ(shown.front().text, "ff6.zip が指定されました。");
    EXPECT_EQ(shown.front().rgb, 0x000000u);
    EXPECT_EQ(shown[2].text, "> " + emu);
    EXPECT_EQ(shown[2].rgb, 0xFF0000u);
    EXPECT_EQ(shown.back().text, "正常に起動プロセスが終了しました。");
    EXPECT_EQ(frame.systemView()->verticalScrollBar()->value(),
              frame.systemView()->verticalScrollBar()->maximum());

    // The file is now the first recent file, and choosing it starts it again.
    QAction* recent = frame.mainMenu()->action(cmd::RecentFile1);
    EXPECT_TRUE(recent->isVisible());
    EXPECT_EQ(recent->text(), QStringLiteral("&1 ff6"));
    std::filesystem::remove(emu + ".record");
    recent->trigger();
    EXPECT_TRUE(romshelf::test::readRecord(emu).ran);
}

TEST_F(LaunchView, ACloseRequestDuringALaunchWaitsForItAndSavesItsRecentFile) {
    const std::string emu = romshelf::test::installRecorder(dir.file("emu/snes emu"));
    setUpOne("SFC", emulator("Snes", "./emu/snes emu"));
    zipRom("Mario.sfc", "mario.zip");
    CMainFrame& frame = open("SFC");
    // Arrives while the launch repaints its log lines, as a signal or the window's close would.
    QTimer::singleShot(0, &frame, &CMainFrame::requestClose);
    ASSERT_TRUE(app.launchRow(0));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !frame.isVisible(); }, 10000));
    EXPECT_TRUE(romshelf::test::readRecord(emu).ran);
    MainSettings saved;
    DataStream s;
    ASSERT_EQ(loadMainSettings(s, app.mainDataPath(), prompter, saved), LoadResult::Loaded);
    EXPECT_EQ(saved.recentLaunches[static_cast<std::size_t>(hardwareIndexOf("SFC"))][0].fileName,
              "mario.zip");
}

TEST_F(LaunchView, TheWindowWaitsForTheEmulatorWithoutFreezingAndStopsJoyToKeyAfterIt) {
    const std::string emu = romshelf::test::installRecorder(dir.file("emu/pause emu"));
    const std::string joy = romshelf::test::installRecorder(dir.file("joy/stay JoyToKey"));
    EmulatorEntry gb = emulator("GB", emu);
    gb.joyToKeySetting = "pad";
    setUpOne("GB", gb);
    dir.write("roms/tetris.gb", "ROM");
    app.changeSettings([&](MainSettings& m) {
        m.toolPaths[0] = joy;
        m.setOption(Option::MinimiseWhileRunning, true);
    });
    CMainFrame& frame = open("GB");
    ASSERT_TRUE(app.launchRow(0));
    // The launch returned at once; the window is minimised while the emulator runs.
    EXPECT_TRUE(frame.isMinimized());
    EXPECT_FALSE(app.recentFileLabels()[0].has_value());
    ASSERT_TRUE(QTest::qWaitFor([&] { return romshelf::test::readRecord(joy, 0).ran; }, 10000));
    EXPECT_TRUE(processRunning(joy));
    // When it ends, the event loop finishes the launch.
    ASSERT_TRUE(QTest::qWaitFor([&] { return app.recentFileLabels()[0].has_value(); }, 10000));
    EXPECT_EQ(app.systemLog().lines().back(), "正常に起動プロセスが終了しました。");
    EXPECT_FALSE(frame.isMinimized());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !processRunning(joy); }, 10000));
}

TEST_F(LaunchView, AFailureIsShownInRed) {
    setUpHardware("GB", "./roms/");
    dir.write("roms/tetris.gb", "ROM");
    CMainFrame& frame = open("GB");
    frame.systemView()->parentWidget()->resize(400, 200);
    ASSERT_FALSE(app.launchRow(0));  // no emulator is set up
    const QImage image = frame.systemView()->viewport()->grab().toImage();
    int red = 0, black = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 200 && c.green() < 80 && c.blue() < 80) ++red;
            if (c.red() < 60 && c.green() < 60 && c.blue() < 60) ++black;
        }
    }
    EXPECT_GT(red, 20);    // "指定されたエミュレータが正常に設定されていません。"
    EXPECT_GT(black, 20);  // "tetris.gb が指定されました。"
}
