#pragma once

#include <optional>
#include <string>
#include <vector>

struct sqlite3;

// What the program's SQLite files share: the checks made when one is opened, and the journal a
// folder allows. A file that fails them is never deleted: its owner keeps it aside
// (moveRefusedFileAside) or leaves it alone.
namespace romshelf::sqlite {

// Result codes saying that the file is no sound database (damaged, or not a database at all).
bool isDamage(int rc);

// PRAGMA quick_check: SQLITE_OK when it found nothing wrong, SQLITE_CORRUPT when it found damage,
// otherwise the code it failed with (SQLITE_NOTADB, SQLITE_BUSY, ...).
int quickCheck(sqlite3* db);

// PRAGMA user_version; nullopt when it cannot be read.
std::optional<int> userVersion(sqlite3* db);
bool setUserVersion(sqlite3* db, int version);

struct Column {
    std::string name, type;
    bool notNull = false;
    bool hasDefault = false;
    int primaryKey = 0;  // position in the primary key, 0: none
    bool operator==(const Column&) const = default;
};
// The columns of `table` in their order (none when there is no such table); nullopt when they
// cannot be read.
std::optional<std::vector<Column>> columnsOf(sqlite3* db, const std::string& table);
// The columns `schema` (CREATE statements) gives `table`, as a database made from it has them.
std::vector<Column> schemaColumns(const char* schema, const std::string& table);
// How many tables the database holds; nullopt when that cannot be read.
std::optional<int> tableCount(sqlite3* db);

// A "file:" URI for opening `path` as a file nobody changes (with SQLITE_OPEN_URI): no lock is
// taken and no journal beside it is played back, so a file kept aside reads as it was left.
std::string immutableUri(const std::string& path);

// "WAL" where it is safe (a local disk), else "DELETE": WAL's shared-memory index is not shared
// between machines, and two of them writing one file through it corrupt it.
const char* journalModeFor(const std::string& path);

}  // namespace romshelf::sqlite
