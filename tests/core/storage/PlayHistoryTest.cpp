#include "core/storage/PlayHistory.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <map>
#include <regex>
#include <tuple>

#include "TempFolder.h"
#include "core/platform/FileSystem.h"

namespace romshelf::test {
namespace {

// The layout every copy of the program so far writes (version 1), as an older copy makes it.
constexpr const char* kVersion1 =
    "CREATE TABLE plays (id INTEGER PRIMARY KEY, hardware TEXT NOT NULL, title BLOB NOT NULL,"
    " size INTEGER, crc INTEGER, started INTEGER NOT NULL, seconds INTEGER NOT NULL,"
    " status INTEGER NOT NULL, counted INTEGER NOT NULL);"
    "CREATE INDEX plays_title ON plays (hardware, title);"
    "CREATE INDEX plays_sums ON plays (size, crc);"
    "PRAGMA user_version=1;";

void exec(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    char* error = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK)
        << (error ? error : "") << " in " << sql;
    sqlite3_free(error);
    sqlite3_close(db);
}

// A stored run: id, hardware, title, size (-1: NULL), crc (-1: NULL), started, seconds, status,
// counted.
using StoredRun = std::tuple<long long, std::string, std::string, long long, long long, long long,
                             long long, int, int>;

// StoredRun number i (from 1) of the big history: each different, a long title so that they fill
// many pages.
StoredRun bigRun(long long i) {
    const std::string title = "game " + std::to_string(i) + std::string(100, '.');
    return {i, "FC", title, i + 1, i * 7, 1'600'000'000 + i * 60, i, 0, 1};
}
constexpr long long kBigRuns = 3000;

std::string insertSql(const StoredRun& r) {
    const auto& [id, hardware, title, size, crc, started, seconds, status, counted] = r;
    auto orNull = [](long long v) { return v < 0 ? std::string("NULL") : std::to_string(v); };
    return "INSERT INTO plays VALUES (" + std::to_string(id) + ", '" + hardware + "', CAST('" +
           title + "' AS BLOB), " + orNull(size) + ", " + orNull(crc) + ", " +
           std::to_string(started) + ", " + std::to_string(seconds) + ", " +
           std::to_string(status) + ", " + std::to_string(counted) + ");";
}

void writeBigHistory(const std::string& path) {
    std::string sql = std::string(kVersion1) + "BEGIN;";
    for (long long i = 1; i <= kBigRuns; ++i) sql += insertSql(bigRun(i));
    exec(path, sql + "COMMIT;");
}

// The runs in the file, by id, read without the program's code.
std::vector<StoredRun> runsIn(const std::string& path) {
    std::vector<StoredRun> runs;
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt* s = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db,
                                 "SELECT id, hardware, CAST(title AS BLOB), IFNULL(size, -1),"
                                 " IFNULL(crc, -1), started, seconds, status, counted"
                                 " FROM plays ORDER BY id",
                                 -1, &s, nullptr),
              SQLITE_OK);
    while (sqlite3_step(s) == SQLITE_ROW) {
        const auto* title = static_cast<const char*>(sqlite3_column_blob(s, 2));
        runs.emplace_back(
            sqlite3_column_int64(s, 0), reinterpret_cast<const char*>(sqlite3_column_text(s, 1)),
            std::string(title, static_cast<std::size_t>(sqlite3_column_bytes(s, 2))),
            sqlite3_column_int64(s, 3), sqlite3_column_int64(s, 4), sqlite3_column_int64(s, 5),
            sqlite3_column_int64(s, 6), sqlite3_column_int(s, 7), sqlite3_column_int(s, 8));
    }
    sqlite3_finalize(s);
    sqlite3_close(db);
    return runs;
}

// Every file of the folder with its bytes.
std::map<std::string, std::string> filesIn(const TempFolder& dir) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        files[entry.path().filename().string()] = dir.read(entry.path().filename().string());
    return files;
}

std::string garbage(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 131 + seed) & 0xFF);
    return bytes;
}

