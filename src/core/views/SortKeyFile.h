#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "core/views/FileListSorter.h"

namespace romshelf {

// The collation keys of the file list, kept between runs: computing them is most of the first
// build's work, and the names in a collection rarely change. Only a cache: a file that is
// missing, damaged or made under other collation rules is ignored, and the keys are computed
// again.
//
// Layout: "RSSORTK1", the stamp (u32 size + bytes), the entry count (u32), then each entry as
// u32 cell size, u32 key size, cell bytes, key bytes. Numbers little-endian.
inline constexpr std::string_view kSortKeyFileMagic = "RSSORTK1";

// The collation keys of `cache` (not the kana-sensitive byte keys, cheap to make) under `stamp`.
std::string sortKeyFileBytes(const SortKeyCache& cache, const std::string& stamp);
// Remembers the keys of `bytes` in `cache` when the file is whole and made under `stamp`; else
// nothing. Returns how many keys were taken.
std::size_t readSortKeyFileBytes(std::string_view bytes, const std::string& stamp,
                                 SortKeyCache& cache);

// The same on a file, written atomically; a failure to write is no one's concern but the next
// start's speed.
bool saveSortKeyFile(const std::string& path, const SortKeyCache& cache, const std::string& stamp);
// `inKeyOrder`, when given, tells whether the file was in key order (else the keys have no ranks,
// and the file is worth writing again).
std::size_t loadSortKeyFile(const std::string& path, const std::string& stamp, SortKeyCache& cache,
                            bool* inKeyOrder = nullptr);

}  // namespace romshelf
