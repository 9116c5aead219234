#include "core/storage/PlayHistory.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <functional>
#include <limits>
#include <map>
#include <tuple>

#include "core/platform/FileSystem.h"
#include "core/storage/RefusedFileCopy.h"
#include "core/storage/SqliteFile.h"
#include "core/platform/LocalTime.h"
#include "core/storage/LibSqlite.h"

namespace romshelf {

namespace {

// The layout below. A later version of the program that changes it in a way an older one cannot
// write raises the number: an older copy then leaves the file alone.
constexpr int kSchemaVersion = 1;

// Titles are file names as bytes (not always UTF-8): BLOBs. Sums are NULL until known.
constexpr const char* kTables =
    "CREATE TABLE IF NOT EXISTS plays ("
    " id INTEGER PRIMARY KEY,"
    " hardware TEXT NOT NULL,"
    " title BLOB NOT NULL,"
    " size INTEGER,"
    " crc INTEGER,"
    " started INTEGER NOT NULL,"
    " seconds INTEGER NOT NULL,"
    " status INTEGER NOT NULL,"
    " counted INTEGER NOT NULL);"
    "CREATE INDEX IF NOT EXISTS plays_title ON plays (hardware, title);"
    "CREATE INDEX IF NOT EXISTS plays_sums ON plays (size, crc)";

// A later version may add columns a row can leave out. Always a rollback journal: the history
// may be written by the window and romshelf-cli, and from other machines on a share.
const sqlite::Schema kSchema{.sql = kTables,
                             .table = "plays",
                             .version = kSchemaVersion,
                             .exact = false,
                             .journal = "DELETE",
                             .pragmas = ""};

constexpr const char* kColumns = "SELECT hardware, title, size, crc, started, seconds, counted ";

// The columns of a run, in kTables' order after the id.
constexpr const char* kRunColumns[] = {"hardware", "title",   "size",   "crc",
                                       "started",  "seconds", "status", "counted"};

std::string columnBytes(sqlite3_stmt* s, int column) {
    const void* data = libSqlite().sqlite3_column_blob(s, column);
    const int size = libSqlite().sqlite3_column_bytes(s, column);
    return data ? std::string(static_cast<const char*>(data), static_cast<std::size_t>(size))
                : std::string();
}

void bindKey(sqlite3_stmt* s, const PlayKey& key) {
    libSqlite().sqlite3_bind_text(s, 1, key.hardware.data(), static_cast<int>(key.hardware.size()),
                                  SQLITE_TRANSIENT);
    libSqlite().sqlite3_bind_blob64(s, 2, key.title.data(), key.title.size(), SQLITE_TRANSIENT);
    if (key.hashed()) {
        libSqlite().sqlite3_bind_int64(s, 3, static_cast<sqlite3_int64>(*key.size));
        libSqlite().sqlite3_bind_int64(s, 4, static_cast<sqlite3_int64>(*key.crc));
    } else {
        libSqlite().sqlite3_bind_null(s, 3);
        libSqlite().sqlite3_bind_null(s, 4);
    }
}

// Runs one statement with `bind`, handing each row to `row`; the last result code.
int run(sqlite3* db, const std::string& sql, const std::function<void(sqlite3_stmt*)>& bind,
        const std::function<void(sqlite3_stmt*)>& row = {}) {
    sqlite3_stmt* s = nullptr;
    int rc = libSqlite().sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr);
    if (rc != SQLITE_OK) return rc;
    bind(s);
    while ((rc = libSqlite().sqlite3_step(s)) == SQLITE_ROW)
        if (row) row(s);
    libSqlite().sqlite3_finalize(s);
    return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

bool sameSums(const PlayKey& a, const PlayKey& b) { return a.size == b.size && a.crc == b.crc; }

// A row read back from a damaged file is taken only with every value of the kind it must be.
bool plausibleRun(sqlite3_stmt* s) {
    auto is = [&](int column, int type) {
        return libSqlite().sqlite3_column_type(s, column) == type;
    };
    const bool sums = is(3, SQLITE_INTEGER) && is(4, SQLITE_INTEGER);
    const bool noSums = is(3, SQLITE_NULL) && is(4, SQLITE_NULL);
    return is(1, SQLITE_TEXT) && (is(2, SQLITE_TEXT) || is(2, SQLITE_BLOB)) && (sums || noSums) &&
           is(5, SQLITE_INTEGER) && is(6, SQLITE_INTEGER) && is(7, SQLITE_INTEGER) &&
           is(8, SQLITE_INTEGER);
}

// Reads a damaged table one row at a time: each step finds the first row after a rowid, so that a
// damaged page fails only the steps that have to pass through it. A budget of steps bounds the
// work on a file damaged throughout.
class RowWalk {
public:
    explicit RowWalk(sqlite3_stmt* next) : next_(next) {}

