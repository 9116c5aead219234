#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "core/views/SortKeyCache.h"

namespace romshelf {

// The collation keys of the file list, kept between runs: computing them is most of the first
// build's work, and the names in a collection rarely change. Only a cache: a file that is
// missing, damaged or made under other collation rules is ignored, and the keys are computed
// again.
//
// The file carries its own hash table, so that a start maps it and looks keys up where they lie
// instead of reading and indexing every key. Layout, numbers in the machine's byte order:
//   "RSSORTK2", u32 stamp size, the stamp, zeros to a multiple of eight bytes;
//   u64 hashOf and u64 checkOf of kSortKeyFileProbe (a file made with other hashes, or on a
//   machine of the other byte order, fails here); u32 entry count; u32 slot count (a power of
//   two, more than the entries); u64 size of the text block; u32 CRC-32 of every other byte of
//   the file; u32 longest run (how many slots past its first a lookup may look at, at most 1024);
//   the slots, each u32 tag (the cell hash's high half) and u32 entry number + 1 (0: empty),
//   the cell hash's low bits giving the first slot to look at, the next ones after it (after the
//   last, the first);
//   the entries in key order, each u32 cell offset, u32 cell size, u32 key offset, u32 key size
//   (offsets into the text block), u32 rank (equal keys share one), u32 the cell hash's low half,
//   u64 checkOf the cell;
//   the text block: each entry's cell, then its key, in entry order.
// Nothing may follow. A file larger than 1 GiB is neither read nor written.
inline constexpr std::string_view kSortKeyFileMagic = "RSSORTK2";
inline constexpr std::string_view kSortKeyFileProbe = "romshelf sort keys";

// The keys of a key file, looked up in the file's own table. Taking a file costs a check of its
// sum, not an index of its keys.
class SortKeyFileTable {
public:
    // nullptr unless `bytes` are a whole key file made under `stamp`; `owner` keeps them. The
    // sum is checked kCheckChunk bytes at a time, `checked` (when given) told of each part done
    // with (offset and size in `bytes`): a mapped file gives it back, and a sort by ranks never
    // reads most of it again.
    static constexpr std::size_t kCheckChunk = 256 * 1024;
    using CheckedPart = std::function<void(std::size_t from, std::size_t size)>;
    static std::shared_ptr<const SortKeyFileTable> open(std::string_view bytes,
                                                        std::shared_ptr<const void> owner,
                                                        const std::string& stamp,
                                                        const CheckedPart& checked = {});
    std::size_t size() const { return count_; }
    bool find(std::string_view cell, std::uint64_t hash, std::string_view& key,
              std::uint32_t& rank) const;
    // Asks for the slot a lookup of `hash` reads first, and for the entry that slot names.
    void prefetchSlot(std::uint64_t hash) const;
    void prefetchEntry(std::uint64_t hash) const;
    void forEach(
        const std::function<void(std::string_view cell, std::string_view key)>& visit) const;

private:
    SortKeyFileTable() = default;
    // Where slot `i` and entry `i` lie in the file.
    const char* slot(std::uint32_t i) const;
    const char* entry(std::uint32_t i) const;
    std::shared_ptr<const void> owner_;
    const char* slots_ = nullptr;
    const char* entries_ = nullptr;
    const char* text_ = nullptr;
    std::uint32_t count_ = 0;
    std::uint32_t slotMask_ = 0;
    std::uint32_t longestRun_ = 0;
};

// The collation keys of `cache` (not the kana-sensitive byte keys, cheap to make) under `stamp`;
// empty when they would make a file too large to read.
std::string sortKeyFileBytes(const SortKeyCache& cache, const std::string& stamp);
// Gives `cache` the keys of `bytes` (copied) when they are a whole file made under `stamp`; else
// nothing. Returns how many keys were taken.
std::size_t readSortKeyFileBytes(std::string_view bytes, const std::string& stamp,
                                 SortKeyCache& cache);

// The same on a file, written atomically; a failure to write is no one's concern but the next
// start's speed. The file is mapped where that is safe (see MappedFile), not copied. Its folders
// are made when missing.
bool saveSortKeyFile(const std::string& path, const SortKeyCache& cache, const std::string& stamp);
std::size_t loadSortKeyFile(const std::string& path, const std::string& stamp, SortKeyCache& cache);

}  // namespace romshelf
