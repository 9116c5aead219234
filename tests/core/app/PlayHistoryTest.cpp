#include <gtest/gtest.h>

#include <cstdio>
#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <tuple>

#include "AppFixture.h"
#include "LaunchFixture.h"
#include "core/rename/IdentityScan.h"
#include "core/rename/RenameData.h"
#include "core/storage/DataStream.h"
#include "core/views/DetailPanes.h"

using namespace romshelf;
using V = std::vector<std::string>;

namespace {

// CRC-32 of the bytes "ROM" (python3: zlib.crc32(b"ROM")).
constexpr std::uint32_t kRomCrc = 4025830699u;

struct PlayHistoryTest : test::AppFixture {
    std::string emu;
    void SetUp() override {
        emu = test::installRecorder(dir.file("emu/nes emu"));
        app.launcher().setWaitForEmulator(true);
    }
    // Launches roms/`name` with the stand-in given `args` (before the file) and waits for it.
    void play(const std::string& name, const std::string& args = "") {
        setUpLaunch("FC", emulator("TestNES", "./emu/nes emu", args + " $P"));
        start("FC");
        ASSERT_TRUE(app.launchFile({"Game", name, 0, -1})) << args;
    }
    PlayStats stats(const std::string& name) { return app.playHistory().stats(key(name)); }
    PlayKey key(const std::string& name) { return app.playKey("FC", 0, name); }
    // Sums roms/`name` into the identity cache, as a list build's summing does.
    void hash(const std::string& name) {
        IdentityCache& cache = app.recordFollowing().cache();
        ASSERT_TRUE(cache.open());
        ASSERT_TRUE(currentIdentity(cache, dir.file("roms/" + name), kIdentityHashLimit));
    }
    // The database's rows as (title, crc or -1, status, counted), oldest first.
    using Row = std::tuple<std::string, long long, int, int>;
    std::vector<Row> storedRows() {
        std::vector<Row> rows;
        sqlite3* db = nullptr;
        EXPECT_EQ(sqlite3_open(dir.file("data/PlayHistory.sqlite").c_str(), &db), SQLITE_OK);
        sqlite3_stmt* s = nullptr;
        sqlite3_prepare_v2(db,
                           "SELECT CAST(title AS TEXT), IFNULL(crc, -1), status, counted"
                           " FROM plays ORDER BY id",
                           -1, &s, nullptr);
        while (sqlite3_step(s) == SQLITE_ROW)
            rows.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)),
                              sqlite3_column_int64(s, 1), sqlite3_column_int(s, 2),
                              sqlite3_column_int(s, 3));
        sqlite3_finalize(s);
        sqlite3_close(db);
        return rows;
    }
};

}  // namespace

// Each run of a file is kept with its status; a short failed one is kept but not counted, the
// emulator started alone is no play. The file stays in rollback-journal mode: nothing beside it.
TEST_F(PlayHistoryTest, EveryRunIsKeptAndAShortFailureIsNotCounted) {
    dir.write("roms/a.nes", "ROM");
    const long long before = std::time(nullptr);
    play("a.nes", "--sleep 1100");
    play("a.nes", "--exit 3");
    play("a.nes", "--signal 8");
    ASSERT_TRUE(app.startEmulatorOnly());
    const long long after = std::time(nullptr);
    EXPECT_EQ(storedRows(),
              (std::vector<Row>{{"a", -1, 0, 1}, {"a", -1, 3, 0}, {"a", -1, 136, 0}}));
    const PlayStats s = stats("a.nes");
    EXPECT_EQ(s.count, 1);
    EXPECT_TRUE(s.seconds >= 1 && s.seconds <= 5) << s.seconds;  // it slept 1.1 s
    EXPECT_TRUE(before <= s.lastPlayed && s.lastPlayed <= after) << s.lastPlayed;
    EXPECT_EQ(stats("b.nes"), PlayStats{});
    for (const char* beside : {"-wal", "-shm", "-journal"})
        EXPECT_FALSE(std::filesystem::exists(dir.file("data/PlayHistory.sqlite") + beside));
    // The rule itself: (seconds, failed) -> counted.
    const std::tuple<long long, bool, bool> cases[] = {
        {9, true, false}, {10, true, true}, {0, false, true}, {0, true, false}};
    for (const auto& [seconds, failed, counted] : cases)
        EXPECT_EQ(countsAsPlay(seconds, failed), counted) << seconds << failed;
}

