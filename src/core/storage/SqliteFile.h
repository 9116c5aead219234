#pragma once

#include <functional>
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

// What a file's tables are meant to be.
struct Schema {
    const char* sql = nullptr;    // CREATE … IF NOT EXISTS statements
    const char* table = nullptr;  // the table whose columns tell the layout
    int version = 1;              // PRAGMA user_version of this layout
    // Exactly this version, table and columns (a cache: rows of another layout would be taken for
    // what they are not); else a file with the table's columns is taken, also with columns a
    // later version added that a row may leave out.
    bool exact = true;
    const char* journal = nullptr;  // journal mode; nullptr: journalModeFor(path)
    const char* pragmas = "";       // more PRAGMAs, run with the journal mode
};

// What an opened file was found to be.
enum class Found { Usable, New, Damaged, Foreign, Later, Unavailable };
Found inspect(sqlite3* db, const Schema& schema);

// What is done with a file that is there but cannot be used (damaged, or of another layout).
// A file a later version made is never touched.
enum class DamagePolicy {
    StartAnew,  // moved aside (<name>.broken-<date>-<time>) and made anew: a cache loses nothing
    Salvage,    // the same, and what can still be read is carried into the new file
    Refuse,     // left as it is and not used
};

// Carries what can be read of the file moved aside to `aside` into the new file `fresh`.
using Salvager = std::function<void(const std::string& aside, sqlite3* fresh)>;

struct Opened {
    sqlite3* db = nullptr;             // open and ready; nullptr: not used (see `found`)
    Found found = Found::Unavailable;  // what the file was when opened
    std::string brokenCopy;            // where an unusable file was moved, when it was
    bool asideFailed = false;          // it could not be moved: left as it was, not used
};

// Opens `path` for reading and writing (made when missing), waits up to 2 s for another writer,
// checks it against `schema` and prepares it (journal, tables, version). An unusable file is
// treated by `policy`.
Opened openFile(const std::string& path, const Schema& schema, DamagePolicy policy,
                const Salvager& salvage = {});
// Opens an existing file to read; `db` only when it is usable.
Opened openToRead(const std::string& path, const Schema& schema);
// A file found damaged while in use (its connection closed by the caller): treated by `policy`
// as at opening.
Opened replaceUnusable(const std::string& path, const Schema& schema, DamagePolicy policy,
                       Found why, const Salvager& salvage = {});

}  // namespace romshelf::sqlite
