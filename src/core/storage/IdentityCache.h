#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace romshelf::sqlite {
struct Opened;
}

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

// The sums of the files the program has read, by path, in an SQLite database in the program's
// cache folder (WAL mode on a local disk, the rollback journal on a network share). Entries of
// files that are gone stay until they are removed: they are what a renamed file is recognised by.
// A cache is a machine's own: on a network share, which another machine may use too, each machine
// keeps its own file (identity-<host>.sqlite). It is only a cache: a damaged file, or one of
// another layout, is moved aside (<name>.broken-<date>-<time>) and made anew; one a later version
// of the program made is left alone and not used. When none can be opened every lookup finds
// nothing and every change is dropped.
//
// One connection for the program, usable from any thread: each call holds the cache's lock.
class IdentityCache {
public:
    explicit IdentityCache(std::string path) : path_(std::move(path)) {}
    ~IdentityCache();
    IdentityCache(const IdentityCache&) = delete;
    IdentityCache& operator=(const IdentityCache&) = delete;

    // The file used: the path given, or on a network share this machine's file beside it (known
    // once opened).
    std::string path() const;
    // Opens the database, once (later calls say how that went); a file that is no database of
    // ours, or a damaged one, is moved aside and replaced by an empty one. False when there is no
    // cache.
    bool open();
    // The database file was replaced because it could not be used (since it was opened), and
    // where the old one was kept ("" when it could not be moved: then there is no cache).
    bool rebuilt() const;
    std::string brokenCopy() const;
    // The file was made by a later version of the program: it is left as it is and not used.
    bool refused() const;

    std::optional<CachedIdentity> find(const std::string& path);
    // The entries of several paths at once (nothing where there is none), in path order: a pass
    // over a million files looks them up a few hundred at a time.
    std::vector<std::optional<CachedIdentity>> findEach(const std::vector<std::string>& paths);
    void put(const std::string& path, const CachedIdentity& identity);
    // Several entries in one transaction.
    void putEach(const std::vector<std::pair<std::string, CachedIdentity>>& entries);
    void remove(const std::string& path);
    // Every entry whose path begins with `prefix` (byte-wise), in byte order of the paths.
    std::vector<CachedFile> startingWith(std::string_view prefix);

private:
    bool openLocked();
    // Takes the connection opened (or not) and what became of an unusable file.
    void took(sqlite::Opened opened);
    std::optional<CachedIdentity> findLocked(const std::string& path, int& rc);
    int putLocked(const std::string& path, const CachedIdentity& id);  // SQLite's result code
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
    bool refused_ = false;
    std::string brokenCopy_;
};

// "<folder>/identity-<host>.sqlite" for "<folder>/identity.sqlite": a machine's own cache file;
// a host name's characters other than letters, digits, '.', '-' and '_' become '_'.
std::string perMachinePath(const std::string& path, std::string_view host);

}  // namespace romshelf
