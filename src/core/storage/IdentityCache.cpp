#include "core/storage/IdentityCache.h"

#include <unistd.h>

#include <climits>

#include "core/platform/FileSystem.h"
#include "core/platform/WriterLock.h"
#include "core/storage/SqliteFile.h"
#include "core/storage/LibSqlite.h"

namespace romshelf {

namespace {

// The layout below. A file of an earlier version is made anew; one of a later version is not
// used.
constexpr int kSchemaVersion = 1;

// Paths are file names as bytes (not always UTF-8): kept as BLOBs, compared byte-wise. Exactly
// this layout: entries of another would be taken for what they are not (a path kept as text
// never equals the same bytes looked up as a blob).
const sqlite::Schema kSchema{.sql =
                                 "CREATE TABLE IF NOT EXISTS files ("
                                 " path BLOB PRIMARY KEY NOT NULL,"
                                 " size INTEGER NOT NULL,"
                                 " mtime_ns INTEGER NOT NULL,"
                                 " crc INTEGER NOT NULL,"
                                 " sha1 TEXT NOT NULL) WITHOUT ROWID",
                             .table = "files",
                             .version = kSchemaVersion,
                             .exact = true,
                             .journal = nullptr,
                             .pragmas = "PRAGMA synchronous=NORMAL;"};

std::string hostName() {
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return {};
    return name;
}

void bindPath(sqlite3_stmt* s, int index, std::string_view path) {
    libSqlite().sqlite3_bind_blob64(s, index, path.data(), path.size(), SQLITE_TRANSIENT);
}

std::string columnBytes(sqlite3_stmt* s, int column) {
    const void* data = libSqlite().sqlite3_column_blob(s, column);
    const int size = libSqlite().sqlite3_column_bytes(s, column);
    return data ? std::string(static_cast<const char*>(data), static_cast<std::size_t>(size))
                : std::string();
}

CachedIdentity columnIdentity(sqlite3_stmt* s, int first) {
    CachedIdentity id;
    id.size = static_cast<std::uint64_t>(libSqlite().sqlite3_column_int64(s, first));
    id.mtimeNs = libSqlite().sqlite3_column_int64(s, first + 1);
    id.crc = static_cast<std::uint32_t>(libSqlite().sqlite3_column_int64(s, first + 2));
    id.sha1 = columnBytes(s, first + 3);
    return id;
}

}  // namespace

std::string perMachinePath(const std::string& path, std::string_view host) {
    return fs::pathFolder(path) + fs::pathTitle(path) + "-" + WriterLock::hostInFileName(host) +
           fs::pathExtension(path);
}

IdentityCache::~IdentityCache() {
    const std::lock_guard lock(mutex_);
    close();
}

std::string IdentityCache::path() const {
    const std::lock_guard lock(mutex_);
    return path_;
}

bool IdentityCache::open() {
    const std::lock_guard lock(mutex_);
    if (!tried_) {
        tried_ = true;
        // Two machines on one share would each take the other's files for their own.
        if (fs::isNetworkFileSystem(path_)) path_ = perMachinePath(path_, hostName());
        openLocked();
    }
    return db_ != nullptr;
}

bool IdentityCache::rebuilt() const {
    const std::lock_guard lock(mutex_);
    return rebuilt_;
}

std::string IdentityCache::brokenCopy() const {
    const std::lock_guard lock(mutex_);
    return brokenCopy_;
}

bool IdentityCache::refused() const {
    const std::lock_guard lock(mutex_);
    return refused_;
}

void IdentityCache::took(sqlite::Opened opened) {
    db_ = opened.db;
    if (opened.found == sqlite::Found::Later) refused_ = true;
    if (!opened.brokenCopy.empty() && !opened.asideFailed) {
        brokenCopy_ = opened.brokenCopy;
        rebuilt_ = true;
    }
}

bool IdentityCache::openLocked() {
    // A cache: a file that cannot be used is kept aside and made anew, losing nothing.
    took(sqlite::openFile(path_, kSchema, sqlite::DamagePolicy::StartAnew));
    if (!db_) return false;
    if (prepare()) return true;
    close();
    return false;
}

bool IdentityCache::prepare() {
    auto one = [&](const char* sql, sqlite3_stmt*& out) {
        return libSqlite().sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &out,
                                              nullptr) == SQLITE_OK;
    };
    return one("SELECT size, mtime_ns, crc, sha1 FROM files WHERE path = ?1", find_) &&
           one("INSERT OR REPLACE INTO files (path, size, mtime_ns, crc, sha1)"
               " VALUES (?1, ?2, ?3, ?4, ?5)",
               put_) &&
           one("DELETE FROM files WHERE path = ?1", remove_) &&
           one("SELECT path, size, mtime_ns, crc, sha1 FROM files WHERE path >= ?1 ORDER BY path",
               range_);
}