    bool hasBudget() const { return budget_ > 0; }
    // SQLITE_ROW with the first row after `after` in the statement, SQLITE_DONE, or a failure.
    int readAfter(long long after) {
        libSqlite().sqlite3_reset(next_);
        libSqlite().sqlite3_bind_int64(next_, 1, after);
        --budget_;
        return libSqlite().sqlite3_step(next_);
    }
    // The lowest rowid past `last` from which reading goes on: farther and farther ahead until a
    // read works, then back to the start of what works.
    std::optional<long long> resumeAfter(long long last) {
        long long bad = last, good = 0;
        bool found = false;
        for (int k = 0; k < 63 && !found && budget_ > 0; ++k) {
            const long long step = 1LL << k;
            if (last > std::numeric_limits<long long>::max() - step) break;
            if (readable(last + step))
                good = last + step, found = true;
            else
                bad = last + step;
        }
        if (!found) return std::nullopt;
        while (good - bad > 1 && budget_ > 0) {
            const long long middle = bad + (good - bad) / 2;
            (readable(middle) ? good : bad) = middle;
        }
        return good;
    }

private:
    bool readable(long long after) {
        const int rc = readAfter(after);
        return rc == SQLITE_ROW || rc == SQLITE_DONE;
    }

    sqlite3_stmt* next_;
    int budget_ = 1'000'000;
};

// The next run after ?1: our columns as the old table has them, NULL where it has none.
std::string selectRunsOf(const std::vector<sqlite::Column>& columns) {
    std::string select = "SELECT rowid";
    for (const char* name : kRunColumns) {
        const bool has = std::any_of(columns.begin(), columns.end(),
                                     [&](const sqlite::Column& c) { return c.name == name; });
        select += has ? std::string(", \"") + name + "\"" : std::string(", NULL");
    }
    return select + " FROM plays WHERE rowid > ?1 ORDER BY rowid LIMIT 1";
}

// Copies the run `from` holds, as row `rowid`; whether it was added.
bool copyRun(sqlite3_stmt* from, sqlite3_stmt* insert, sqlite3* to, long long rowid) {
    libSqlite().sqlite3_reset(insert);
    libSqlite().sqlite3_bind_int64(insert, 1, rowid);
    for (int i = 1; i <= 8; ++i)
        libSqlite().sqlite3_bind_value(insert, i + 1, libSqlite().sqlite3_column_value(from, i));
    // Titles are kept as bytes, whatever the old file made of them.
    const void* title = libSqlite().sqlite3_column_blob(from, 2);
    libSqlite().sqlite3_bind_blob64(
        insert, 3, title ? title : "",
        static_cast<sqlite3_uint64>(libSqlite().sqlite3_column_bytes(from, 2)), SQLITE_TRANSIENT);
    return libSqlite().sqlite3_step(insert) == SQLITE_DONE && libSqlite().sqlite3_changes(to) == 1;
}

// Copies every run that can still be read from the database at `from` (a file kept aside) into
// `to`, one row at a time: a row, or a stretch of the table, that cannot be read is skipped. The
// number of runs copied.
int salvageRuns(const std::string& from, sqlite3* to) {
    sqlite3* old = nullptr;
    sqlite3_stmt* next = nullptr;
    sqlite3_stmt* insert = nullptr;
    int copied = 0;
    const bool opened =
        libSqlite().sqlite3_open_v2(sqlite::immutableUri(from).c_str(), &old,
                                    SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) == SQLITE_OK;
    // A file shorter than its header says is refused outright otherwise; the connection cannot
    // write anyway.
    if (opened)
        libSqlite().sqlite3_exec(old, "PRAGMA writable_schema=ON", nullptr, nullptr, nullptr);
    const auto columns = opened ? sqlite::columnsOf(old, "plays") : std::nullopt;
    if (columns && !columns->empty()) {
        libSqlite().sqlite3_prepare_v2(old, selectRunsOf(*columns).c_str(), -1, &next, nullptr);
        libSqlite().sqlite3_prepare_v2(
            to,
            "INSERT OR IGNORE INTO plays"
            " (id, hardware, title, size, crc, started, seconds, status, counted)"
            " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)",
            -1, &insert, nullptr);
    }
    if (next && insert &&
        libSqlite().sqlite3_exec(to, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK) {
        RowWalk walk(next);
        long long last = std::numeric_limits<long long>::min();
        while (walk.hasBudget()) {
            const int rc = walk.readAfter(last);
            if (rc == SQLITE_DONE) break;
            if (rc != SQLITE_ROW) {
                const std::optional<long long> resume = walk.resumeAfter(last);
                if (!resume) break;
                last = *resume;
                continue;
            }
            last = libSqlite().sqlite3_column_int64(next, 0);
            if (plausibleRun(next) && copyRun(next, insert, to, last)) ++copied;
        }
        if (libSqlite().sqlite3_exec(to, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
            libSqlite().sqlite3_exec(to, "ROLLBACK", nullptr, nullptr, nullptr);
            copied = 0;
        }
    }
    libSqlite().sqlite3_finalize(next);
    libSqlite().sqlite3_finalize(insert);
    libSqlite().sqlite3_close_v2(old);
    return copied;
}

std::string fileNameOf(const std::string& path) { return fs::pathName(path); }

}  // namespace

PlayHistory::~PlayHistory() { close(); }

void PlayHistory::setAccess(Access access) {
    if (access == access_) return;
    close();
    access_ = access;
    tried_ = false;
}

void PlayHistory::tell(const std::string& message) {
    if (report_) report_(message);
}

bool PlayHistory::open() {
    if (db_) return true;
    // A reader makes no file; a file made later is read then.
    if (tried_ || (access_ == Access::Read && !fs::fileExists(path_))) return false;
    tried_ = true;
    return access_ == Access::Write ? openToWrite() : openToRead();
}

bool PlayHistory::openToWrite() {
    return took(sqlite::openFile(path_, kSchema, sqlite::DamagePolicy::Salvage,
                                 [this](const std::string& aside, sqlite3* fresh) {
                                     salvaged_ = salvageRuns(aside, fresh);
                                 }));
}

bool PlayHistory::took(sqlite::Opened opened) {
    const std::string name = fileNameOf(path_);
    db_ = opened.db;
    const std::string what = opened.found == sqlite::Found::Foreign
                                 ? "プレイ履歴 " + name + " はこのプログラムの形式ではありません。"
                                 : "プレイ履歴 " + name + " が壊れています。";
    if (!opened.brokenCopy.empty() && !opened.asideFailed) {
        rebuilt_ = true;
        brokenCopy_ = opened.brokenCopy;
        if (db_)
            tell(what + "新しく作り直し、読み出せた " + std::to_string(salvaged_) +
                 " 件のプレイの記録を移しました。\n元のファイルは次の名前で残してあります。\n" +
                 opened.brokenCopy);
        else
            tell(what +
                 "新しいファイルを作れなかったため、プレイは記録されません。\n"
                 "元のファイルは次の名前で残してあります。\n" +
                 opened.brokenCopy);
        return db_ != nullptr;
    }
    if (db_) return true;
    switch (opened.found) {
        case sqlite::Found::Damaged:
        case sqlite::Found::Foreign:
            tell(what +
                 "別の名前に移せなかったため、そのままにしてあります。プレイは記録されません。");
            break;
        case sqlite::Found::Later:
            tell("プレイ履歴 " + name +
                 " は新しい版のプログラムで作られているため、使いません（ファイルはそのままです）。"
                 "プレイは記録されません。");
            break;
        case sqlite::Found::Unavailable:
        case sqlite::Found::Usable:
        case sqlite::Found::New:
            tell("プレイ履歴 " + name + " を今は開けませんでした（ファイルはそのままです）。");
            break;
    }
    return false;
}

bool PlayHistory::openToRead() {
    const std::string name = fileNameOf(path_);
    const sqlite::Opened opened = sqlite::openToRead(path_, kSchema);
    db_ = opened.db;
    if (db_) return true;
    switch (opened.found) {
        case sqlite::Found::Usable:
        case sqlite::Found::New:
            break;
        case sqlite::Found::Damaged:
            tell("プレイ履歴 " + name +
                 " が壊れているため、読み込めませんでした（ファイルはそのままです）。");
            break;
        case sqlite::Found::Foreign:
            tell(
                "プレイ履歴 " + name +
                " はこのプログラムの形式ではないため、読み込めませんでした（ファイルはそのままです）。");
            break;
        case sqlite::Found::Later:
            tell(
                "プレイ履歴 " + name +
                " は新しい版のプログラムで作られているため、読み込めませんでした（ファイルはそのままです）。");
            break;
        case sqlite::Found::Unavailable:
            tell("プレイ履歴 " + name + " を今は読み込めませんでした（ファイルはそのままです）。");
            break;
    }
    return false;
}

void PlayHistory::close() {
    if (db_) libSqlite().sqlite3_close_v2(db_);
    db_ = nullptr;
}

void PlayHistory::failed(int rc) {
    if (!db_ || !sqlite::isDamage(rc)) return;
    close();
    if (access_ == Access::Write) {
        took(sqlite::replaceUnusable(path_, kSchema, sqlite::DamagePolicy::Salvage,
                                     sqlite::Found::Damaged,
                                     [this](const std::string& aside, sqlite3* fresh) {
                                         salvaged_ = salvageRuns(aside, fresh);
                                     }));
        return;
    }
    tell("プレイ履歴 " + fileNameOf(path_) +
         " が壊れているため、読み込めませんでした（ファイルはそのままです）。");
}

bool PlayHistory::record(const PlayRecord& r) {
    if (access_ == Access::Read) return false;
    // A file that could not be used is looked at again for each run (it may have been mended,
    // and the user hears again that the run is not kept); reads do not ask again.
    if (!db_) tried_ = false;
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!open()) return false;
        int rc = libSqlite().sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        if (rc == SQLITE_OK && r.key.hashed())
            // The runs of this title from before it was summed were this file's, unless they
            // are older than its bytes.
            rc = run(db_,
                     "UPDATE plays SET size = ?3, crc = ?4"
                     " WHERE hardware = ?1 AND title = ?2 AND size IS NULL AND started >= ?5",
                     [&](sqlite3_stmt* s) {
                         bindKey(s, r.key);
                         libSqlite().sqlite3_bind_int64(s, 5, r.key.since);
                     });
        if (rc == SQLITE_OK)
            rc = run(db_,
                     "INSERT INTO plays (hardware, title, size, crc, started, seconds, status,"
                     " counted) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)",
                     [&](sqlite3_stmt* s) {
                         bindKey(s, r.key);
                         libSqlite().sqlite3_bind_int64(s, 5, r.started);
                         libSqlite().sqlite3_bind_int64(s, 6, r.seconds);
                         libSqlite().sqlite3_bind_int(s, 7, r.status);
                         libSqlite().sqlite3_bind_int(s, 8,
                                                      countsAsPlay(r.seconds, r.failed) ? 1 : 0);
                     });
        if (rc == SQLITE_OK)
            rc = libSqlite().sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
        if (rc == SQLITE_OK) return true;
        libSqlite().sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        if (!sqlite::isDamage(rc)) {
            tell("プレイ履歴 " + fileNameOf(path_) + " に記録できませんでした（" +
                 libSqlite().sqlite3_errstr(rc) + "）。");
            return false;
        }
        // Made anew, with what could be read: the run goes into the new file.
        failed(rc);
    }
    return false;
}

std::vector<PlayHistory::Row> PlayHistory::rows(const char* where,
                                                const std::vector<std::string>& texts,
                                                const PlayKey* key) {
    std::vector<Row> found;
    if (!open()) return found;
    const int rc = run(
        db_, std::string(kColumns) + "FROM plays " + where + " ORDER BY started, id",
        [&](sqlite3_stmt* s) {
            if (key) bindKey(s, *key);
            for (std::size_t i = 0; i < texts.size(); ++i)
                libSqlite().sqlite3_bind_text(s, static_cast<int>(i + 1), texts[i].data(),
                                              static_cast<int>(texts[i].size()), SQLITE_TRANSIENT);
        },
        [&](sqlite3_stmt* s) {
            Row row{{reinterpret_cast<const char*>(libSqlite().sqlite3_column_text(s, 0)),
                     columnBytes(s, 1), std::nullopt, std::nullopt},
                    libSqlite().sqlite3_column_int64(s, 4),
                    libSqlite().sqlite3_column_int64(s, 5),
                    libSqlite().sqlite3_column_int(s, 6) != 0};
            if (libSqlite().sqlite3_column_type(s, 2) != SQLITE_NULL) {
                row.key.size = static_cast<std::uint64_t>(libSqlite().sqlite3_column_int64(s, 2));
                row.key.crc = static_cast<std::uint32_t>(libSqlite().sqlite3_column_int64(s, 3));
            }
            found.push_back(std::move(row));
        });
    if (rc != SQLITE_OK) {
        found.clear();
        failed(rc);
    }
    return found;
}

PlayStats PlayHistory::stats(const PlayKey& key) {
    PlayStats stats;
    const std::vector<Row> found =
        rows("WHERE hardware = ?1 AND (title = ?2 OR (size = ?3 AND crc = ?4))", {}, &key);
    for (const Row& row : found) {
        // A title now held by other bytes: another game's runs.
        if (!row.counted || (key.hashed() && row.key.hashed() && !sameSums(row.key, key))) continue;
        // An unsummed run of the title from before the file had its bytes: another game's.
        if (key.hashed() && !row.key.hashed() && row.started < key.since) continue;
        ++stats.count;
        stats.seconds += row.seconds;
        stats.lastPlayed = std::max(stats.lastPlayed, row.started);
    }
    return stats;
}

std::vector<GamePlays> PlayHistory::games(std::string_view hardware, long long since) {
    const std::vector<Row> found =
        hardware.empty() ? rows("", {}, nullptr)
                         : rows("WHERE hardware = ?1", {std::string(hardware)}, nullptr);
    // Oldest first: each run joins the game of its sums, else that of its title (unless that one
    // has other sums); the later runs name the game.
    std::vector<GamePlays> games;
    std::vector<PlayKey> keys;
    std::map<std::tuple<std::string, std::uint64_t, std::uint32_t>, std::size_t> bySums;
    std::map<std::pair<std::string, std::string>, std::size_t> byTitle;
    for (const Row& row : found) {
        std::optional<std::size_t> game;
        if (row.key.hashed())
            if (const auto it = bySums.find({row.key.hardware, *row.key.size, *row.key.crc});
                it != bySums.end())
                game = it->second;
        if (!game)
            if (const auto it = byTitle.find({row.key.hardware, row.key.title});
                it != byTitle.end() && (!row.key.hashed() || !keys[it->second].hashed() ||
                                        sameSums(keys[it->second], row.key)))
                game = it->second;
        if (!game) {
            game = games.size();
            games.push_back({});
            keys.push_back({});
        }
        GamePlays& g = games[*game];
        g.hardware = row.key.hardware, g.title = row.key.title;
        if (row.key.hashed()) {
            keys[*game] = row.key;
            bySums[{row.key.hardware, *row.key.size, *row.key.crc}] = *game;
        }
        byTitle[{row.key.hardware, row.key.title}] = *game;
        if (!row.counted || row.started < since) continue;
        ++g.stats.count;
        g.stats.seconds += row.seconds;
        g.stats.lastPlayed = std::max(g.stats.lastPlayed, row.started);
    }
    std::erase_if(games, [](const GamePlays& g) { return g.stats.count == 0; });
    std::stable_sort(games.begin(), games.end(), [](const GamePlays& a, const GamePlays& b) {
        return a.stats.lastPlayed > b.stats.lastPlayed;
    });
    return games;
}

}  // namespace romshelf
