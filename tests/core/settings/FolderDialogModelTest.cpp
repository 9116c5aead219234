#include "core/settings/FolderDialogModel.h"

#include <gtest/gtest.h>

#include <optional>

#include "DataFileFixtures.h"

using namespace romshelf;

namespace {
using FolderDialogModelTest = romshelf::test::DataFileTest;
}

TEST(FolderDialogModel, PagesOfFiveAndTheirLabels) {
    FolderDialogModel m(FolderSettings{}, "FC", "/opt/r/");
    EXPECT_EQ(m.pageLabel(), "ページ 1");
    EXPECT_EQ(m.nameLabel(0), "ロムフォルダ1の名前");
    EXPECT_EQ(m.pathLabel(4), "ロムフォルダ5の場所");
    EXPECT_FALSE(m.canGoPrevious());
    for (int i = 0; i < 60; ++i) m.nextPage();  // stops at the last page
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
    const auto& names = m.settings().romFolderNames;
    EXPECT_EQ(names[0], "snes");
    EXPECT_EQ(names[1], "");
    EXPECT_EQ(names[2], "kept");
    // Rows of the page being left only: page 2 is untouched until it is left.
    m.path(0) = "/games/md";
    EXPECT_EQ(names[5], "");
    m.previousPage();
    EXPECT_EQ(names[5], "md");
}

TEST_F(FolderDialogModelTest, RegisteringSubfoldersTwiceAddsNothingTheSecondTime) {
    for (const char* f : {"roms/b", "roms/a", "roms/ファミコン", "roms/with space"})
        dir.makeFolder(f);
    dir.write("roms/file.nes", "x");
    FolderSettings start;
    start.romFolderPaths[0] = dir.path() + "roms/a";  // already a ROM folder (without the slash)
    start.romFolderPaths[1] = "/elsewhere/";
    FolderDialogModel m(start, "FC", dir.path());
    auto registerPicking = [&](bool yes, std::optional<std::string> folder) {
        prompter.answer(yes);
        if (yes) prompter.pickFolder(std::move(folder));
        return m.registerSubfolders(prompter);
    };

    EXPECT_EQ(registerPicking(false, {}), 0);  // "No": nothing happens
    EXPECT_TRUE(prompter.pickers.empty());
    EXPECT_EQ(registerPicking(true, dir.path() + "roms"), 3);
    ASSERT_EQ(prompter.boxes().size(), 2u);  // one question each time
    EXPECT_EQ(prompter.boxes()[1].title, "フォルダ登録確認");
    ASSERT_EQ(prompter.pickers.size(), 1u);
    EXPECT_EQ(prompter.pickers[0],
              std::make_pair(std::string("フォルダを選択してください。"), dir.path()));
    const auto& s = m.settings();
    EXPECT_EQ(std::tuple(s.romFolderPaths[2], s.romFolderNames[2], s.romFolderNames[3],
                         s.romFolderNames[4], s.romFolderPaths[5]),
              std::tuple(dir.path() + "roms/b/", "b", "with space", "ファミコン", ""));

    EXPECT_EQ(registerPicking(true, dir.path() + "roms/"), 0);
    EXPECT_EQ(registerPicking(true, std::nullopt), 0);  // cancelled picker
    EXPECT_TRUE(prompter.allAnswersUsed());
}

TEST_F(FolderDialogModelTest, RegistrationStopsWhenEverySlotIsTaken) {
    dir.makeFolder("roms/x");
    FolderSettings full;
    for (int i = 0; i < kRomFolderCount; ++i)
        full.romFolderPaths[i] = "/f/" + std::to_string(i) + "/";
    FolderDialogModel m(full, "FC", dir.path());
    prompter.answer(true);
    prompter.pickFolder(dir.path() + "roms");
    EXPECT_EQ(m.registerSubfolders(prompter), 0);
    EXPECT_TRUE(m.settings() == full);
}