void IdentityCache::close() {
    // Statements are only made on an open database; a cache never opened loads no SQLite.
    if (!db_) return;
    for (sqlite3_stmt** s : {&find_, &put_, &remove_, &range_}) {
        libSqlite().sqlite3_finalize(*s);
        *s = nullptr;
    }
    if (db_) libSqlite().sqlite3_close_v2(db_);
    db_ = nullptr;
}

void IdentityCache::failed(int rc) {
    if (!db_ || !sqlite::isDamage(rc)) return;
    close();
    took(sqlite::replaceUnusable(path_, kSchema, sqlite::DamagePolicy::StartAnew,
                                 sqlite::Found::Damaged));
    if (db_ && !prepare()) close();
}

std::optional<CachedIdentity> IdentityCache::findLocked(const std::string& path, int& rc) {
    bindPath(find_, 1, path);
    std::optional<CachedIdentity> found;
    rc = libSqlite().sqlite3_step(find_);
    if (rc == SQLITE_ROW) found = columnIdentity(find_, 0);
    libSqlite().sqlite3_reset(find_);
    return found;
}

std::optional<CachedIdentity> IdentityCache::find(const std::string& path) {
    const std::lock_guard lock(mutex_);
    if (!db_) return std::nullopt;
    int rc = SQLITE_OK;
    std::optional<CachedIdentity> found = findLocked(path, rc);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) failed(rc);
    return found;
}

std::vector<std::optional<CachedIdentity>> IdentityCache::findEach(
    const std::vector<std::string>& paths) {
    const std::lock_guard lock(mutex_);
    std::vector<std::optional<CachedIdentity>> found(paths.size());
    if (!db_ || paths.empty()) return found;
    // One read transaction for them all: alone, each lookup begins and ends its own, with a lock
    // taken and given back on the file each time.
    const bool together =
        libSqlite().sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        int rc = SQLITE_OK;
        found[i] = findLocked(paths[i], rc);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
            if (together) libSqlite().sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
            failed(rc);
            return found;
        }
    }
    if (together) libSqlite().sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
    return found;
}

void IdentityCache::put(const std::string& path, const CachedIdentity& id) {
    const std::lock_guard lock(mutex_);
    if (!db_) return;
    if (const int rc = putLocked(path, id); rc != SQLITE_DONE) failed(rc);
}

void IdentityCache::putEach(const std::vector<std::pair<std::string, CachedIdentity>>& entries) {
    const std::lock_guard lock(mutex_);
    if (!db_ || entries.empty()) return;
    const bool together =
        libSqlite().sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK;
    for (const auto& [path, id] : entries) {
        if (const int rc = putLocked(path, id); rc != SQLITE_DONE) {
            if (together) libSqlite().sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
            failed(rc);
            return;
        }
    }
    if (together) libSqlite().sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
}

int IdentityCache::putLocked(const std::string& path, const CachedIdentity& id) {
    bindPath(put_, 1, path);
    libSqlite().sqlite3_bind_int64(put_, 2, static_cast<sqlite3_int64>(id.size));
    libSqlite().sqlite3_bind_int64(put_, 3, id.mtimeNs);
    libSqlite().sqlite3_bind_int64(put_, 4, static_cast<sqlite3_int64>(id.crc));
    libSqlite().sqlite3_bind_text(put_, 5, id.sha1.data(), static_cast<int>(id.sha1.size()),
                                  SQLITE_TRANSIENT);
    const int rc = libSqlite().sqlite3_step(put_);
    libSqlite().sqlite3_reset(put_);
    return rc;
}

void IdentityCache::remove(const std::string& path) {
    const std::lock_guard lock(mutex_);
    if (!db_) return;
    bindPath(remove_, 1, path);
    const int rc = libSqlite().sqlite3_step(remove_);
    libSqlite().sqlite3_reset(remove_);
    if (rc != SQLITE_DONE) failed(rc);
}

std::vector<CachedFile> IdentityCache::startingWith(std::string_view prefix) {
    const std::lock_guard lock(mutex_);
    std::vector<CachedFile> found;
    if (!db_) return found;
    bindPath(range_, 1, prefix);
    int rc;
    while ((rc = libSqlite().sqlite3_step(range_)) == SQLITE_ROW) {
        std::string path = columnBytes(range_, 0);
        // In path order: the first path past the prefix ends the run.
        if (!path.starts_with(prefix)) {
            rc = SQLITE_DONE;
            break;
        }
        found.push_back({std::move(path), columnIdentity(range_, 1)});
    }
    libSqlite().sqlite3_reset(range_);
    if (rc != SQLITE_DONE) failed(rc);
    return found;
}

}  // namespace romshelf
