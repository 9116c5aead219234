#include "core/storage/PlayHistory.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <map>
#include <tuple>

#include "core/platform/FileSystem.h"

namespace romshelf {

namespace {

constexpr int kSchemaVersion = 1;

// Titles are file names as bytes (not always UTF-8): BLOBs. Sums are NULL until known.
constexpr const char* kSchema =
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

constexpr const char* kColumns = "SELECT hardware, title, size, crc, started, seconds, counted ";

bool damaged(int rc) {
    const int primary = rc & 0xFF;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB || primary == SQLITE_ERROR ||
           primary == SQLITE_SCHEMA;
}

std::string columnBytes(sqlite3_stmt* s, int column) {
    const void* data = sqlite3_column_blob(s, column);
    const int size = sqlite3_column_bytes(s, column);
    return data ? std::string(static_cast<const char*>(data), static_cast<std::size_t>(size))
                : std::string();
}

void bindKey(sqlite3_stmt* s, const PlayKey& key) {
    sqlite3_bind_text(s, 1, key.hardware.data(), static_cast<int>(key.hardware.size()),
                      SQLITE_TRANSIENT);
    sqlite3_bind_blob64(s, 2, key.title.data(), key.title.size(), SQLITE_TRANSIENT);
    if (key.hashed()) {
        sqlite3_bind_int64(s, 3, static_cast<sqlite3_int64>(*key.size));
        sqlite3_bind_int64(s, 4, static_cast<sqlite3_int64>(*key.crc));
    } else {
        sqlite3_bind_null(s, 3);
        sqlite3_bind_null(s, 4);
    }
}

// Runs one statement with `bind`, handing each row to `row`; the last result code.
int run(sqlite3* db, const std::string& sql, const std::function<void(sqlite3_stmt*)>& bind,
        const std::function<void(sqlite3_stmt*)>& row = {}) {
    sqlite3_stmt* s = nullptr;
    int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr);
    if (rc != SQLITE_OK) return rc;
    bind(s);
    while ((rc = sqlite3_step(s)) == SQLITE_ROW)
        if (row) row(s);
    sqlite3_finalize(s);
    return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

bool sameSums(const PlayKey& a, const PlayKey& b) { return a.size == b.size && a.crc == b.crc; }

}  // namespace

bool countsAsPlay(long long seconds, bool failed) {
    return !failed || seconds >= kShortestFailedPlay;
}

std::string playTimeText(long long seconds) {
    seconds = std::max(seconds, 0LL);
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
    return text;
}

std::string localDateTimeText(long long secondsSinceEpoch) {
    const std::time_t t = static_cast<std::time_t>(secondsSinceEpoch);
    std::tm local{};
    localtime_r(&t, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

std::optional<long long> localDayStart(std::string_view date) {
    int y = 0, m = 0, d = 0;
    char rest = 0;
    const std::string text(date);
    if (text.size() != 10 || std::sscanf(text.c_str(), "%4d-%2d-%2d%c", &y, &m, &d, &rest) != 3 ||
        m < 1 || m > 12 || d < 1 || d > 31)
        return std::nullopt;
    std::tm local{};
    local.tm_year = y - 1900, local.tm_mon = m - 1, local.tm_mday = d, local.tm_isdst = -1;
    const std::time_t t = std::mktime(&local);
    if (t == static_cast<std::time_t>(-1)) return std::nullopt;
    return static_cast<long long>(t);
}

PlayHistory::~PlayHistory() { close(); }

bool PlayHistory::open(bool create) {
    if (db_) return true;
    if (tried_ || (!create && !fs::fileExists(path_))) return false;
    tried_ = true;
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (openFile()) return true;
        const int rc = db_ ? sqlite3_errcode(db_) : SQLITE_CANTOPEN;
        close();
        // A folder that cannot be written (or no data folder): a new file would not help.
        if (!damaged(rc) || !fs::fileExists(path_)) return false;
        for (const char* suffix : {"", "-journal", "-wal", "-shm"}) fs::removeFile(path_ + suffix);
        rebuilt_ = true;
    }
    return false;
}

bool PlayHistory::openFile() {
    if (sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK)
        return false;
    // The window and romshelf-cli may both write for a moment.
    sqlite3_busy_timeout(db_, 2000);
    int version = -1;
    auto readVersion = [](void* out, int, char** values, char**) {
        *static_cast<int*>(out) = values[0] ? std::atoi(values[0]) : -1;
        return 0;
    };
    if (sqlite3_exec(db_, "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr) != SQLITE_OK ||
        sqlite3_exec(db_, kSchema, nullptr, nullptr, nullptr) != SQLITE_OK ||
        sqlite3_exec(db_, "PRAGMA user_version", readVersion, &version, nullptr) != SQLITE_OK)
        return false;
    if (version == 0) {
        version = kSchemaVersion;
        if (sqlite3_exec(db_, ("PRAGMA user_version=" + std::to_string(version)).c_str(), nullptr,
                         nullptr, nullptr) != SQLITE_OK)
            return false;
    }
    return version == kSchemaVersion;
}

void PlayHistory::close() {
    if (db_) sqlite3_close_v2(db_);
    db_ = nullptr;
}

void PlayHistory::failed(int rc) {
    if (!db_ || !damaged(rc)) return;
    close();
    for (const char* suffix : {"", "-journal", "-wal", "-shm"}) fs::removeFile(path_ + suffix);
    rebuilt_ = true;
    tried_ = false;
    open(true);
}

void PlayHistory::record(const PlayRecord& r) {
    if (!open(true)) return;
    int rc = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK && r.key.hashed())
        // The runs of this title from before it was summed were this file's.
        rc = run(db_,
                 "UPDATE plays SET size = ?3, crc = ?4"
                 " WHERE hardware = ?1 AND title = ?2 AND size IS NULL",
                 [&](sqlite3_stmt* s) { bindKey(s, r.key); });
    if (rc == SQLITE_OK)
        rc = run(db_,
                 "INSERT INTO plays (hardware, title, size, crc, started, seconds, status, counted)"
                 " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)",
                 [&](sqlite3_stmt* s) {
                     bindKey(s, r.key);
                     sqlite3_bind_int64(s, 5, r.started);
                     sqlite3_bind_int64(s, 6, r.seconds);
                     sqlite3_bind_int(s, 7, r.status);
                     sqlite3_bind_int(s, 8, countsAsPlay(r.seconds, r.failed) ? 1 : 0);
                 });
    if (rc == SQLITE_OK) rc = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) return;
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    failed(rc);
}

std::vector<PlayHistory::Row> PlayHistory::rows(const char* where,
                                                const std::vector<std::string>& texts,
                                                const PlayKey* key) {
    std::vector<Row> found;
    if (!open(false)) return found;
    const int rc = run(
        db_, std::string(kColumns) + "FROM plays " + where + " ORDER BY started, id",
        [&](sqlite3_stmt* s) {
            if (key) bindKey(s, *key);
            for (std::size_t i = 0; i < texts.size(); ++i)
                sqlite3_bind_text(s, static_cast<int>(i + 1), texts[i].data(),
                                  static_cast<int>(texts[i].size()), SQLITE_TRANSIENT);
        },
        [&](sqlite3_stmt* s) {
            Row row{{reinterpret_cast<const char*>(sqlite3_column_text(s, 0)), columnBytes(s, 1),
                     std::nullopt, std::nullopt},
                    sqlite3_column_int64(s, 4),
                    sqlite3_column_int64(s, 5),
                    sqlite3_column_int(s, 6) != 0};
            if (sqlite3_column_type(s, 2) != SQLITE_NULL) {
                row.key.size = static_cast<std::uint64_t>(sqlite3_column_int64(s, 2));
                row.key.crc = static_cast<std::uint32_t>(sqlite3_column_int64(s, 3));
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
