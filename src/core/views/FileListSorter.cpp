#include "core/views/FileListSorter.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <utility>

#include "core/platform/LargeAllocator.h"

namespace romshelf {

void appendFileListSortKey(std::string_view cell, bool kanaSensitive,
                           const text::JapaneseCollator& collator, std::string& out) {
    if (kanaSensitive) {
        const std::string bytes = text::cp932Form(cell);
        out.append(bytes, 0, std::min(bytes.size(), kSortPrefixBytes));
        return;
    }
    // A UTF-8 text this short cannot take more than 63 bytes in CP932, escaped or not.
    if (cell.size() + text::kUtf8Marker.size() <= kSortPrefixBytes) {
        collator.appendSortKey(cell, out);
        return;
    }
    collator.appendSortKey(text::truncateToCp932Bytes(cell, kSortPrefixBytes), out);
}

std::string fileListSortKey(std::string_view cell, bool kanaSensitive,
                            const text::JapaneseCollator& collator) {
    std::string key;
    appendFileListSortKey(cell, kanaSensitive, collator, key);
    return key;
}

int compareSortKeys(std::string_view a, std::string_view b) {
    const std::size_t common = std::min(a.size(), b.size());
    const int c = common ? std::memcmp(a.data(), b.data(), common) : 0;
    if (c != 0) return c;
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

bool SortMemo::same(int column, SortDirection direction, bool kanaSensitive,
                    std::uint64_t generation, std::size_t rows, std::uint64_t cells) const {
    return column == column_ && direction == direction_ && kanaSensitive == kanaSensitive_ &&
           generation == generation_ && rows == rows_ && cells == cells_;
}

void SortMemo::remember(int column, SortDirection direction, bool kanaSensitive,
                        std::uint64_t generation, std::size_t rows, std::uint64_t cells,
                        const std::vector<std::uint32_t>& order) {
    column_ = column;
    direction_ = direction;
    kanaSensitive_ = kanaSensitive;
    generation_ = generation;
    rows_ = rows;
    cells_ = cells;
    order_ = order;
}

std::vector<std::uint32_t> orderOfSortKeys(std::span<const std::string_view> keys, bool descending,
                                           BuildHelper* helper) {
    const std::size_t n = keys.size();
    // Most comparisons are settled by the first sixteen key bytes, held inline as two numbers;
    // only ties read the rest of the keys. The row index breaks full ties, keeping the sort
    // stable.
    struct Entry {
        std::uint64_t high;
        std::uint64_t low;
        const char* rest;  // key bytes after the sixteenth
        std::uint32_t size;
        std::uint32_t index;
    };
    std::vector<Entry, LargeAllocator<Entry>> entries(n);
    for (std::size_t i = 0; i < n; ++i) {
        const std::string_view k = keys[i];
        std::uint64_t words[2] = {0, 0};
        for (std::size_t b = 0; b < 16; ++b)
            words[b / 8] =
                (words[b / 8] << 8) | (b < k.size() ? static_cast<unsigned char>(k[b]) : 0u);
        entries[i] = {words[0], words[1], k.data() + std::min<std::size_t>(k.size(), 16),
                      static_cast<std::uint32_t>(k.size()), static_cast<std::uint32_t>(i)};
    }
    // As compareSortKeys: equal padded first bytes leave the rest, then the sizes.
    const auto before = [descending](const Entry& a, const Entry& b) {
        int c = a.high < b.high ? -1 : (a.high > b.high ? 1 : 0);
        if (c == 0) c = a.low < b.low ? -1 : (a.low > b.low ? 1 : 0);
        if (c == 0) {
            const std::size_t common = std::min(a.size, b.size);
            c = common > 16 ? std::memcmp(a.rest, b.rest, common - 16) : 0;
            if (c == 0) c = a.size < b.size ? -1 : (a.size > b.size ? 1 : 0);
        }
        if (c == 0) return a.index < b.index;
        return descending ? c > 0 : c < 0;
    };
    // The order is total (the index settles ties), so sorting two halves apart and merging them
    // gives the very order one sort would.
    if (helper) {
        const auto middle = entries.begin() + static_cast<std::ptrdiff_t>(n / 2);
        helper->forEach(2, [&](std::size_t half, int) {
            if (half == 0)
                std::sort(entries.begin(), middle, before);
            else
                std::sort(middle, entries.end(), before);
        });
        std::inplace_merge(entries.begin(), middle, entries.end(), before);
    } else {
        std::sort(entries.begin(), entries.end(), before);
    }
    std::vector<std::uint32_t> order(n);
    for (std::size_t i = 0; i < n; ++i) order[i] = entries[i].index;
    return order;
}

namespace {

// One sort of the rows by one column, in steps: each row's key (looked up, or computed), the new
// keys remembered, then the order, by the keys' ranks when all have one, else by the keys.
class ColumnSort {
public:
    ColumnSort(std::span<const FileListRow> rows, int column, SortDirection direction,
               bool kanaSensitive, SortKeyCache& cache, BuildHelper* helper,
               const text::JapaneseCollator& collator, const text::JapaneseCollator* helperCollator)
        : rows_(rows),
          n_(rows.size()),
          column_(static_cast<std::size_t>(column)),
          descending_(direction == SortDirection::Descending),
          kana_(kanaSensitive),
          cache_(cache),
          helper_(helper),
          collator_(collator),
          helperCollator_(helperCollator),
          twoThreads_(helper && helperCollator && n_ >= kWorthASecondThread),
          keys_(n_) {
        // The number columns are made into texts once; the others are views of what the rows
        // keep.
        if (column == kColumnFolderNumber || column == kColumnRecordIndex) {
            numbers_.reserve(n_);
            for (const FileListRow& row : rows) numbers_.push_back(row.cells[column_]);
        }
    }

    // Every row's key: one lookup per row; keys not met before are computed, each thread into a
    // batch of its own (the cache is only read meanwhile). Many rows are split between two threads.
    void findKeys();
    // The new keys into the cache, shard by shard (the two shards on two threads), and their
    // views in row order.
    void rememberNewKeys();
    // A hash of every row's cell in row order, with their sizes.
    std::uint64_t cellsHash() const {
        std::uint64_t h = 0x84222325CBF29CE4u ^ n_;
        for (std::size_t i = 0; i < n_; ++i) {
            h = (h ^ SortKeyCache::hashOf(cellOf(i))) * 0x9E3779B97F4A7C15u;
            h ^= h >> 29;
        }
        return h;
    }
    // The order, by ranks alone when every key came with one from the key file.
    std::vector<std::uint32_t> order();

    static constexpr std::size_t kWorthASecondThread = 8192;

private:
    // Each on cache lines of its own: the two threads append to them all the time.
    struct alignas(64) Batch {
        std::string bytes;
        std::vector<std::uint32_t> rows;
        std::vector<std::uint32_t> ends;
        std::vector<std::uint64_t> hashes;
        bool unranked = false;  // a row whose key has no rank
    };

    std::string_view cellOf(std::size_t i) const {
        return numbers_.empty() ? rows_[i].text(column_) : numbers_[i];
    }
    void lookUp(std::size_t from, std::size_t to, const text::JapaneseCollator& c, Batch& b);
    void remember(int shard);
    std::vector<std::uint32_t> orderByRanks();
    std::vector<std::uint32_t> orderByKeys() {
        return orderOfSortKeys(keys_, descending_, twoThreads_ ? helper_ : nullptr);
    }

    std::span<const FileListRow> rows_;
    std::size_t n_;
    std::size_t column_;
    bool descending_;
    bool kana_;
    SortKeyCache& cache_;
    BuildHelper* helper_;
    const text::JapaneseCollator& collator_;
    const text::JapaneseCollator* helperCollator_;
    bool twoThreads_;
    std::vector<std::string> numbers_;
    SortKeys keys_;
    Batch batches_[2];
    // With nothing remembered yet (a first build) every key is missing: no need to look.
    bool nothingKnown_ = false;
    // Each row's key rank and index as one number, in the order the rows go: when every key has
    // a rank (all read from the key file, the usual start), sorting these numbers is the sort.
    std::vector<std::uint64_t> ranked_;
    struct alignas(64) Remembered {
        std::vector<std::pair<std::uint32_t, std::string_view>> views;
    };
    Remembered remembered_[SortKeyCache::kShards];
};

void ColumnSort::lookUp(std::size_t from, std::size_t to, const text::JapaneseCollator& c,
                        Batch& b) {
    // Each lookup waits for memory twice (the table's slot, then the entry it points to): the
    // slots of the rows a few ahead, then their entries, are asked for in advance.
    constexpr std::size_t kAhead = 16;
    std::uint64_t hashes[kAhead];
    for (std::size_t i = from; i < std::min(to, from + kAhead); ++i) {
        hashes[i % kAhead] = SortKeyCache::hashOf(cellOf(i));
        if (!nothingKnown_) cache_.prefetchSlot(hashes[i % kAhead], kana_);
    }
    for (std::size_t i = from; i < to; ++i) {
        const std::uint64_t hash = hashes[i % kAhead];
        if (!nothingKnown_ && i + kAhead / 2 < to)
            cache_.prefetchCell(hashes[(i + kAhead / 2) % kAhead], kana_);
        if (i + kAhead < to) {
            hashes[i % kAhead] = SortKeyCache::hashOf(cellOf(i + kAhead));
            if (!nothingKnown_) cache_.prefetchSlot(hashes[i % kAhead], kana_);
        }
        std::uint32_t rank = SortKeyCache::kNoRank;
        if (!nothingKnown_ && cache_.find(cellOf(i), hash, kana_, keys_[i], rank)) {
            if (rank == SortKeyCache::kNoRank)
                b.unranked = true;
            else
                ranked_[i] = (std::uint64_t{descending_ ? ~rank : rank} << 32) | i;
            continue;
        }
        b.unranked = true;
        appendFileListSortKey(cellOf(i), kana_, c, b.bytes);
        b.rows.push_back(static_cast<std::uint32_t>(i));
        b.ends.push_back(static_cast<std::uint32_t>(b.bytes.size()));
        b.hashes.push_back(hash);
    }
}

void ColumnSort::findKeys() {
    // Views into the cache stay valid: entries are only dropped before the keys are taken.
    cache_.makeRoom(n_, kana_);
    nothingKnown_ = cache_.entries(kana_) == 0;
    ranked_.resize(nothingKnown_ ? 0 : n_);
    // Keys of a usual size fit in the room reserved for them when nothing is known: the buffers
    // are not copied over and over as they grow.
    if (twoThreads_) {
        // Rows are taken a block at a time by the two threads, each into its own batch.
        constexpr std::size_t kBlock = 1024;
        if (nothingKnown_) {
            batches_[0].bytes.reserve(n_ / 2 * 64);
            batches_[1].bytes.reserve(n_ / 2 * 64);
        }
        helper_->forEach((n_ + kBlock - 1) / kBlock, [&](std::size_t block, int thread) {
            lookUp(block * kBlock, std::min(n_, (block + 1) * kBlock),
                   thread == 0 ? collator_ : *helperCollator_, batches_[thread]);
        });
    } else {
        if (nothingKnown_) batches_[0].bytes.reserve(n_ * 64);
        lookUp(0, n_, collator_, batches_[0]);
    }
}

void ColumnSort::remember(int shard) {
    for (const Batch& b : batches_) {
        std::uint32_t start = 0;
        for (std::size_t k = 0; k < b.rows.size(); ++k) {
            const std::uint32_t end = b.ends[k];
            if (SortKeyCache::shardOf(b.hashes[k]) == shard) {
                const std::uint32_t row = b.rows[k];
                remembered_[shard].views.emplace_back(
                    row, cache_.insertInto(shard, b.hashes[k], cellOf(row),
                                           std::string_view(b.bytes.data() + start, end - start),
                                           kana_));
            }
            start = end;
        }
    }
}

void ColumnSort::rememberNewKeys() {
    // Room is made for the keys actually missing, now that they are known: when the last run's
    // keys were read, that is none.
    const std::size_t added = batches_[0].rows.size() + batches_[1].rows.size();
    cache_.reserve(added, kana_);
    if (twoThreads_ && added >= kWorthASecondThread) {
        helper_->forEach(SortKeyCache::kShards,
                         [&](std::size_t shard, int) { remember(static_cast<int>(shard)); });
    } else {
        for (int shard = 0; shard < SortKeyCache::kShards; ++shard) remember(shard);
    }
    for (const Remembered& r : remembered_)
        for (const auto& [row, key] : r.views) keys_[row] = key;
}

std::vector<std::uint32_t> ColumnSort::order() {
    const bool allRanked = !ranked_.empty() && !batches_[0].unranked && !batches_[1].unranked;
    if (!allRanked) return orderByKeys();
    // The keys' views are not needed for a sort by ranks: their room goes before the sort's own
    // is taken (a sixteenth of a kilobyte a row, at the moment a listing needs the most memory).
    SortKeys().swap(keys_);
    return orderByRanks();
}

std::vector<std::uint32_t> ColumnSort::orderByRanks() {
    // The ranks are numbers in the high half, the rows in index order: a stable radix sort by the
    // ranks' bytes, lowest first, is the sort, without a comparison. A byte every row shares (the
    // high bytes of ranks below a million) is passed over.
    std::array<std::array<std::uint32_t, 256>, 4> counts{};
    for (const std::uint64_t v : ranked_)
        for (int d = 0; d < 4; ++d) ++counts[d][(v >> (32 + 8 * d)) & 0xFF];
    std::vector<std::uint64_t> other(n_);
    for (int d = 0; d < 4; ++d) {
        auto& count = counts[static_cast<std::size_t>(d)];
        if (std::find(count.begin(), count.end(), n_) != count.end()) continue;
        std::uint32_t at = 0;
        for (std::uint32_t& c : count) at += std::exchange(c, at);
        for (const std::uint64_t v : ranked_) other[count[(v >> (32 + 8 * d)) & 0xFF]++] = v;
        ranked_.swap(other);
    }
    std::vector<std::uint64_t>().swap(other);  // before the order's own room is taken
    std::vector<std::uint32_t> order(n_);
    for (std::size_t i = 0; i < n_; ++i) order[i] = static_cast<std::uint32_t>(ranked_[i]);
    return order;
}

}  // namespace

std::vector<std::uint32_t> sortFileList(std::span<const FileListRow> rows, int column,
                                        SortDirection direction, bool kanaSensitive,
                                        const text::JapaneseCollator& collator, SortKeyCache& cache,
                                        BuildHelper* helper,
                                        const text::JapaneseCollator* helperCollator,
                                        SortMemo* memo) {
    const std::size_t n = rows.size();
    if (column < 0 || column >= kFileListColumns || n < 2) {
        std::vector<std::uint32_t> order(n);
        for (std::size_t i = 0; i < n; ++i) order[i] = static_cast<std::uint32_t>(i);
        return order;
    }
    ColumnSort sort(rows, column, direction, kanaSensitive, cache, helper, collator,
                    helperCollator);
    // A rebuild that lists the same rows again needs no key at all. (While the cache keeps its
    // generation it still holds the keys of the cells last sorted, for the key file.)
    const std::uint64_t cells = memo ? sort.cellsHash() : 0;
    if (memo &&
        memo->same(column, direction, kanaSensitive, cache.generation(kanaSensitive), n, cells))
        return memo->order();
    sort.findKeys();
    sort.rememberNewKeys();
    std::vector<std::uint32_t> order = sort.order();
    if (memo)
        memo->remember(column, direction, kanaSensitive, cache.generation(kanaSensitive), n, cells,
                       order);
    return order;
}

}  // namespace romshelf
