#include "core/database/CategoryLists.h"
#include "core/database/RomTable.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <tuple>

#include "DataFileFixtures.h"

using namespace romshelf;
using namespace romshelf::test;

namespace {

const std::string kMark = "\xEF\xBB\xBF";

RomRecord record(const std::string& title, const std::string& gameName = "") {
    RomRecord r;
    r.fileTitle = title, r.gameName = gameName;
    return r;
}

struct RomTableTest : DataFileTest {
    RomTable table;
    std::string path = dir.file("RomData_FC.slb");
    LoadResult load() {
        prompter.clear();
        return table.load(stream, path, prompter);
    }
    LoadResult load(const std::string& bytes) {
        dir.write("RomData_FC.slb", bytes);
        return load();
    }
};

// A category file as another program writes it: header, count, items in their stored form.
std::string classFile(const char* magic, std::vector<std::string> items, int version = 1) {
    RawBytes b;
    b.header(magic, version).i32(static_cast<std::int32_t>(items.size()));
    for (const auto& item : items) b.str(item);
    return b.bytes();
}

struct CategoryListsTest : DataFileTest {
    ProgramFolder folder{dir.path()};
    CategoryLists lists;
    CategoryListsTest() { folder.createSubfolders(); }
    bool exists(const char* file) const { return std::filesystem::exists(dir.file(file)); }
};

}  // namespace

TEST_F(RomTableTest, AnotherProgramsFileLosesOnlyItsEmptyTitles) {
    const RawRomRecord mario{"Mario"}, empty{""}, korean{kMark + "게임"};  // not in CP932
    const RawRomRecord zelda{"Zelda (J)", 70, 5, 1,
                             "\x83\x52\x83\x81\x83\x93\x83\x67\r\nline2"};  // コメント
    ASSERT_EQ(load(rawRomFile({mario, empty, zelda, korean})), LoadResult::Loaded);
    ASSERT_EQ(table.count(), 3);
    const RomRecord& z = table[1];
    EXPECT_EQ(std::tie(z.fileTitle, z.gameName, z.reading, z.classes[0], z.classes[4],
                       z.hardwareClass, z.comment),
              std::make_tuple("Zelda (J)", "ゲーム", "げーむ", "ACT", "２人", "RPG",
                              "コメント\r\nline2"));
    // The emulator is beyond the 64 entries, kept as is.
    EXPECT_EQ(std::tie(z.favourite, z.preferredEmulator, z.rating), std::make_tuple(true, 70, 5));
    EXPECT_EQ(table[2].fileTitle, "게임");
    // Written back byte for byte, without the dropped record.
    ASSERT_TRUE(table.save(stream, dir.file("out.slb")));
    EXPECT_TRUE(sameBytes(dir.read("out.slb"), rawRomFile({mario, zelda, korean})));
}

// Deleted records are dead slots: written, then dropped by the next load, so every index moves.
TEST_F(RomTableTest, TwoRecordsWithTheSameTitleStillFindTheFirstAfterALoad) {
    for (const auto& [title, name] :
         {std::pair{"deleted", ""}, {"Game", "first"}, {"Other", ""}, {"Game", "second"}})
        table.append(record(title, name));
    table.setFileTitle(0, "");
    ASSERT_TRUE(table.save(stream, path));
    ASSERT_EQ(load(), LoadResult::Loaded);
    ASSERT_EQ(table.count(), 3);
    ASSERT_EQ(table.findRecordByTitle("Game"), 0);
    EXPECT_EQ(table[0].gameName, "first");
    // Clearing the first makes the second one found; only the favourite flag survives a clear.
    table.edit(0, [](RomRecord& r) { r.favourite = true, r.preferredEmulator = 3; });
    table.clearRecord(0);
    RomRecord cleared;
    cleared.favourite = true;
    EXPECT_TRUE(table[0] == cleared);
    EXPECT_EQ(table.findRecordByTitle("Game"), 2);
    // All deleted: nothing is left after a load, and an empty table writes nothing (twice).
    for (int i = 0; i < table.count(); ++i) table.setFileTitle(i, "");
    EXPECT_EQ(table.findRecordByTitle("Game"), -1);
    ASSERT_TRUE(table.save(stream, path));
    const std::string written = dir.read("RomData_FC.slb");
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(load(), LoadResult::Loaded);
        EXPECT_EQ(table.count(), 0);
        ASSERT_TRUE(table.save(stream, path));
        EXPECT_EQ(dir.read("RomData_FC.slb"), written);
    }
}

