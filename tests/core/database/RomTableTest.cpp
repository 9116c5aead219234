#include "core/database/RomTable.h"

#include <random>

#include <gtest/gtest.h>

#include "RawBytes.h"
#include "ScriptedPrompter.h"
#include "TempFolder.h"

using namespace romshelf;
using romshelf::test::RawBytes;

namespace {

// One record as another program writes it (texts already in their stored form).
void rawRecord(RawBytes& b, const std::string& title, std::int32_t emulator = -1,
               std::int32_t rating = 0, std::int32_t favourite = 0,
               const std::string& comment = "") {
    b.str(title).str(title.empty() ? "" : "\x83\x51\x81\x5b\x83\x80")  // ゲーム
        .str("\x82\xb0\x81\x5b\x82\xde")                                  // げーむ
        .str("ACT").str("").str("").str("").str("\x82\x51\x90\x6c")        // ２人
        .str("RPG").str(comment).i32(favourite).i32(emulator).i32(rating).i32(0).str("");
}

struct RomTableTest : ::testing::Test {
    romshelf::test::TempFolder dir;
    romshelf::test::ScriptedPrompter prompter;
    DataStream stream;
    RomTable table;
    std::string path = dir.file("RomData_FC.slb");
    LoadResult load() { return table.load(stream, path, prompter); }
};

RomRecord record(const std::string& title) {
    RomRecord r;
    r.fileTitle = title;
    r.gameName = title + " game";
    return r;
}

}  // namespace

TEST_F(RomTableTest, EmptyTitlesAreDroppedOnLoad) {
    RawBytes b;
    b.header("ROMSHELF_ROMDATA", 1).i32(3);
    rawRecord(b, "Mario");
    rawRecord(b, "");
    rawRecord(b, "Zelda (J)", 70, 5, 1, "line1\r\nline2");
    dir.write("RomData_FC.slb", b.bytes());
    ASSERT_EQ(load(), LoadResult::Loaded);
    ASSERT_EQ(table.count(), 2);
    EXPECT_EQ(table[1].fileTitle, "Zelda (J)");
    EXPECT_EQ(table[1].gameName, "ゲーム");
    EXPECT_EQ(table[1].reading, "げーむ");
    EXPECT_EQ(table[1].classes[0], "ACT");
    EXPECT_EQ(table[1].classes[4], "２人");
    EXPECT_EQ(table[1].hardwareClass, "RPG");
    EXPECT_EQ(table[1].comment, "line1\r\nline2");
    EXPECT_TRUE(table[1].favourite);
    EXPECT_EQ(table[1].preferredEmulator, 70);  // beyond the 64 entries, kept as is
    EXPECT_EQ(table[1].rating, 5);
}

TEST_F(RomTableTest, AnotherProgramsFileIsWrittenBackIdentically) {
    RawBytes b;
    b.header("ROMSHELF_ROMDATA", 1).i32(2);
    rawRecord(b, "Game (J)", 70, 3, 1, "\x83\x52\x83\x81\x83\x93\x83\x67");  // コメント
    rawRecord(b, "\xEF\xBB\xBF" "게임", -1, 0);                               // not in CP932
    dir.write("RomData_FC.slb", b.bytes());
    ASSERT_EQ(load(), LoadResult::Loaded);
    EXPECT_EQ(table[1].fileTitle, "게임");
    ASSERT_TRUE(table.save(stream, dir.file("out.slb")));
    EXPECT_TRUE(romshelf::test::sameBytes(dir.read("out.slb"), b.bytes()));
}

TEST_F(RomTableTest, DeletingEverythingThenSavingAndLoadingTwice) {
    for (const char* t : {"a", "b", "c"}) table.append(record(t));
    ASSERT_TRUE(table.save(stream, path));
    for (int i = 0; i < table.count(); ++i) table.setFileTitle(i, "");  // deleted: dead slots
    EXPECT_EQ(table.findRecordByTitle(""), -1);
    EXPECT_EQ(table.findRecordByTitle("a"), -1);
    ASSERT_TRUE(table.save(stream, path));  // dead slots are written
    ASSERT_EQ(load(), LoadResult::Loaded);
    EXPECT_EQ(table.count(), 0);  // and dropped by the load
    const std::string written = dir.read("RomData_FC.slb");
    ASSERT_TRUE(table.save(stream, path));  // an empty table writes nothing
    EXPECT_EQ(dir.read("RomData_FC.slb"), written);
    ASSERT_EQ(load(), LoadResult::Loaded);
    EXPECT_EQ(table.count(), 0);
}

TEST_F(RomTableTest, AnEmptyTableLeavesAnOlderFileAlone) {
    table.append(record("keep"));
    ASSERT_TRUE(table.save(stream, path));
    table.reset();
    ASSERT_TRUE(table.save(stream, path));
    ASSERT_EQ(load(), LoadResult::Loaded);
    EXPECT_EQ(table.findRecordByTitle("keep"), 0);
}

