#include "core/database/CategoryLists.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "RawBytes.h"
#include "ScriptedPrompter.h"
#include "TempFolder.h"

using namespace romshelf;
using romshelf::test::RawBytes;

TEST(CategoryLists, FilesRoundTripAndKeepTheirOrder) {
    romshelf::test::TempFolder dir;
    romshelf::test::ScriptedPrompter prompter;
    ProgramFolder folder(dir.path());
    folder.createSubfolders();
    DataStream s;
    CategoryLists lists;
    lists.items[0] = {"RPG", "ACT", "SLG"};
    lists.items[2] = {"シューティング", "パズル"};
    lists.items[5] = {"ディスク", "カセット"};
    lists.save(s, folder, "MD");
    EXPECT_TRUE(romshelf::test::sameBytes(
        dir.read("data/ClassData1.slb"),
        RawBytes().header("ROMSHELF_CLASS1DATA", 1).i32(3).str("RPG").str("ACT").str("SLG").bytes()));
    EXPECT_EQ(dir.read("data/ClassData2.slb"), RawBytes().header("ROMSHELF_CLASS2DATA", 1).i32(0).bytes());
    EXPECT_TRUE(std::filesystem::exists(dir.file("data/ClassData_MD.slb")));

    CategoryLists again;
    again.load(s, folder, "MD", prompter);
    EXPECT_EQ(again.items, lists.items);
    EXPECT_TRUE(prompter.boxes().empty());

    // Another hardware has its own class list.
    again.load(s, folder, "FC", prompter);
    EXPECT_TRUE(again.items[5].empty());
    EXPECT_EQ(again.items[0], lists.items[0]);
}

TEST(CategoryLists, NothingIsSavedWithoutAHardware) {
    romshelf::test::TempFolder dir;
    ProgramFolder folder(dir.path());
    folder.createSubfolders();
    DataStream s;
    CategoryLists lists;
    lists.items[0] = {"x"};
    lists.save(s, folder, "");
    EXPECT_FALSE(std::filesystem::exists(dir.file("data/ClassData1.slb")));
}

TEST(CategoryLists, ABrokenFileEmptiesOnlyItsList) {
    romshelf::test::TempFolder dir;
    romshelf::test::ScriptedPrompter prompter;
    ProgramFolder folder(dir.path());
    folder.createSubfolders();
    dir.write("data/ClassData1.slb", RawBytes().header("ROMSHELF_CLASS1DATA", 1).i32(1).str("A").bytes());
    dir.write("data/ClassData3.slb", RawBytes().header("ROMSHELF_CLASS3DATA", 1).i32(2).str("X").bytes());
    dir.write("data/ClassData4.slb", RawBytes().header("ROMSHELF_CLASS4DATA", 9).i32(0).bytes());
    dir.write("data/ClassData_SFC.slb", RawBytes().header("ROMSHELF_CLASS1DATA", 1).i32(0).bytes());
    DataStream s;
    CategoryLists lists;
    lists.items[2] = {"stale"};
    lists.load(s, folder, "SFC", prompter);
    EXPECT_EQ(lists.items[0], std::vector<std::string>{"A"});
    EXPECT_TRUE(lists.items[2].empty());  // cut short: nothing of it is used
    EXPECT_TRUE(lists.items[3].empty());
    EXPECT_TRUE(lists.items[5].empty());
    ASSERT_EQ(prompter.boxes().size(), 3u);
    EXPECT_EQ(prompter.boxes()[0].text, "分類3設定ファイルが異常です。\nデータを読み込めません。");
    EXPECT_EQ(prompter.boxes()[1].text, "分類4設定ファイルのバージョンが違います。\nデータを読み込めません。");
    EXPECT_EQ(prompter.boxes()[2].text, "機種別分類設定ファイルが異常です。\nデータを読み込めません。");
}

TEST(CategoryLists, AnotherProgramsFilesAreWrittenBackIdentically) {
    romshelf::test::TempFolder dir;
    romshelf::test::ScriptedPrompter prompter;
    ProgramFolder folder(dir.path());
    folder.createSubfolders();
    // アクション, シューティング, ＲＰＧ, and a name with a character CP932 cannot hold.
    const std::string one = RawBytes().header("ROMSHELF_CLASS1DATA", 1).i32(4)
        .str("\x83\x41\x83\x4e\x83\x56\x83\x87\x83\x93")
        .str("\x83\x56\x83\x85\x81\x5b\x83\x65\x83\x42\x83\x93\x83\x4f")
        .str("\x82\x71\x82\x6f\x82\x66")
        .str("\xEF\xBB\xBF" "한국어").bytes();
    const std::string cls = RawBytes().header("ROMSHELF_CLASSDATA", 1).i32(1).str("\x83\x4a\x81\x5b\x83\x67\x83\x8a\x83\x62\x83\x57").bytes();
    dir.write("data/ClassData1.slb", one);
    dir.write("data/ClassData_SFC.slb", cls);
    DataStream s;
    CategoryLists lists;
    lists.load(s, folder, "SFC", prompter);
    EXPECT_EQ(lists.items[0], (std::vector<std::string>{"アクション", "シューティング", "ＲＰＧ", "한국어"}));
    EXPECT_EQ(lists.items[5], std::vector<std::string>{"カートリッジ"});
    lists.save(s, folder, "SFC");
    EXPECT_TRUE(romshelf::test::sameBytes(dir.read("data/ClassData1.slb"), one));
    EXPECT_TRUE(romshelf::test::sameBytes(dir.read("data/ClassData_SFC.slb"), cls));
}