// The ways a history file goes bad: written over, cut short, a stretch in its middle lost, or
// a layout that is not ours (of an earlier make, or of our version number with other columns).
struct Damage {
    const char* what;
    void (*make)(const TempFolder& dir, const std::string& path);
};
const Damage kDamages[] = {
    {"garbage over all of it",
     [](const TempFolder& dir, const std::string&) {
         dir.write("PlayHistory.sqlite", garbage(16384, 7));
     }},
    {"cut to half its length",
     [](const TempFolder& dir, const std::string& path) {
         writeBigHistory(path);
         const std::string bytes = dir.read("PlayHistory.sqlite");
         dir.write("PlayHistory.sqlite", bytes.substr(0, bytes.size() / 2));
     }},
    {"garbage over a stretch in the middle",
     [](const TempFolder& dir, const std::string& path) {
         writeBigHistory(path);
         std::string bytes = dir.read("PlayHistory.sqlite");
         const std::size_t from = bytes.size() * 4 / 10, to = bytes.size() * 6 / 10;
         bytes.replace(from, to - from, garbage(to - from, 3));
         dir.write("PlayHistory.sqlite", bytes);
     }},
    {"another layout: no sums, a column of its own that every row must fill",
     [](const TempFolder&, const std::string& path) {
         exec(path,
              "CREATE TABLE plays (id INTEGER PRIMARY KEY, machine TEXT NOT NULL,"
              " hardware TEXT NOT NULL, title BLOB NOT NULL, started INTEGER NOT NULL,"
              " seconds INTEGER NOT NULL, status INTEGER NOT NULL, counted INTEGER NOT NULL);"
              "INSERT INTO plays VALUES (4, 'pc', 'FC', CAST('Mario' AS BLOB), 100, 60, 0, 1);"
              "INSERT INTO plays VALUES (9, 'pc', 'MD', CAST('Sonic' AS BLOB), 200, 5, 3, 0);");
     }},
    {"our version number, the title kept as text",
     [](const TempFolder&, const std::string& path) {
         exec(path,
              "CREATE TABLE plays (id INTEGER PRIMARY KEY, hardware TEXT NOT NULL,"
              " title TEXT NOT NULL, size INTEGER, crc INTEGER, started INTEGER NOT NULL,"
              " seconds INTEGER NOT NULL, status INTEGER NOT NULL, counted INTEGER NOT NULL);"
              "INSERT INTO plays VALUES (1, 'FC', 'Mario', 40976, 3, 100, 60, 0, 1);"
              "PRAGMA user_version=1;");
     }},
};

// What each damaged file still holds, as it was written: every run read back must be one of them,
// and these must be among them.
std::vector<StoredRun> mustSalvage(const std::string& what) {
    if (what.starts_with("cut")) return {bigRun(1), bigRun(2)};
    if (what.starts_with("garbage over a stretch")) return {bigRun(1), bigRun(kBigRuns)};
    if (what.starts_with("another layout"))
        return {{4, "FC", "Mario", -1, -1, 100, 60, 0, 1},
                {9, "MD", "Sonic", -1, -1, 200, 5, 3, 0}};
    if (what.starts_with("our version")) return {{1, "FC", "Mario", 40976, 3, 100, 60, 0, 1}};
    return {};
}

bool isWrittenRun(const std::string& what, const StoredRun& run) {
    if (what.starts_with("cut") || what.starts_with("garbage over a stretch")) {
        const long long id = std::get<0>(run);
        return id >= 1 && id <= kBigRuns && run == bigRun(id);
    }
    const std::vector<StoredRun> all = mustSalvage(what);
    return std::find(all.begin(), all.end(), run) != all.end();
}

}  // namespace

