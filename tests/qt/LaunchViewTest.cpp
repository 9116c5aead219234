#include <gtest/gtest.h>

#include <QAction>
#include <QScrollBar>
#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "LaunchFixture.h"
#include "qt/QtText.h"
#include "ScriptedPrompter.h"
#include "TempFolder.h"
#include "qt/app/CMainFrame.h"
#include "qt/app/CommandIds.h"
#include "qt/app/MainMenu.h"
#include "qt/views/CFileList.h"
#include "qt/views/CSystem.h"

using namespace romshelf;
using V = std::vector<std::string>;

TEST(LaunchView, DoubleClickingAZippedRomStartsTheEmulatorOnTheUnpackedFile) {
    romshelf::test::TempFolder dir;
    romshelf::test::ScriptedPrompter prompter;
    Application app(ProgramFolder(dir.path()), prompter);
    app.createFolders();
    const std::string emu = romshelf::test::installRecorder(dir.file("emu/snes emu"));
    EmulatorEntries entries{};
    entries[0] = EmulatorEntry{};
    entries[0].name = "Snes";
    entries[0].executable = "./emu/snes emu";
    entries[0].commandLine = "--fullscreen";
    FolderSettings folders;
    folders.romFolderPaths[0] = "./roms/";
    DataStream s;
    ASSERT_TRUE(saveFolderSettingsFile(s, dir.file("data/Folder_SFC.slb"), folders));
    ASSERT_TRUE(saveEmulatorFile(s, dir.file("data/Emulator_SFC.slb"), entries));
    dir.write("pack/ファイナルファンタジーVI.sfc", "ROM");
    std::filesystem::create_directories(dir.file("roms"));
    ASSERT_EQ(std::system(("cd '" + dir.file("pack") + "' && zip -q ../roms/ff6.zip *.sfc").c_str()), 0);
    app.settings().currentHardware = "SFC";

    CMainFrame frame(app);
    frame.startUp();
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
    EXPECT_EQ(frame.systemView()->verticalScrollBar()->value(), frame.systemView()->verticalScrollBar()->maximum());

    // The file is now the first recent file, and choosing it starts it again.
    QAction* recent = frame.mainMenu()->action(cmd::RecentFile1);
    EXPECT_TRUE(recent->isVisible());
    EXPECT_EQ(recent->text(), QStringLiteral("&1 ff6"));
    std::filesystem::remove(emu + ".record");
    recent->trigger();
    EXPECT_TRUE(romshelf::test::readRecord(emu).ran);
}

namespace {

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

TEST(LaunchView, TheWindowWaitsForTheEmulatorWithoutFreezingAndStopsJoyToKeyAfterIt) {
    romshelf::test::TempFolder dir;
    romshelf::test::ScriptedPrompter prompter;
    Application app(ProgramFolder(dir.path()), prompter);
    app.createFolders();
    const std::string emu = romshelf::test::installRecorder(dir.file("emu/pause emu"));
    const std::string joy = romshelf::test::installRecorder(dir.file("joy/stay JoyToKey"));
    EmulatorEntries entries{};
    entries[0].name = "GB";
    entries[0].executable = emu;
    entries[0].joyToKeySetting = "pad";
    FolderSettings folders;
    folders.romFolderPaths[0] = "./roms/";
    DataStream s;
    ASSERT_TRUE(saveFolderSettingsFile(s, dir.file("data/Folder_GB.slb"), folders));
    ASSERT_TRUE(saveEmulatorFile(s, dir.file("data/Emulator_GB.slb"), entries));
    dir.write("roms/tetris.gb", "ROM");
    app.settings().currentHardware = "GB";
    app.settings().toolPaths[0] = joy;
    app.settings().setOption(Option::MinimiseWhileRunning, true);

    CMainFrame frame(app);
    frame.startUp();
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

TEST(LaunchView, AFailureIsShownInRed) {
    romshelf::test::TempFolder dir;
    romshelf::test::ScriptedPrompter prompter;
    Application app(ProgramFolder(dir.path()), prompter);
    app.createFolders();
    FolderSettings folders;
    folders.romFolderPaths[0] = "./roms/";
    DataStream s;
    ASSERT_TRUE(saveFolderSettingsFile(s, dir.file("data/Folder_GB.slb"), folders));
    dir.write("roms/tetris.gb", "ROM");
    app.settings().currentHardware = "GB";
    CMainFrame frame(app);
    frame.startUp();
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
