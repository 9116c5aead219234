#include "core/database/RomTable.h"

#include <random>
#include <tuple>

#include <gtest/gtest.h>

#include "DataFileFixtures.h"

using namespace romshelf;
using namespace romshelf::test;

namespace {

const std::string kMark = "\xEF\xBB\xBF";

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
        table.append(RomRecord{title, name});
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

    EXPECT_EQ(table.append(RomRecord{"new"}), -1);
    EXPECT_EQ(appendOrTell(table, RomRecord{"new"}, prompter), -1);
    EXPECT_EQ(prompter.boxes().back().text, kRomTableFullMessage);

    // The records beyond the capacity are written back.
    ASSERT_TRUE(table.save(stream, path));
    EXPECT_TRUE(sameBytes(dir.read("RomData_FC.slb"), bytes));
}

TEST_F(RomTableTest, HostileFilesAreRejectedWhole) {
    table.append(RomRecord{"before"});
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
    for (int step = 0; step < 20000; ++step) {
        const int op = static_cast<int>(rng() % 10);
        if (op < 3 || table.count() == 0) {
            table.append(RomRecord{pick()});
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
    }
}
