// The one way the program's SQLite files are opened: what an unusable file becomes under each
// policy, and which layouts count as ours.
#include "core/storage/SqliteFile.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <filesystem>

#include "TempFolder.h"
#include "core/platform/FileSystem.h"

namespace romshelf::test {
namespace {

using sqlite::DamagePolicy;
using sqlite::Found;

const sqlite::Schema kNotes{.sql =
                                "CREATE TABLE IF NOT EXISTS notes ("
                                " id INTEGER PRIMARY KEY, text TEXT NOT NULL)",
                            .table = "notes",
                            .version = 2,
                            .exact = false,
                            .journal = "DELETE",
                            .pragmas = ""};

// Runs SQL on a file of its own connection (a file made by someone else).
void make(const std::string& path, const char* sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sql;
    sqlite3_close(db);
}

std::string bytesOf(const std::string& path) { return fs::readFile(path).value_or("<none>"); }

struct Unusable {
    const char* what;
    Found found;
    const char* sql;  // nullptr: the file holds `bytes`
    std::string bytes;
};

TEST(SqliteFile, AnUnusableFileIsKeptAsideRemadeSalvagedOrLeftAsThePolicySays) {
    const Unusable cases[] = {
        {"garbage", Found::Damaged, nullptr, std::string(4096, 'x')},
        {"another layout", Found::Foreign, "CREATE TABLE other (a)", ""},
        {"a column we cannot fill", Found::Foreign,
         "CREATE TABLE notes (id INTEGER PRIMARY KEY, text TEXT NOT NULL, owner TEXT NOT NULL);"
         "PRAGMA user_version=2",
         ""},
    };
    for (const Unusable& c : cases) {
        for (const DamagePolicy policy :
             {DamagePolicy::StartAnew, DamagePolicy::Salvage, DamagePolicy::Refuse}) {
            SCOPED_TRACE(std::string(c.what) + " policy " + std::to_string(int(policy)));
            TempFolder dir;
            const std::string path = dir.file("notes.sqlite");
            if (c.sql)
                make(path, c.sql);
            else
                dir.write("notes.sqlite", c.bytes);
            const std::string before = bytesOf(path);
            std::string salvagedFrom;
            const sqlite::Opened opened =
                sqlite::openFile(path, kNotes, policy,
                                 [&](const std::string& aside, sqlite3*) { salvagedFrom = aside; });
            EXPECT_EQ(opened.found, c.found);
            if (policy == DamagePolicy::Refuse) {
                EXPECT_EQ(opened.db, nullptr);
                EXPECT_EQ(bytesOf(path), before);
                EXPECT_TRUE(opened.brokenCopy.empty());
                continue;
            }
            ASSERT_NE(opened.db, nullptr);
            // The old bytes are kept whole beside the new file, which is ours and empty.
            ASSERT_FALSE(opened.brokenCopy.empty());
            EXPECT_NE(opened.brokenCopy.find("notes.sqlite.broken-"), std::string::npos);
            EXPECT_EQ(bytesOf(opened.brokenCopy), before);
            EXPECT_EQ(salvagedFrom, policy == DamagePolicy::Salvage ? opened.brokenCopy : "");
            EXPECT_EQ(sqlite::userVersion(opened.db), 2);
            EXPECT_EQ(sqlite::inspect(opened.db, kNotes), Found::Usable);
            sqlite3_close(opened.db);
        }
    }
}

TEST(SqliteFile, ALaterVersionIsNeverTouchedAndAReaderMakesNothing) {
    TempFolder dir;
    const std::string path = dir.file("notes.sqlite");
    // A reader of a file that is not there makes none.
    const sqlite::Opened none = sqlite::openToRead(path, kNotes);
    EXPECT_EQ(none.db, nullptr);
    EXPECT_FALSE(fs::fileExists(path));

    make(path,
         "CREATE TABLE notes (id INTEGER PRIMARY KEY, text TEXT NOT NULL, x BLOB NOT NULL);"
         "PRAGMA user_version=3");
    const std::string before = bytesOf(path);
    for (const DamagePolicy policy : {DamagePolicy::StartAnew, DamagePolicy::Salvage}) {
        const sqlite::Opened later = sqlite::openFile(path, kNotes, policy);
        EXPECT_EQ(later.found, Found::Later);
        EXPECT_EQ(later.db, nullptr);
        EXPECT_TRUE(later.brokenCopy.empty());
    }
    EXPECT_EQ(bytesOf(path), before);
    EXPECT_EQ(std::filesystem::directory_iterator(dir.path())->path().filename(), "notes.sqlite");
}

TEST(SqliteFile, ALooseLayoutTakesAddedColumnsThatARowMayLeaveOutAnExactOneNothingElse) {
    TempFolder dir;
    const std::string path = dir.file("notes.sqlite");
    make(path,
         "CREATE TABLE notes (id INTEGER PRIMARY KEY, text TEXT NOT NULL, tag TEXT,"
         " seen INTEGER NOT NULL DEFAULT 0);"
         "PRAGMA user_version=2");
    const sqlite::Opened loose = sqlite::openFile(path, kNotes, DamagePolicy::Refuse);
    EXPECT_EQ(loose.found, Found::Usable);
    ASSERT_NE(loose.db, nullptr);
    sqlite::Schema exact = kNotes;
    exact.exact = true;
    EXPECT_EQ(sqlite::inspect(loose.db, exact), Found::Foreign);
    sqlite3_close(loose.db);

    // A new file gets the tables, the version and the journal asked for.
    const sqlite::Opened fresh =
        sqlite::openFile(dir.file("new.sqlite"), kNotes, DamagePolicy::Refuse);
    EXPECT_EQ(fresh.found, Found::New);
    ASSERT_NE(fresh.db, nullptr);
    EXPECT_EQ(sqlite::userVersion(fresh.db), 2);
    EXPECT_EQ(sqlite::inspect(fresh.db, exact), Found::Usable);
    sqlite3_stmt* s = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(fresh.db, "PRAGMA journal_mode", -1, &s, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(s), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)), "delete");
    sqlite3_finalize(s);
    sqlite3_close(fresh.db);
}

}  // namespace
}  // namespace romshelf::test
