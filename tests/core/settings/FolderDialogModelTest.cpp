#include "core/settings/FolderDialogModel.h"

#include <gtest/gtest.h>

#include <optional>

#include "ScriptedPrompter.h"
#include "TempFolder.h"

using namespace romshelf;

TEST(FolderDialogModel, PagesOfFiveAndTheirLabels) {
    FolderDialogModel m(FolderSettings{}, "FC", "/opt/r/");
    EXPECT_EQ(m.pageLabel(), "ページ 1");
    EXPECT_EQ(m.nameLabel(0), "ロムフォルダ1の名前");
    EXPECT_EQ(m.pathLabel(4), "ロムフォルダ5の場所");
    EXPECT_FALSE(m.canGoPrevious());
    EXPECT_TRUE(m.canGoNext());
    for (int i = 0; i < 60; ++i) m.nextPage();  // stops at the last page
    EXPECT_EQ(m.page(), 49);
    EXPECT_EQ(m.pageLabel(), "ページ 50");
    EXPECT_EQ(m.nameLabel(0), "ロムフォルダ246の名前");
    EXPECT_EQ(m.pathLabel(4), "ロムフォルダ250の場所");
    EXPECT_FALSE(m.canGoNext());
    m.previousPage();
    EXPECT_TRUE(m.canGoNext());
    EXPECT_TRUE(m.canGoPrevious());
}

TEST(FolderDialogModel, LeavingAPageNamesRowsAfterTheirFolder) {
    FolderDialogModel m(FolderSettings{}, "SFC", "/opt/r/");
    m.path(0) = "/games/snes";
    m.path(1) = "/games/snes/";  // no last component: no name
    m.path(2) = "/games/sfc";
    m.name(2) = "kept";
    m.nextPage();
    EXPECT_EQ(m.settings().romFolderNames[0], "snes");
    EXPECT_EQ(m.settings().romFolderNames[1], "");
    EXPECT_EQ(m.settings().romFolderNames[2], "kept");
    // Rows of the page being left only: page 2 is untouched until it is left.
    m.path(0) = "/games/md";
    EXPECT_EQ(m.settings().romFolderNames[5], "");
    m.previousPage();
    EXPECT_EQ(m.settings().romFolderNames[5], "md");
}

TEST(FolderDialogModel, RegisteringSubfoldersTwiceAddsNothingTheSecondTime) {
    romshelf::test::TempFolder dir;
    romshelf::test::ScriptedPrompter prompter;
    for (const char* f : {"roms/b", "roms/a", "roms/ファミコン", "roms/with space"}) dir.makeFolder(f);
    dir.write("roms/file.nes", "x");
    FolderSettings start;
    start.romFolderPaths[0] = dir.path() + "roms/a";  // already a ROM folder (without the slash)
    start.romFolderPaths[1] = "/elsewhere/";
    FolderDialogModel m(start, "FC", dir.path());

    prompter.answer(false);  // "No": nothing happens
    EXPECT_EQ(m.registerSubfolders(prompter), 0);
    EXPECT_TRUE(prompter.pickers.empty());

    prompter.answer(true);
    prompter.pickFolder(dir.path() + "roms");
    EXPECT_EQ(m.registerSubfolders(prompter), 3);
    EXPECT_EQ(prompter.boxes().back().title, "フォルダ登録確認");
    EXPECT_EQ(prompter.pickers.back().first, "フォルダを選択してください。");
    EXPECT_EQ(prompter.pickers.back().second, dir.path());
    const auto& s = m.settings();
    EXPECT_EQ(s.romFolderPaths[2], dir.path() + "roms/b/");
    EXPECT_EQ(s.romFolderNames[2], "b");
    EXPECT_EQ(s.romFolderNames[3], "with space");
    EXPECT_EQ(s.romFolderNames[4], "ファミコン");
    EXPECT_EQ(s.romFolderPaths[5], "");

    prompter.answer(true);
    prompter.pickFolder(dir.path() + "roms/");
    EXPECT_EQ(m.registerSubfolders(prompter), 0);

    prompter.answer(true);
    prompter.pickFolder(std::nullopt);  // cancelled picker
    EXPECT_EQ(m.registerSubfolders(prompter), 0);
    EXPECT_TRUE(prompter.allAnswersUsed());
}

TEST(FolderDialogModel, RegistrationStopsWhenEverySlotIsTaken) {
    romshelf::test::TempFolder dir;
    romshelf::test::ScriptedPrompter prompter;
    dir.makeFolder("roms/x");
    FolderSettings full;
    for (int i = 0; i < kRomFolderCount; ++i) full.romFolderPaths[i] = "/f/" + std::to_string(i) + "/";
    FolderDialogModel m(full, "FC", dir.path());
    prompter.answer(true);
    prompter.pickFolder(dir.path() + "roms");
    EXPECT_EQ(m.registerSubfolders(prompter), 0);
    EXPECT_TRUE(m.settings() == full);
}
