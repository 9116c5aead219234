#pragma once

#include <vector>

#include "app/TextCodec.h"
#include "views/FileListRow.h"

namespace romshelf {

inline constexpr std::size_t kSortPrefixBytes = 63;

// The key a cell sorts by: its first 63 bytes in CP932, compared byte for byte when the kana
// option is on, else by Japanese collation that sees hiragana and katakana as equal.
std::string fileListSortKey(const std::string& cell, bool kanaSensitive,
                            const text::JapaneseCollator& collator);

// Sorts rows by one column; direction 1 ascending, 2 descending. Rows with equal keys keep their
// order. Keys are computed once per row.
void sortFileList(std::vector<FileListRow>& rows, int column, int direction, bool kanaSensitive,
                  const text::JapaneseCollator& collator);

}  // namespace romshelf