// Runs of a title not summed yet take the sums of a later run; once the renamed file is summed
// its history is found under the new name (and not before).
TEST_F(PlayHistoryTest, TheHistoryFollowsARenamedFileOnceItIsHashed) {
    dir.write("roms/a.nes", "ROM");
    play("a.nes");
    EXPECT_FALSE(key("a.nes").hashed());
    hash("a.nes");
    play("a.nes");
    const long long crc = kRomCrc;
    EXPECT_EQ(storedRows(), (std::vector<Row>{{"a", crc, 0, 1}, {"a", crc, 0, 1}}));
    std::filesystem::rename(dir.file("roms/a.nes"), dir.file("roms/b.nes"));
    EXPECT_EQ(stats("b.nes").count, 0);
    hash("b.nes");
    EXPECT_EQ(stats("b.nes").count, 2);
    // Another file now called a.nes is another game.
    dir.write("roms/a.nes", "NEW");
    hash("a.nes");
    EXPECT_EQ(stats("a.nes").count, 0);
    play("b.nes");
    const std::vector<GamePlays> games = app.playHistory().games("FC");
    ASSERT_EQ(games.size(), 1u);
    EXPECT_EQ(std::tie(games[0].hardware, games[0].title, games[0].stats.count),
              std::tuple("FC", "b", 3));
    EXPECT_TRUE(app.playHistory().games("MD").empty());
}

// A summed file's key says since when it holds its bytes: the second its modification time falls
// in, so that a run started within that second counts as the file's.
TEST_F(PlayHistoryTest, ASummedFilesKeyStartsAtTheSecondItWasWritten) {
    dir.write("roms/a.nes", "ROM");
    const std::string path = dir.file("roms/a.nes");
    const struct timespec times[2] = {{1'700'000'000, 0}, {1'700'000'000, 700'000'000}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    setUpLaunch("FC", emulator("TestNES", "./emu/nes emu", "$P"));
    start("FC");
    EXPECT_EQ(key("a.nes").since, 0);  // not summed: not known
    hash("a.nes");
    EXPECT_EQ(key("a.nes").since, 1'700'000'000);
    // Before the epoch the second is the one below.
    const struct timespec before[2] = {{-2, 0}, {-2, 300'000'000}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), before, 0), 0);
    hash("a.nes");
    EXPECT_EQ(key("a.nes").since, -2);
}

// The name the rename data give a file (for snaps named by it) is found by its sums once it has
// been summed; a record of headerless sums, or of another size, is not it; new rename data are
// read again.
TEST_F(PlayHistoryTest, TheDatNameComesFromTheRenameDataByTheSums) {
    dir.write("roms/a.nes", "ROM");
    const auto writeData = [&](const std::string& name) {
        RenameData data;
        data.hardware = "FC";
        const auto crc = static_cast<std::int32_t>(kRomCrc);
        data.records = {{"Headerless (Japan)", {3, crc, 0, 1, 2}, {}, 1},
                        {"Longer (Japan)", {4, crc, 0, 1, 2}, {}, 0},
                        {name, {3, crc, 0, 1, 2}, {}, 0}};
        DataStream stream;
        ASSERT_TRUE(saveRenameData(stream, dir.file("data/Rename_FC.dat"), data));
    };
    writeData("Super Game (Japan)");
    setUpLaunch("FC", emulator("TestNES", "./emu/nes emu", "$P"));
    start("FC");
    const FileListRow row = app.fileList().rows()[0];
    EXPECT_EQ(app.datNameOf(row), "");
    hash("a.nes");
    EXPECT_EQ(app.datNameOf(row), "Super Game (Japan)");
    writeData("Super Game (Japan) (Rev 1)");
    std::filesystem::last_write_time(
        dir.file("data/Rename_FC.dat"),
        std::filesystem::file_time_type::clock::now() + std::chrono::seconds(5));
    EXPECT_EQ(app.datNameOf(row), "Super Game (Japan) (Rev 1)");

    // Rename data that hold only the first records of a DAT: the whole DAT names the file.
    char crc[9];
    std::snprintf(crc, sizeof crc, "%08x", kRomCrc);
    const std::string dat =
        dir.write("nes.dat",
                  "clrmamepro ( name \"NES\" )\ngame ( name \"Far Game (Japan)\" rom ( name "
                  "\"Far Game (Japan).nes\" size 3 crc " +
                      std::string(crc) + " ) )\n");
    PlusSettings plus = app.plusSettings();
    plus.renameDats = {{"MD", "/elsewhere.dat"}, {"FC", dat}};
    app.changePlusSettings(plus);
    EXPECT_EQ(app.datNameOf(row), "Far Game (Japan)");
}

