#include "core/storage/SqliteFile.h"

#include <algorithm>
#include <cstdio>

#include "core/platform/FileSystem.h"
#include "core/storage/RefusedFileCopy.h"
#include "core/storage/LibSqlite.h"

namespace romshelf::sqlite {

namespace {

std::string columnText(sqlite3_stmt* s, int column) {
    const unsigned char* text = libSqlite().sqlite3_column_text(s, column);
    return text ? reinterpret_cast<const char*>(text) : std::string();
}

}  // namespace

bool isDamage(int rc) {
    const int primary = rc & 0xFF;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

int quickCheck(sqlite3* db) {
    sqlite3_stmt* s = nullptr;
    int rc = libSqlite().sqlite3_prepare_v2(db, "PRAGMA quick_check", -1, &s, nullptr);
    if (rc != SQLITE_OK) return rc;
    // One row "ok" when all is well; otherwise a row for each problem found.
    bool ok = false;
    int rows = 0;
    while ((rc = libSqlite().sqlite3_step(s)) == SQLITE_ROW) {
        ++rows;
        ok = columnText(s, 0) == "ok";
    }
    libSqlite().sqlite3_finalize(s);
    if (rc != SQLITE_DONE) return rc;
    return rows == 1 && ok ? SQLITE_OK : SQLITE_CORRUPT;
}

std::optional<int> userVersion(sqlite3* db) {
    sqlite3_stmt* s = nullptr;
    if (libSqlite().sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &s, nullptr) != SQLITE_OK)
        return std::nullopt;
    std::optional<int> version;
    if (libSqlite().sqlite3_step(s) == SQLITE_ROW) version = libSqlite().sqlite3_column_int(s, 0);
    libSqlite().sqlite3_finalize(s);
    return version;
}

bool setUserVersion(sqlite3* db, int version) {
    return libSqlite().sqlite3_exec(db, ("PRAGMA user_version=" + std::to_string(version)).c_str(),
                                    nullptr, nullptr, nullptr) == SQLITE_OK;
}

std::optional<std::vector<Column>> columnsOf(sqlite3* db, const std::string& table) {
    sqlite3_stmt* s = nullptr;
    if (libSqlite().sqlite3_prepare_v2(db,
                                       "SELECT name, type, \"notnull\", dflt_value IS NOT NULL, pk"
                                       " FROM pragma_table_info(?1)",
                                       -1, &s, nullptr) != SQLITE_OK)
        return std::nullopt;
    libSqlite().sqlite3_bind_text(s, 1, table.data(), static_cast<int>(table.size()),
                                  SQLITE_TRANSIENT);
    std::vector<Column> columns;
    int rc;
    while ((rc = libSqlite().sqlite3_step(s)) == SQLITE_ROW)
        columns.push_back(
            {columnText(s, 0), columnText(s, 1), libSqlite().sqlite3_column_int(s, 2) != 0,
             libSqlite().sqlite3_column_int(s, 3) != 0, libSqlite().sqlite3_column_int(s, 4)});
    libSqlite().sqlite3_finalize(s);
    if (rc != SQLITE_DONE) return std::nullopt;
    return columns;
}

std::vector<Column> schemaColumns(const char* schema, const std::string& table) {
    sqlite3* db = nullptr;
    std::vector<Column> columns;
    if (!loadLibSqlite()) return columns;
    if (libSqlite().sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_MEMORY,
                                    nullptr) == SQLITE_OK &&
        libSqlite().sqlite3_exec(db, schema, nullptr, nullptr, nullptr) == SQLITE_OK)
        columns = columnsOf(db, table).value_or(std::vector<Column>());
    libSqlite().sqlite3_close_v2(db);
    return columns;
}

std::optional<int> tableCount(sqlite3* db) {
    sqlite3_stmt* s = nullptr;
    if (libSqlite().sqlite3_prepare_v2(db,
                                       "SELECT count(*) FROM sqlite_master WHERE type = 'table'",
                                       -1, &s, nullptr) != SQLITE_OK)
        return std::nullopt;
    std::optional<int> count;
    if (libSqlite().sqlite3_step(s) == SQLITE_ROW) count = libSqlite().sqlite3_column_int(s, 0);
    libSqlite().sqlite3_finalize(s);
    return count;
}

std::string immutableUri(const std::string& path) {
    // A path is bytes: everything but the plainest characters goes percent-encoded.
    std::string uri = "file:";
    for (const unsigned char c : path) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            c == '/' || c == '.' || c == '-' || c == '_') {
            uri += static_cast<char>(c);
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", c);
            uri += escaped;
        }
    }
    return uri + "?immutable=1";
}

const char* journalModeFor(const std::string& path) {
    return fs::isNetworkFileSystem(path) ? "DELETE" : "WAL";
}

