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
#include "core/views/SortKeyCache.h"
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
// one it begins. The one order of the sort, of the key file and of its ranks.
int compareSortKeys(std::string_view a, std::string_view b);

// The order of `keys` as compareSortKeys orders them (or the other way round), equal keys in
// their order. `helper`, when given, sorts half of them.
std::vector<std::uint32_t> orderOfSortKeys(std::span<const std::string_view> keys, bool descending,
                                           BuildHelper* helper = nullptr);

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
