#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/text/TextCodec.h"
#include "core/views/BuildHelper.h"
#include "core/views/FileListRow.h"
#include "core/platform/LargeAllocator.h"

namespace romshelf {

inline constexpr std::size_t kSortPrefixBytes = 63;

// The key a cell sorts by: its first 63 bytes in CP932, compared byte for byte when the kana
// option is on, else by Japanese collation that sees hiragana and katakana as equal.
std::string fileListSortKey(std::string_view cell, bool kanaSensitive,
                            const text::JapaneseCollator& collator);
void appendFileListSortKey(std::string_view cell, bool kanaSensitive,
                           const text::JapaneseCollator& collator, std::string& out);

// How two sort keys order (negative, zero, positive): byte by byte, a shorter key before a longer
// one it begins. The one order of the sort, of the ranks below and of the key file.
int compareSortKeys(std::string_view a, std::string_view b);

// Sort keys remembered by cell text, so that rebuilding and re-sorting the same files does not
// compute them again. Texts and keys live in large blocks and are found through a flat table:
// remembering forty thousand keys costs a handful of allocations, not eighty thousand.
class SortKeyCache {
public:
    SortKeyCache();
    ~SortKeyCache();
    SortKeyCache(const SortKeyCache&) = delete;
    SortKeyCache& operator=(const SortKeyCache&) = delete;

    // Makes room for `rows` new keys; views handed out before are invalid afterwards.
    void prepare(std::size_t rows, bool kanaSensitive);
    // The two halves of prepare(): dropping every key when `rows` more would not fit (the only
    // step that invalidates views), and growing the tables ahead of `rows` insertions.
    void makeRoom(std::size_t rows, bool kanaSensitive);
    void reserve(std::size_t rows, bool kanaSensitive);
    // The key of a cell; nullopt-like empty data() when it is not known yet.
    bool find(std::string_view cell, bool kanaSensitive, std::string_view& key) const;
    bool find(std::string_view cell, std::uint64_t hash, bool kanaSensitive,
              std::string_view& key) const;
    // Asks for the memory a lookup of `hash` will read first (its slot), and then second (the
    // entry of that slot), so that lookups of many cells need not wait for each in turn.
    void prefetchSlot(std::uint64_t hash, bool kanaSensitive) const;
    void prefetchCell(std::uint64_t hash, bool kanaSensitive) const;
    // Also the key's rank among the keys read from the key file in their order, or kNoRank.
    static constexpr std::uint32_t kNoRank = 0xFFFFFFFFu;
    bool find(std::string_view cell, std::uint64_t hash, bool kanaSensitive, std::string_view& key,
              std::uint32_t& rank) const;
    // Views stay valid until the next prepare().
    std::string_view insert(std::string_view cell, std::string_view key, bool kanaSensitive);
    // Changes whenever prepare() drops the remembered keys: a view from another generation may
    // point at storage that now holds another key.
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
    static int shardOf(std::uint64_t hash) { return static_cast<int>(hash >> 63); }
    std::string_view insertInto(int shard, std::uint64_t hash, std::string_view cell,
                                std::string_view key, bool kanaSensitive);
    // Remembers keys as views into `bytes` instead of copies: the cache keeps the bytes for as
    // long as it keeps the keys (those read from the key file, most of a first build's keys).
    // Keys inserted as views may come with their rank: keys of equal rank are equal, and a lower
    // rank sorts first.
    void keep(std::shared_ptr<const std::string> bytes, bool kanaSensitive);
    void insertView(std::string_view cell, std::string_view key, bool kanaSensitive,
                    std::uint32_t rank = kNoRank);

private:
    struct Table;
    Table& table(bool kanaSensitive, int shard) const {
        return *tables_[kanaSensitive ? 1 : 0][shard];
    }
    std::string_view add(int shard, std::uint64_t hash, std::string_view cell, std::string_view key,
                         bool kanaSensitive, bool copy, std::uint32_t rank);
    std::unique_ptr<Table> tables_[2][kShards];
    std::vector<std::shared_ptr<const std::string>> kept_[2];
    std::uint64_t generations_[2] = {0, 0};
};

using SortKeys = std::vector<std::string_view, LargeAllocator<std::string_view>>;

// The last sort: the order follows from the cells alone, so the same cells (told by a hash of
// them all) sorted the same way again give the same order without a key being looked up.
class SortMemo {
public:
    bool same(int column, SortDirection direction, bool kanaSensitive, std::uint64_t generation,
              std::size_t rows, std::uint64_t cells) const;
    void remember(int column, SortDirection direction, bool kanaSensitive, std::uint64_t generation,
                  std::size_t rows, std::uint64_t cells, const std::vector<std::uint32_t>& order);
    const std::vector<std::uint32_t>& order() const { return order_; }

private:
    int column_ = -1;
    SortDirection direction_ = SortDirection::Ascending;
    bool kanaSensitive_ = false;
    std::uint64_t generation_ = 0;
    std::size_t rows_ = 0;
    std::uint64_t cells_ = 0;
    std::vector<std::uint32_t> order_;
};

// The display order of rows sorted by one column. Rows with equal keys keep their order. With
// many rows, `helper` shares the work, computing keys with `helperCollator`. `memo`, when given,
// spares sorting cells that are the same as last time.
std::vector<std::uint32_t> sortFileList(std::span<const FileListRow> rows, int column,
                                        SortDirection direction, bool kanaSensitive,
                                        const text::JapaneseCollator& collator, SortKeyCache& cache,
                                        BuildHelper* helper = nullptr,
                                        const text::JapaneseCollator* helperCollator = nullptr,
                                        SortMemo* memo = nullptr);

}  // namespace romshelf
