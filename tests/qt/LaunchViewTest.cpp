#include <gtest/gtest.h>

#include <QAction>
#include <QScrollBar>
#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <cstdlib>
#include <filesystem>

#include "LaunchFixture.h"
#include "QtText.h"
#include "ScriptedPrompter.h"
#include "TempFolder.h"
#include "app/CMainFrame.h"
#include "app/CommandIds.h"
#include "app/MainMenu.h"
#include "views/CFileList.h"
#include "views/CSystem.h"

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
