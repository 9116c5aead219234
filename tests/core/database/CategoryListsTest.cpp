#include "core/database/CategoryLists.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "DataFileFixtures.h"

using namespace romshelf;
using romshelf::test::RawBytes;
using romshelf::test::sameBytes;

namespace {

// A category file as another program writes it: header, count, items in their stored form.
std::string classFile(const char* magic, std::vector<std::string> items, int version = 1) {
    RawBytes b;
    b.header(magic, version).i32(static_cast<std::int32_t>(items.size()));
    for (const auto& item : items) b.str(item);
    return b.bytes();
}

struct CategoryListsTest : romshelf::test::DataFileTest {
    ProgramFolder folder{dir.path()};
    CategoryLists lists;
    CategoryListsTest() { folder.createSubfolders(); }
    bool exists(const char* file) const { return std::filesystem::exists(dir.file(file)); }
};

}  // namespace

TEST_F(CategoryListsTest, NothingIsSavedWithoutAHardwareNorTheClassListWhenLeftOut) {
    lists.items[0] = {"x"};
    lists.save(stream, folder, "");
    EXPECT_FALSE(exists("data/ClassData1.slb"));
    lists.save(stream, folder, "SFC", false);
    EXPECT_TRUE(exists("data/ClassData1.slb"));
    EXPECT_FALSE(exists("data/ClassData_SFC.slb"));
}

TEST_F(CategoryListsTest, ABrokenFileEmptiesOnlyItsList) {
    dir.write("data/ClassData1.slb", classFile("ROMSHELF_CLASS1DATA", {"A"}));
    const std::string cut = classFile("ROMSHELF_CLASS3DATA", {"X", "Y"});
    dir.write("data/ClassData3.slb", cut.substr(0, cut.size() - 6));  // the second item is missing
    dir.write("data/ClassData4.slb", classFile("ROMSHELF_CLASS4DATA", {}, 9));
    dir.write("data/ClassData_SFC.slb",
              classFile("ROMSHELF_CLASS1DATA", {}));  // another list's magic
    lists.items[2] = {"stale"};
    lists.load(stream, folder, "SFC", prompter);
    EXPECT_EQ(lists.items[0], std::vector<std::string>{"A"});
    EXPECT_TRUE(lists.items[2].empty());  // cut short: nothing of it is used
    EXPECT_TRUE(lists.items[3].empty());
    EXPECT_TRUE(lists.items[5].empty());
    ASSERT_EQ(prompter.boxes().size(), 3u);
    EXPECT_EQ(prompter.boxes()[0].text, "分類3設定ファイルが異常です。\nデータを読み込めません。");
    EXPECT_EQ(prompter.boxes()[1].text,
              "分類4設定ファイルのバージョンが違います。\nデータを読み込めません。");
    EXPECT_EQ(prompter.boxes()[2].text,
              "機種別分類設定ファイルが異常です。\nデータを読み込めません。");
}

TEST_F(CategoryListsTest, AnotherProgramsFilesAreWrittenBackIdenticallyPerHardware) {
    // アクション, シューティング, ＲＰＧ, and a name with a character CP932 cannot hold.
    const std::string one = classFile(
        "ROMSHELF_CLASS1DATA",
        {"\x83\x41\x83\x4e\x83\x56\x83\x87\x83\x93",
         "\x83\x56\x83\x85\x81\x5b\x83\x65\x83\x42\x83\x93\x83\x4f", "\x82\x71\x82\x6f\x82\x66",
         "\xEF\xBB\xBF"
         "한국어"});
    const std::string cls = classFile("ROMSHELF_CLASSDATA",  // カートリッジ
                                      {"\x83\x4a\x81\x5b\x83\x67\x83\x8a\x83\x62\x83\x57"});
    dir.write("data/ClassData1.slb", one);
    dir.write("data/ClassData_SFC.slb", cls);
    lists.load(stream, folder, "SFC", prompter);
    EXPECT_EQ(lists.items[0],
              (std::vector<std::string>{"アクション", "シューティング", "ＲＰＧ", "한국어"}));
    EXPECT_EQ(lists.items[5], std::vector<std::string>{"カートリッジ"});
    lists.save(stream, folder, "SFC");
    EXPECT_TRUE(sameBytes(dir.read("data/ClassData1.slb"), one));
    EXPECT_TRUE(sameBytes(dir.read("data/ClassData_SFC.slb"), cls));
    EXPECT_TRUE(sameBytes(dir.read("data/ClassData2.slb"), classFile("ROMSHELF_CLASS2DATA", {})));
    EXPECT_TRUE(prompter.boxes().empty());

    // Another hardware has its own class list; the five category lists are shared.
    CategoryLists fc;
    fc.load(stream, folder, "FC", prompter);
    EXPECT_TRUE(fc.items[5].empty());
    EXPECT_EQ(fc.items[0], lists.items[0]);
}
