#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/settings/FolderSettings.h"
#include "core/storage/IdentityCache.h"

namespace romshelf {

// Files larger than this are not summed for the identity cache (the main settings file, shared
// with the Windows program, has no field for it: Application::setIdentityHashLimit changes it).
inline constexpr std::uint64_t kIdentityHashLimit = std::uint64_t{1} << 30;

// A file's identity as it is now: from the cache when its size and modification time are the
// cached ones, else summed now and kept there. Nothing for what is no regular file, is larger than
// `limit` or cannot be read, or when `stop` was set meanwhile.
std::optional<CachedIdentity> currentIdentity(IdentityCache& cache, const std::string& path,
                                              std::uint64_t limit,
                                              const std::atomic<bool>* stop = nullptr);

// The cached identity of a file whose size and modification time are still the cached ones;
// nothing is summed.
std::optional<CachedIdentity> cachedIdentity(IdentityCache& cache, const std::string& path);

// The size and modification time of a regular file (no sums).
std::optional<CachedIdentity> fileStamp(const std::string& path);
// Sums made elsewhere (the rename tool's CRC-32, without SHA-1; a verification's, with it when the
// DAT asked for one) are kept when the file still has the stamp `before` it had before it was
// read, and the cache knows no more of it already (a SHA-1 is more).
void keepSums(IdentityCache& cache, const std::string& path, CachedIdentity before,
              std::uint32_t crc, const std::string& sha1 = {});

// keepSums() for many files: `kept` holds each file with the stamp it had before it was read
// and the sums made of it; looked up and written together.
void keepSumsEach(IdentityCache& cache,
                  const std::vector<std::pair<std::string, CachedIdentity>>& kept);

// A file of a list build: its name as the list shows it and its ROM folder.
struct ListedFile {
    std::string name;
    int folder = -1;
    bool registered = false;  // it has a record
};

// The files of a list build, their names in one block: a copy of a million is made in a moment
// on the window's thread, and holds no allocation per file. Names may also stay where the list
// keeps them (addBlock, addKept), kept alive by an owner, and are then not copied at all. Copies
// share everything (a job handed to both passes holds the names once); the first add to a shared
// one copies its entries.
class ListedFiles {
public:
    void reserve(std::size_t files, std::size_t nameBytes);
    // A name of more than kLongestName bytes, or past 4 GiB of names, is not taken.
    static constexpr std::size_t kLongestName = 0x7FFF;
    void add(std::string_view name, int folder, bool registered);
    // Names kept elsewhere: `owner` keeps them alive and unchanged for as long as these files
    // are; addBlock returns the number addKept takes, for names within `block`.
    void keep(std::shared_ptr<const void> owner);
    std::uint32_t addBlock(std::string_view block);
    void addKept(std::uint32_t block, std::string_view name, int folder, bool registered);
    std::size_t size() const { return data_ ? data_->entries.size() : 0; }
    bool empty() const { return size() == 0; }
    ListedFile operator[](std::size_t i) const {
        return {std::string(name(i)), folder(i), registered(i)};
    }
    bool registered(std::size_t i) const { return (data_->entries[i].nameSize & kRegistered) != 0; }
    // The name and folder of file `i`, without a copy.
    std::string_view name(std::size_t i) const {
        const Entry& e = data_->entries[i];
        const std::string_view from = e.block == 0 ? data_->names : data_->blocks[e.block - 1];
        return from.substr(e.nameAt, e.nameSize & ~kRegistered);
    }
    int folder(std::size_t i) const { return data_->entries[i].folder; }

private:
    // Twelve bytes a file.
    struct Entry {
        std::uint32_t nameAt = 0;
        std::uint16_t nameSize = 0;  // the top bit: the file has a record
        std::int16_t folder = -1;
        std::uint32_t block = 0;  // 0: `names`; else blocks[block - 1]
    };
    static constexpr std::uint16_t kRegistered = 0x8000;
    struct Data {
        std::string names;
        std::vector<std::string_view> blocks;
        std::vector<std::shared_ptr<const void>> owners;
        std::vector<Entry> entries;
    };
    Data& own();
    void addEntry(Data& d, std::uint32_t block, std::size_t at, std::size_t size, int folder,
                  bool registered);
    std::shared_ptr<Data> data_;
};

// What a list build hands on: the files it listed and, when it listed every file, the titles of
// the records that have no file (copied, so that another thread can work on them).
struct IdentityJob {
    std::string hardware;
    std::vector<std::string> romFolders;  // by ROM folder number; empty: not set
    std::vector<std::string> orphans;     // titles of records without a listed file
    ListedFiles files;
    // The path on disk of a listed file (its name may be CP932 there).
    std::string pathOf(const ListedFile& file) const;
};

// A record whose file is gone while an unregistered file holds what its file held: one match is
// its file renamed; more cannot be told apart.
struct RenamedFile {
    std::string hardware;
    std::string title;    // the record's title
    std::string oldPath;  // where its file was
    std::string oldName;  // that file's name as text
    std::vector<ListedFile> matches;
};

// For every orphan whose file the cache knew at a path of the job's ROM folders that is gone now:
// the unregistered files of the same size and CRC-32 (and the same SHA-1, when two share the CRC
// or both SHA-1s are known). Only unregistered files of the right size are summed.
std::vector<RenamedFile> findRenamedFiles(const IdentityJob& job, IdentityCache& cache,
                                          std::uint64_t limit,
                                          const std::atomic<bool>* stop = nullptr);

// Brings the cache up to date for every listed file (until `stop` is set).
void hashListedFiles(const IdentityJob& job, IdentityCache& cache, std::uint64_t limit,
                     const std::atomic<bool>* stop = nullptr);

}  // namespace romshelf