Found inspect(sqlite3* db, const Schema& schema) {
    const int rc = quickCheck(db);
    if (rc != SQLITE_OK) return isDamage(rc) ? Found::Damaged : Found::Unavailable;
    const std::optional<int> version = userVersion(db);
    const auto columns = columnsOf(db, schema.table);
    const auto tables = tableCount(db);
    if (!version || !columns || !tables)
        return isDamage(libSqlite().sqlite3_errcode(db)) ? Found::Damaged : Found::Unavailable;
    if (*version > schema.version) return Found::Later;
    if (*version == 0 && *tables == 0) return Found::New;
    const std::vector<Column> ours = schemaColumns(schema.sql, schema.table);
    if (schema.exact)
        return *version == schema.version && *columns == ours && *tables == 1 ? Found::Usable
                                                                              : Found::Foreign;
    if (columns->empty()) return Found::Foreign;
    // Each of our columns as we make it; another column must take a row without it.
    for (const Column& c : ours)
        if (std::find(columns->begin(), columns->end(), c) == columns->end()) return Found::Foreign;
    for (const Column& c : *columns)
        if (std::find(ours.begin(), ours.end(), c) == ours.end() && c.notNull && !c.hasDefault)
            return Found::Foreign;
    return Found::Usable;
}

namespace {

sqlite3* openConnection(const std::string& path, int flags) {
    if (!loadLibSqlite()) return nullptr;
    sqlite3* db = nullptr;
    if (libSqlite().sqlite3_open_v2(path.c_str(), &db, flags, nullptr) != SQLITE_OK) {
        libSqlite().sqlite3_close_v2(db);
        return nullptr;
    }
    // The window and romshelf-cli, or another machine, may be writing for a moment.
    libSqlite().sqlite3_busy_timeout(db, 2000);
    return db;
}

bool prepareFile(sqlite3* db, const std::string& path, const Schema& schema) {
    const std::string pragmas = std::string("PRAGMA journal_mode=") +
                                (schema.journal ? schema.journal : journalModeFor(path)) + ";" +
                                schema.pragmas;
    return libSqlite().sqlite3_exec(db, pragmas.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK &&
           libSqlite().sqlite3_exec(db, schema.sql, nullptr, nullptr, nullptr) == SQLITE_OK &&
           (userVersion(db) != 0 || setUserVersion(db, schema.version));
}

constexpr int kReadWrite = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;

}  // namespace

Opened replaceUnusable(const std::string& path, const Schema& schema, DamagePolicy policy,
                       Found why, const Salvager& salvage) {
    Opened opened;
    opened.found = why;
    if (policy == DamagePolicy::Refuse) return opened;
    opened.brokenCopy = moveRefusedFileAside(path);
    if (opened.brokenCopy.empty()) {
        opened.asideFailed = true;
        return opened;
    }
    sqlite3* db = openConnection(path, kReadWrite);
    if (!db) return opened;
    const Found now = inspect(db, schema);
    if ((now != Found::New && now != Found::Usable) || !prepareFile(db, path, schema)) {
        libSqlite().sqlite3_close_v2(db);
        return opened;
    }
    if (policy == DamagePolicy::Salvage && salvage) salvage(opened.brokenCopy, db);
    opened.db = db;
    return opened;
}

Opened openFile(const std::string& path, const Schema& schema, DamagePolicy policy,
                const Salvager& salvage) {
    Opened opened;
    sqlite3* db = openConnection(path, kReadWrite);
    if (!db) return opened;
    opened.found = inspect(db, schema);
    switch (opened.found) {
        case Found::Usable:
        case Found::New:
            if (prepareFile(db, path, schema)) {
                opened.db = db;
                return opened;
            }
            // Tables that cannot be made in a file that checked sound: damage a check misses.
            if (!isDamage(libSqlite().sqlite3_errcode(db))) break;
            libSqlite().sqlite3_close_v2(db);
            return replaceUnusable(path, schema, policy, Found::Damaged, salvage);
        case Found::Damaged:
        case Found::Foreign:
            libSqlite().sqlite3_close_v2(db);
            return replaceUnusable(path, schema, policy, opened.found, salvage);
        case Found::Later:
        case Found::Unavailable:
            break;
    }
    libSqlite().sqlite3_close_v2(db);
    return opened;
}

Opened openToRead(const std::string& path, const Schema& schema) {
    Opened opened;
    sqlite3* db = openConnection(path, SQLITE_OPEN_READONLY);
    if (!db) return opened;
    opened.found = inspect(db, schema);
    if (opened.found == Found::Usable)
        opened.db = db;
    else
        libSqlite().sqlite3_close_v2(db);
    return opened;
}

}  // namespace romshelf::sqlite