TEST_F(RomTableTest, CapacityIsNeverExceededAndNothingIsLost) {
    std::vector<RawRomRecord> records;
    for (int i = 0; i < 5003; ++i) records.push_back({"t" + std::to_string(i)});
    const std::string bytes = rawRomFile(records);
    ASSERT_EQ(load(bytes), LoadResult::Loaded);
    EXPECT_EQ(table.count(), 5000);
    EXPECT_EQ(table.findRecordByTitle("t5001"), -1);
    ASSERT_EQ(prompter.boxes().size(), 1u);  // the user is told
    EXPECT_NE(prompter.boxes()[0].text.find("5000"), std::string::npos);

    EXPECT_EQ(table.append(record("new")), -1);
    EXPECT_EQ(appendOrTell(table, record("new"), prompter), -1);
    EXPECT_EQ(prompter.boxes().back().text, kRomTableFullMessage);

    // The records beyond the capacity are written back.
    ASSERT_TRUE(table.save(stream, path));
    EXPECT_TRUE(sameBytes(dir.read("RomData_FC.slb"), bytes));
}

TEST_F(RomTableTest, HostileFilesAreRejectedWhole) {
    table.append(record("before"));
    const std::string good = rawRomFile({{"a"}, {"b"}});
    const std::pair<const char*, std::string> cases[] = {
        {"cut in the last record", good.substr(0, good.size() - 5)},
        {"count larger than the records",
         RawBytes().header("ROMSHELF_ROMDATA", 1).i32(1000000000).bytes()},
        {"negative string length", RawBytes().header("ROMSHELF_ROMDATA", 1).i32(1).i32(-5).bytes()},
        {"wrong magic", RawBytes().header("ROMSHELF_MAINDATA", 1).i32(0).bytes()},
    };
    for (const auto& [what, bytes] : cases) {
        SCOPED_TRACE(what);
        EXPECT_EQ(load(bytes), LoadResult::Rejected);
        EXPECT_EQ(table.count(), 0);
        EXPECT_TRUE(warnedOnce("ロム情報ファイルが異常です。\nデータを読み込めません。"));
    }
    // A negative or zero count is simply an empty table.
    EXPECT_EQ(load(RawBytes().header("ROMSHELF_ROMDATA", 1).i32(-3).bytes()), LoadResult::Loaded);
    EXPECT_EQ(table.count(), 0);
}

// The index behind the lookup must always agree with a plain scan for the first exact title,
// whatever sequence of appends, renames, clears and edits came before.
TEST(RomTableIndex, AgreesWithAPlainScanAfterRandomChanges) {
    std::mt19937 rng(7);
    RomTable table;
    const std::vector<std::string> titles = {"a", "b", "c", "Game", "game", "ゲーム", "x y", ""};
    auto pick = [&] { return titles[rng() % titles.size()]; };
    auto any = [&] { return static_cast<int>(rng() % static_cast<unsigned>(table.count())); };
    auto scan = [&](const std::string& t) {
        if (t.empty()) return -1;
        for (int i = 0; i < table.count(); ++i)
            if (table[i].fileTitle == t) return i;
        return -1;
    };
    auto titlesOf = [&] {
        std::vector<std::string> all;
        for (int i = 0; i < table.count(); ++i) all.push_back(table[i].fileTitle);
        return all;
    };
    for (int step = 0; step < 20000; ++step) {
        const std::vector<std::string> before = titlesOf();
        const std::uint64_t revision = table.titlesRevision();
        const int op = static_cast<int>(rng() % 10);
        if (op < 3 || table.count() == 0) {
            table.append(record(pick()));
        } else if (op < 7) {
            table.setFileTitle(any(), pick());
        } else if (op < 8) {
            table.clearRecord(any());
        } else if (op < 9) {
            table.edit(any(), [&](RomRecord& r) { r.fileTitle = pick(); });
        } else if (table.count() > 200) {
            table.reset();
        }
        for (const auto& t : titles)
            ASSERT_EQ(table.findRecordByTitle(t), scan(t)) << "step " << step << " title " << t;
        // Looked up many at once, as a folder's files are: longer and shorter than the lookups
        // the batch asks for ahead, each the same as alone.
        if (step % 97 == 0) {
            std::vector<std::string_view> batch;
            for (std::size_t k = 0, n = rng() % 40; k < n; ++k)
                batch.push_back(titles[rng() % titles.size()]);
            std::vector<int> found(batch.size(), -7);
            table.findRecordsByTitle(batch, found);
            for (std::size_t k = 0; k < batch.size(); ++k)
                ASSERT_EQ(found[k], scan(std::string(batch[k]))) << "step " << step << " at " << k;
        }
        // What remembers lookups by the revision must see every change of a title.
        if (titlesOf() != before) {
            ASSERT_NE(table.titlesRevision(), revision) << "step " << step;
        }
    }
    RomTable other;
    other.append(record("a"));
    EXPECT_NE(other.titlesRevision(), table.titlesRevision());
}

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