// A writer keeps a file it cannot use beside it, byte for byte, under a name of its own; the new
// file holds every run that could be read from the old one, as it was, and the new run. Nothing
// else is left in the folder, and the message names the copy and the runs read back.
TEST(PlayHistoryFile, AWriterKeepsADamagedFileAsideAndReadsBackTheRunsItCan) {
    for (const Damage& damage : kDamages) {
        SCOPED_TRACE(damage.what);
        TempFolder dir;
        const std::string path = dir.file("PlayHistory.sqlite");
        damage.make(dir, path);
        const std::string damaged = dir.read("PlayHistory.sqlite");

        PlayHistory history(path);
        std::vector<std::string> messages;
        history.setReport([&](const std::string& m) { messages.push_back(m); });
        const PlayRecord now{{"PCE", "Bomberman", std::nullopt, std::nullopt}, 5000, 90, 0, false};
        ASSERT_TRUE(history.record(now));

        EXPECT_TRUE(history.rebuilt());
        const std::string copy = history.brokenCopy();
        EXPECT_TRUE(std::regex_match(fs::pathName(copy),
                                     std::regex(R"(PlayHistory\.sqlite\.broken-\d{8}-\d{6})")))
            << copy;
        EXPECT_EQ(fs::pathFolder(copy), dir.path());
        EXPECT_EQ(dir.read(fs::pathName(copy)), damaged);
        std::map<std::string, std::string> files = filesIn(dir);
        EXPECT_EQ(files.size(), 2u);
        EXPECT_TRUE(files.contains("PlayHistory.sqlite"));

        std::vector<StoredRun> runs = runsIn(path);
        ASSERT_FALSE(runs.empty());
        // The new run, last.
        const StoredRun last = runs.back();
        runs.pop_back();
        EXPECT_EQ(std::tie(std::get<1>(last), std::get<2>(last), std::get<5>(last)),
                  std::tuple("PCE", "Bomberman", 5000));
        EXPECT_EQ(static_cast<int>(runs.size()), history.salvaged());
        for (const StoredRun& run : runs)
            EXPECT_TRUE(isWrittenRun(damage.what, run)) << std::get<0>(run);
        for (const StoredRun& run : mustSalvage(damage.what))
            EXPECT_NE(std::find(runs.begin(), runs.end(), run), runs.end()) << std::get<0>(run);
        if (std::string(damage.what).starts_with("cut") ||
            std::string(damage.what).starts_with("garbage over a stretch")) {
            EXPECT_LT(runs.size(), static_cast<std::size_t>(kBigRuns));
        }
        // Past the lost stretch the rest is read back too: more than the 40 % before it.
        if (std::string(damage.what).starts_with("garbage over a stretch")) {
            EXPECT_GT(runs.size(), static_cast<std::size_t>(kBigRuns / 2));
        }

        ASSERT_EQ(messages.size(), 1u);
        EXPECT_NE(messages[0].find(copy), std::string::npos) << messages[0];
        EXPECT_NE(messages[0].find(" " + std::to_string(runs.size()) + " 件"), std::string::npos)
            << messages[0];
        // The new file is a sound one of our layout, found again by the next writer as it is.
        PlayHistory again(path);
        EXPECT_EQ(again.stats({"PCE", "Bomberman", std::nullopt, std::nullopt}).count, 1);
        EXPECT_FALSE(again.rebuilt());
    }
}

// A file a later version made (a higher version number) is not ours to move or to write: the
// writer leaves it as it is, records nothing and says so.
TEST(PlayHistoryFile, AFileOfALaterVersionIsLeftAloneAndNotWritten) {
    TempFolder dir;
    const std::string path = dir.file("PlayHistory.sqlite");
    exec(path, std::string(kVersion1) + insertSql(bigRun(1)) + "PRAGMA user_version=2;");
    const auto before = filesIn(dir);
    PlayHistory history(path);
    std::vector<std::string> messages;
    history.setReport([&](const std::string& m) { messages.push_back(m); });
    EXPECT_FALSE(
        history.record({{"FC", "game 1", std::nullopt, std::nullopt}, 9000, 60, 0, false}));
    EXPECT_TRUE(history.games("").empty());
    EXPECT_FALSE(history.rebuilt());
    EXPECT_EQ(filesIn(dir), before);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("新しい版"), std::string::npos) << messages[0];
}