// A damaged file is made anew; without a data folder nothing is kept and nothing breaks.
TEST_F(PlayHistoryTest, ADamagedDatabaseIsRebuiltAndNoneIsNoCrash) {
    dir.write("roms/a.nes", "ROM");
    dir.write("data/PlayHistory.sqlite", std::string(4096, 'x'));
    play("a.nes");
    EXPECT_TRUE(app.playHistory().rebuilt());
    EXPECT_EQ(stats("a.nes").count, 1);
    EXPECT_EQ(dir.read("data/PlayHistory.sqlite").substr(0, 15), "SQLite format 3");
    // The old file kept, and the user told where.
    const std::string copy = app.playHistory().brokenCopy();
    EXPECT_TRUE(copy.starts_with(dir.file("data/PlayHistory.sqlite.broken-"))) << copy;
    EXPECT_EQ(dir.read(copy.substr(dir.path().size())), std::string(4096, 'x'));
    ASSERT_FALSE(prompter.boxes().empty());
    EXPECT_NE(prompter.boxes().back().text.find(copy), std::string::npos);

    PlayHistory none(dir.file("no such folder/PlayHistory.sqlite"));
    none.record({{"FC", "a", std::nullopt, std::nullopt}, 1, 60, 0, false});
    EXPECT_EQ(none.stats({"FC", "a", std::nullopt, std::nullopt}), PlayStats{});
    EXPECT_TRUE(none.games("").empty());
    EXPECT_FALSE(std::filesystem::exists(dir.file("no such folder")));
}

// Games by their last play, counting the runs since a day; the texts the commands print.
TEST_F(PlayHistoryTest, GamesComeLastPlayedFirstSinceADay) {
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    PlayHistory h(dir.file("data/PlayHistory.sqlite"));
    auto run = [&](const char* code, const char* title, long long started, long long seconds,
                   bool failed) {
        h.record({{code, title, std::nullopt, std::nullopt}, started, seconds, failed, failed});
    };
    run("FC", "Old", 1000, 100, false);
    run("FC", "New", 1700000000, 3600, false);
    run("MD", "Sonic", 1699999000, 61, false);
    run("FC", "Old", 1699990000, 3, true);  // no play
    run("FC", "New", 1699920000, 5, false);
    using Game = std::tuple<std::string, std::string, int, long long, long long>;
    auto games = [&](const std::string& code, long long since) {
        std::vector<Game> out;
        for (const GamePlays& g : h.games(code, since))
            out.emplace_back(g.hardware, g.title, g.stats.count, g.stats.seconds,
                             g.stats.lastPlayed);
        return out;
    };
    EXPECT_EQ(games("", 0), (std::vector<Game>{{"FC", "New", 2, 3605, 1700000000},
                                               {"MD", "Sonic", 1, 61, 1699999000},
                                               {"FC", "Old", 1, 100, 1000}}));
    EXPECT_EQ(games("FC", 1699920001), (std::vector<Game>{{"FC", "New", 1, 3600, 1700000000}}));
    EXPECT_EQ(localDayStart("2023-11-14"), 1699920000);
    EXPECT_EQ(localDateTimeText(1700000000), "2023-11-14T22:13:20");
    const std::tuple<std::string, std::optional<long long>> days[] = {
        {"2023-11-14x", std::nullopt}, {"2023-13-01", std::nullopt}, {"yesterday", std::nullopt}};
    for (const auto& [text, day] : days) EXPECT_EQ(localDayStart(text), day) << text;
    const std::tuple<long long, std::string> times[] = {
        {0, "0:00:00"}, {3661, "1:01:01"}, {36059, "10:00:59"}};
    for (const auto& [seconds, text] : times) EXPECT_EQ(playTimeText(seconds), text);
    // The database window's lines above the comment; none for a game never played.
    EXPECT_EQ(playedText({3, 3661, 1700000000}),
              "プレイ回数 : 3 回\nプレイ時間 : 1:01:01\n最終プレイ : 2023-11-14 22:13:20\n\n");
    EXPECT_EQ(playedText({}), "");
    ::unsetenv("TZ");
    ::tzset();
}
