#include "core/storage/SqliteFile.h"

#include <sqlite3.h>

#include <cstdio>

#include "core/platform/FileSystem.h"

namespace romshelf::sqlite {

namespace {

std::string columnText(sqlite3_stmt* s, int column) {
    const unsigned char* text = sqlite3_column_text(s, column);
    return text ? reinterpret_cast<const char*>(text) : std::string();
}

}  // namespace

bool isDamage(int rc) {
    const int primary = rc & 0xFF;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

int quickCheck(sqlite3* db) {
    sqlite3_stmt* s = nullptr;
    int rc = sqlite3_prepare_v2(db, "PRAGMA quick_check", -1, &s, nullptr);
    if (rc != SQLITE_OK) return rc;
    // One row "ok" when all is well; otherwise a row for each problem found.
    bool ok = false;
    int rows = 0;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
        ++rows;
        ok = columnText(s, 0) == "ok";
    }
    sqlite3_finalize(s);
    if (rc != SQLITE_DONE) return rc;
    return rows == 1 && ok ? SQLITE_OK : SQLITE_CORRUPT;
}

std::optional<int> userVersion(sqlite3* db) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &s, nullptr) != SQLITE_OK)
        return std::nullopt;
    std::optional<int> version;
    if (sqlite3_step(s) == SQLITE_ROW) version = sqlite3_column_int(s, 0);
    sqlite3_finalize(s);
    return version;
}

bool setUserVersion(sqlite3* db, int version) {
    return sqlite3_exec(db, ("PRAGMA user_version=" + std::to_string(version)).c_str(), nullptr,
                        nullptr, nullptr) == SQLITE_OK;
}

std::optional<std::vector<Column>> columnsOf(sqlite3* db, const std::string& table) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db,
                           "SELECT name, type, \"notnull\", dflt_value IS NOT NULL, pk"
                           " FROM pragma_table_info(?1)",
                           -1, &s, nullptr) != SQLITE_OK)
        return std::nullopt;
    sqlite3_bind_text(s, 1, table.data(), static_cast<int>(table.size()), SQLITE_TRANSIENT);
    std::vector<Column> columns;
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW)
        columns.push_back({columnText(s, 0), columnText(s, 1), sqlite3_column_int(s, 2) != 0,
                           sqlite3_column_int(s, 3) != 0, sqlite3_column_int(s, 4)});
    sqlite3_finalize(s);
    if (rc != SQLITE_DONE) return std::nullopt;
    return columns;
}

std::vector<Column> schemaColumns(const char* schema, const std::string& table) {
    sqlite3* db = nullptr;
    std::vector<Column> columns;
    if (sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_MEMORY, nullptr) ==
            SQLITE_OK &&
        sqlite3_exec(db, schema, nullptr, nullptr, nullptr) == SQLITE_OK)
        columns = columnsOf(db, table).value_or(std::vector<Column>());
    sqlite3_close_v2(db);
    return columns;
}

std::optional<int> tableCount(sqlite3* db) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT count(*) FROM sqlite_master WHERE type = 'table'", -1, &s,
                           nullptr) != SQLITE_OK)
        return std::nullopt;
    std::optional<int> count;
    if (sqlite3_step(s) == SQLITE_ROW) count = sqlite3_column_int(s, 0);
    sqlite3_finalize(s);
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

}  // namespace romshelf::sqlite