// A reader (romshelf-cli history, a list sorted by plays in a reading command) opens the file
// read-only: whatever it finds, the folder keeps its files and their bytes, and nothing is
// made. A sound file is read; a damaged one reads as no history, and says so.
TEST(PlayHistoryFile, AReaderChangesNothingInTheFolder) {
    struct Case {
        const char* what;
        void (*make)(const TempFolder& dir, const std::string& path);
        std::size_t games;
        bool told;
    };
    std::vector<Case> cases = {
        {"no file", [](const TempFolder&, const std::string&) {}, 0, false},
        {"a sound file", [](const TempFolder&, const std::string& path) { writeBigHistory(path); },
         static_cast<std::size_t>(kBigRuns), false},
        {"an empty file",
         [](const TempFolder& dir, const std::string&) { dir.write("PlayHistory.sqlite", ""); }, 0,
         false},
        {"a later version",
         [](const TempFolder&, const std::string& path) {
             exec(path, std::string(kVersion1) + insertSql(bigRun(1)) + "PRAGMA user_version=2;");
         },
         0, true},
    };
    for (const Damage& damage : kDamages) cases.push_back({damage.what, damage.make, 0, true});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder dir;
        const std::string path = dir.file("PlayHistory.sqlite");
        c.make(dir, path);
        // A journal a writer left beside it stays too.
        const auto before = filesIn(dir);

        PlayHistory history(path, PlayHistory::Access::Read);
        std::vector<std::string> messages;
        history.setReport([&](const std::string& m) { messages.push_back(m); });
        EXPECT_EQ(history.games("").size(), c.games);
        const PlayKey key{"FC", "game 1" + std::string(100, '.'), 2, 7};
        EXPECT_EQ(history.stats(key).count, c.games > 0 ? 1 : 0);
        EXPECT_FALSE(history.record({key, 9000, 60, 0, false}));
        EXPECT_FALSE(history.rebuilt());

        EXPECT_EQ(filesIn(dir), before);
        EXPECT_EQ(messages.size(), c.told ? 1u : 0u);
    }
}

// A title that was not summed yet when it ran takes the sums of a later run of a summed file,
// but only for the runs since the file holds its bytes (from the first second of its
// modification time on): a run from before was another game, say one the file replaced. The
// game's stats count the same runs.
TEST(PlayHistoryFile, ARunOlderThanTheFilesBytesIsNotGivenItsSums) {
    TempFolder dir;
    const std::string path = dir.file("PlayHistory.sqlite");
    PlayHistory history(path);
    const PlayKey unsummed{"FC", "a", std::nullopt, std::nullopt};
    history.record({unsummed, 1000, 100, 0, false});  // the file that was replaced
    history.record({unsummed, 1999, 20, 0, false});   // the last second before
    history.record({unsummed, 2000, 30, 0, false});   // the file's first second
    PlayKey summed{"FC", "a", 3, 0x352441C2u};
    summed.since = 2000;
    EXPECT_EQ(history.stats(summed), (PlayStats{1, 30, 2000}));
    history.record({summed, 2500, 40, 0, false});
    EXPECT_EQ(runsIn(path),
              (std::vector<StoredRun>{{1, "FC", "a", -1, -1, 1000, 100, 0, 1},
                                      {2, "FC", "a", -1, -1, 1999, 20, 0, 1},
                                      {3, "FC", "a", 3, 0x352441C2, 2000, 30, 0, 1},
                                      {4, "FC", "a", 3, 0x352441C2, 2500, 40, 0, 1}}));
    EXPECT_EQ(history.stats(summed), (PlayStats{2, 70, 2500}));
    // Without the file's time every unsummed run of the title was its own.
    summed.since = 0;
    EXPECT_EQ(history.stats(summed), (PlayStats{4, 190, 2500}));
}

// A run that starts at the first second of the period asked for is in it; one a second before
// is not.
TEST(PlayHistoryFile, APeriodTakesTheRunAtItsFirstSecond) {
    TempFolder dir;
    PlayHistory history(dir.file("PlayHistory.sqlite"));
    history.record({{"FC", "a", std::nullopt, std::nullopt}, 1999, 10, 0, false});
    history.record({{"FC", "b", std::nullopt, std::nullopt}, 2000, 20, 0, false});
    const std::vector<GamePlays> games = history.games("FC", 2000);
    ASSERT_EQ(games.size(), 1u);
    EXPECT_EQ(games[0].title, "b");
    EXPECT_EQ(games[0].stats, (PlayStats{1, 20, 2000}));
    EXPECT_EQ(history.games("FC", 2001).size(), 0u);
    EXPECT_EQ(history.games("FC", 1999).size(), 2u);
}

}  // namespace romshelf::test