TEST_F(RomTableTest, LookupFindsTheFirstExactTitle) {
    table.append(record("Game"));
    table.append(record("Game"));  // two records, one title
    table.append(record("game"));
    EXPECT_EQ(table.findRecordByTitle("Game"), 0);
    EXPECT_EQ(table.findRecordByTitle("game"), 2);  // case-sensitive
    EXPECT_EQ(table.findRecordByTitle("GAME"), -1);
    EXPECT_EQ(table.findRecordByTitle(""), -1);

    table.setFileTitle(0, "Renamed");
    EXPECT_EQ(table.findRecordByTitle("Game"), 1);
    EXPECT_EQ(table.findRecordByTitle("Renamed"), 0);
    table.edit(2, [](RomRecord& r) { r.fileTitle = "Game"; });
    EXPECT_EQ(table.findRecordByTitle("Game"), 1);  // the first stays first
    EXPECT_EQ(table.findRecordByTitle("game"), -1);
    table.setFileTitle(0, "Game");
    EXPECT_EQ(table.findRecordByTitle("Game"), 0);

    table.clearRecord(0);
    EXPECT_EQ(table[0].fileTitle, "");
    EXPECT_EQ(table[0].preferredEmulator, -1);
    EXPECT_EQ(table.findRecordByTitle("Game"), 1);
}

TEST_F(RomTableTest, CapacityIsNeverExceededAndNothingIsLost) {
    RawBytes b;
    b.header("ROMSHELF_ROMDATA", 1).i32(5003);
    for (int i = 0; i < 5003; ++i) rawRecord(b, "t" + std::to_string(i));
    dir.write("RomData_FC.slb", b.bytes());
    ASSERT_EQ(load(), LoadResult::Loaded);
    EXPECT_EQ(table.count(), 5000);
    EXPECT_EQ(table.findRecordByTitle("t5001"), -1);
    ASSERT_EQ(prompter.boxes().size(), 1u);  // the user is told
    EXPECT_NE(prompter.boxes()[0].text.find("5000"), std::string::npos);

    EXPECT_EQ(table.append(record("new")), -1);
    EXPECT_EQ(appendOrTell(table, record("new"), prompter), -1);
    EXPECT_EQ(prompter.boxes().back().text, kRomTableFullMessage);

    // The records beyond the capacity are written back.
    ASSERT_TRUE(table.save(stream, path));
    EXPECT_TRUE(romshelf::test::sameBytes(dir.read("RomData_FC.slb"), b.bytes()));
}

TEST_F(RomTableTest, HostileFilesAreRejectedWhole) {
    table.append(record("before"));
    RawBytes good;
    good.header("ROMSHELF_ROMDATA", 1).i32(2);
    rawRecord(good, "a");
    rawRecord(good, "b");
    const std::string bytes = good.bytes();
    struct Case {
        const char* what;
        std::string bytes;
    };
    const Case cases[] = {
        {"cut in the last record", bytes.substr(0, bytes.size() - 5)},
        {"count larger than the records", RawBytes().header("ROMSHELF_ROMDATA", 1).i32(1000000000).bytes()},
        {"negative string length", RawBytes().header("ROMSHELF_ROMDATA", 1).i32(1).i32(-5).bytes()},
        {"wrong magic", RawBytes().header("ROMSHELF_MAINDATA", 1).i32(0).bytes()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        dir.write("RomData_FC.slb", c.bytes);
        prompter.clear();
        EXPECT_EQ(load(), LoadResult::Rejected);
        EXPECT_EQ(table.count(), 0);
        ASSERT_EQ(prompter.boxes().size(), 1u);
        EXPECT_EQ(prompter.boxes()[0].text, "ロム情報ファイルが異常です。\nデータを読み込めません。");
    }
    // A negative or zero count is simply an empty table.
    dir.write("RomData_FC.slb", RawBytes().header("ROMSHELF_ROMDATA", 1).i32(-3).bytes());
    EXPECT_EQ(load(), LoadResult::Loaded);
    EXPECT_EQ(table.count(), 0);
}

// The index behind the lookup must always agree with a plain scan for the first exact title,
// whatever sequence of appends, renames, clears and loads came before.
TEST(RomTableIndex, AgreesWithAPlainScanAfterRandomChanges) {
    std::mt19937 rng(7);
    RomTable table;
    const std::vector<std::string> titles = {"a", "b", "c", "Game", "game", "ゲーム", "x y", ""};
    auto pick = [&] { return titles[rng() % titles.size()]; };
    auto scan = [&](const std::string& t) {
        if (t.empty()) return -1;
        for (int i = 0; i < table.count(); ++i)
            if (table[i].fileTitle == t) return i;
        return -1;
    };
    for (int step = 0; step < 20000; ++step) {
        const int op = static_cast<int>(rng() % 10);
        if (op < 3 || table.count() == 0) {
            RomRecord r;
            r.fileTitle = pick();
            table.append(r);
        } else if (op < 7) {
            table.setFileTitle(static_cast<int>(rng() % static_cast<unsigned>(table.count())), pick());
        } else if (op < 8) {
            table.clearRecord(static_cast<int>(rng() % static_cast<unsigned>(table.count())));
        } else if (op < 9) {
            table.edit(static_cast<int>(rng() % static_cast<unsigned>(table.count())),
                       [&](RomRecord& r) { r.fileTitle = pick(); });
        } else if (table.count() > 200) {
            table.reset();
        }
        for (const auto& t : titles) ASSERT_EQ(table.findRecordByTitle(t), scan(t)) << "step " << step << " title " << t;
    }
}
