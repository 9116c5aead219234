#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace romshelf {

// What a file held when it was last summed, and how it looked then: the size and modification
// time tell whether it has to be summed again.
struct CachedIdentity {
    std::uint64_t size = 0;
    std::int64_t mtimeNs = 0;
    std::uint32_t crc = 0;
    std::string sha1;  // lower-case hex
    bool operator==(const CachedIdentity&) const = default;
};

struct CachedFile {
    std::string path;
    CachedIdentity identity;
};

// The sums of the files the program has read, by path, in an SQLite database (WAL mode) in the
// program's cache folder. Entries of files that are gone stay until they are removed: they are
// what a renamed file is recognised by. It is only a cache: a damaged file is deleted and made
// anew, and when none can be opened every lookup finds nothing and every change is dropped.
//
// One connection for the program, usable from any thread: each call holds the cache's lock.
class IdentityCache {
public:
    explicit IdentityCache(std::string path) : path_(std::move(path)) {}
    ~IdentityCache();
    IdentityCache(const IdentityCache&) = delete;
    IdentityCache& operator=(const IdentityCache&) = delete;

    const std::string& path() const { return path_; }
    // Opens the database, once (later calls say how that went); a file that is no database of
    // ours, or a damaged one, is replaced by an empty one. False when there is no cache.
    bool open();
    // The database file was replaced because it could not be used (since it was opened).
    bool rebuilt() const;

    std::optional<CachedIdentity> find(const std::string& path);
    // The entries of several paths at once (nothing where there is none), in path order: a pass
    // over a million files looks them up a few hundred at a time.
    std::vector<std::optional<CachedIdentity>> findEach(const std::vector<std::string>& paths);
    void put(const std::string& path, const CachedIdentity& identity);
    void remove(const std::string& path);
    // Every entry whose path begins with `prefix` (byte-wise), in byte order of the paths.
    std::vector<CachedFile> startingWith(std::string_view prefix);

private:
    bool openLocked();
    std::optional<CachedIdentity> findLocked(const std::string& path, int& rc);
    bool prepare();
    void close();
    // After a failed call: a damaged database is replaced (the call's result is lost).
    void failed(int rc);

    std::string path_;
    mutable std::mutex mutex_;
    sqlite3* db_ = nullptr;
    sqlite3_stmt* find_ = nullptr;
    sqlite3_stmt* put_ = nullptr;
    sqlite3_stmt* remove_ = nullptr;
    sqlite3_stmt* range_ = nullptr;
    bool tried_ = false;
    bool rebuilt_ = false;
};

}  // namespace romshelf
