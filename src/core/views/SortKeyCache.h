#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

namespace romshelf {

class SortKeyFileTable;

// Sort keys remembered by cell text, so that rebuilding and re-sorting the same files does not
// compute them again. Texts and keys live in large blocks and are found through a flat table:
// remembering forty thousand keys costs a handful of allocations, not eighty thousand. The keys of
// the key file are not copied in at all: they are looked up where the file lies.
class SortKeyCache {
public:
    SortKeyCache();
    ~SortKeyCache();
    SortKeyCache(const SortKeyCache&) = delete;
    SortKeyCache& operator=(const SortKeyCache&) = delete;

    // Making room for `rows` new keys, in two steps: dropping every key when `rows` more would
    // not fit (views handed out before are invalid afterwards: they may point into a key file no
    // longer mapped), and growing the tables ahead of `rows` insertions.
    void makeRoom(std::size_t rows, bool kanaSensitive);
    void reserve(std::size_t rows, bool kanaSensitive);
    // The key of a cell; false when it is not known yet.
    bool find(std::string_view cell, bool kanaSensitive, std::string_view& key) const;
    bool find(std::string_view cell, std::uint64_t hash, bool kanaSensitive,
              std::string_view& key) const;
    // Asks for the memory a lookup of `hash` will read first (its slots), and then second (the
    // entries of those slots), so that lookups of many cells need not wait for each in turn.
    void prefetchSlot(std::uint64_t hash, bool kanaSensitive) const;
    void prefetchCell(std::uint64_t hash, bool kanaSensitive) const;
    // Also the key's rank among the keys of the key file, or kNoRank: keys of equal rank are
    // equal, and a lower rank sorts first.
    static constexpr std::uint32_t kNoRank = 0xFFFFFFFFu;
    bool find(std::string_view cell, std::uint64_t hash, bool kanaSensitive, std::string_view& key,
              std::uint32_t& rank) const;
    // Views stay valid until makeRoom() or adopt() drops the keys.
    std::string_view insert(std::string_view cell, std::string_view key, bool kanaSensitive);
    // Changes whenever makeRoom() or adopt() drops the remembered keys: a view from another
    // generation may point at storage that now holds another key, or at none.
    std::uint64_t generation(bool kanaSensitive) const;
    std::size_t entries(bool kanaSensitive) const;
    // Every remembered cell with its key, in no particular order.
    void forEach(
        bool kanaSensitive,
        const std::function<void(std::string_view cell, std::string_view key)>& visit) const;

    // Keys live in two shards, chosen by the cell's hash, so that two threads can remember keys
    // at once, each filling one shard (and nothing else touching the cache meanwhile).
    static constexpr int kShards = 2;
    static std::uint64_t hashOf(std::string_view cell);
    // A second hash of a cell, independent of hashOf. A cell is known by both and its size:
    // comparing the texts would read the remembered cells again, at random, which was most of a
    // first build's sort.
    static std::uint64_t checkOf(std::string_view cell);
    static int shardOf(std::uint64_t hash) { return static_cast<int>(hash >> 63); }
    std::string_view insertInto(int shard, std::uint64_t hash, std::string_view cell,
                                std::string_view key, bool kanaSensitive);
    // Takes the keys of a key file, each with its rank, in place of every key remembered so far
    // (meant for a cache that has remembered none yet: the list reads the file before its first
    // sort).
    void adopt(std::shared_ptr<const SortKeyFileTable> file, bool kanaSensitive);

private:
    struct Table;
    Table& table(bool kanaSensitive, int shard) const {
        return *tables_[kanaSensitive ? 1 : 0][shard];
    }
    const SortKeyFileTable* file(bool kanaSensitive) const {
        return files_[kanaSensitive ? 1 : 0].get();
    }
    std::unique_ptr<Table> tables_[2][kShards];
    std::shared_ptr<const SortKeyFileTable> files_[2];
    std::uint64_t generations_[2] = {0, 0};
};

}  // namespace romshelf
