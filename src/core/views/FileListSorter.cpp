#include "views/FileListSorter.h"

#include <algorithm>
#include <numeric>

namespace romshelf {

std::string fileListSortKey(const std::string& cell, bool kanaSensitive,
                            const text::JapaneseCollator& collator) {
    if (kanaSensitive) {
        std::string bytes = text::cp932Form(cell);
        if (bytes.size() > kSortPrefixBytes) bytes.resize(kSortPrefixBytes);
        return bytes;
    }
    // A UTF-8 text this short cannot take more than 63 bytes in CP932, escaped or not.
    if (cell.size() + text::kUtf8Marker.size() <= kSortPrefixBytes) return collator.sortKey(cell);
    return collator.sortKey(text::truncateToCp932Bytes(cell, kSortPrefixBytes));
}

void sortFileList(std::vector<FileListRow>& rows, int column, int direction, bool kanaSensitive,
                  const text::JapaneseCollator& collator) {
    if (column < 0 || column >= kFileListColumns || rows.size() < 2) return;
    std::vector<std::string> keys;
    keys.reserve(rows.size());
    for (const auto& row : rows)
        keys.push_back(fileListSortKey(row.cells[static_cast<std::size_t>(column)], kanaSensitive, collator));
    std::vector<std::size_t> order(rows.size());
    std::iota(order.begin(), order.end(), 0);
    if (direction == 2)
        std::stable_sort(order.begin(), order.end(),
                         [&](std::size_t a, std::size_t b) { return keys[b] < keys[a]; });
    else
        std::stable_sort(order.begin(), order.end(),
                         [&](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
    std::vector<FileListRow> sorted;
    sorted.reserve(rows.size());
    for (std::size_t i : order) sorted.push_back(std::move(rows[i]));
    rows = std::move(sorted);
}

}  // namespace romshelf
