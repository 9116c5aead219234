#pragma once

#include <array>
#include <functional>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/text/NameTags.h"
#include "core/views/FileListRow.h"

namespace romshelf {

// Two columns the window shows after the twelve cells of a row, read from the file's name tags
// when asked for: a row keeps nothing for them.
inline constexpr int kColumnRegion = 12;
inline constexpr int kColumnLanguage = 13;
inline constexpr int kFileListShownColumns = 14;

// The text a row's tags are read from: its file title (the name without its extension).
std::string_view taggedTitle(const FileListRow& row);
// The region cell ("USA, Europe") or the language cell ("En,Ja": the languages written, else
// those the regions speak) of a row; empty for other columns.
std::string tagCell(const FileListRow& row, int column);

// The file list narrowed by name tags.
struct TagFilter {
    std::uint64_t regions = 0;    // rows of any of these regions (0: any row)
    std::uint64_t languages = 0;  // rows speaking any of these languages (0: any row)
    bool noStatus = false;        // no beta, proto, demo, sample, unlicensed, pirate or bad dump
    bool onePerGame = false;      // the preferred file of each game only
    bool active() const { return regions || languages || noStatus || onePerGame; }
    bool operator==(const TagFilter&) const = default;
};

// Looked up by a view, without a copy of it.
struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const noexcept {
        return std::hash<std::string_view>{}(s);
    }
};
// Each game of a hardware's DAT by name with the game it is a clone of (only clones are kept).
using GameParents = std::unordered_map<std::string, std::string, TextHash, std::equal_to<>>;

// The region order the preferred release follows, most wanted first (region numbers).
std::vector<int> defaultRegionOrder();
// The languages wanted, in order: those the ordered regions speak, each once.
std::vector<int> languageOrder(std::span<const int> regionOrder);

// Which of two releases of a game is preferred: a file owned before one that is not, a good
// release before a pirate, a pirate before a beta, proto, demo or sample and those before a bad
// dump; then the first region in `regionOrder`, the first language in the languages those
// regions speak, the latest revision and version, a verified dump. True when `a` goes before `b`.
class ReleasePreference {
public:
    explicit ReleasePreference(std::span<const int> regionOrder);
    bool better(const text::NameTags& a, bool aOwned, const text::NameTags& b, bool bOwned) const;
    // Place in the region and language orders (lower is wanted more); regions or languages
    // outside the order come after it, in their numbers' order, a name without any last.
    int regionRank(std::uint64_t regions) const;
    int languageRank(std::uint64_t languages) const;
    // Sort keys for the two columns: the ranks of every region (language) the row has, lowest
    // first, a byte each; a row without any after every other.
    std::uint64_t regionKey(std::uint64_t regions) const;
    std::uint64_t languageKey(std::uint64_t languages) const;

private:
    std::array<std::uint8_t, 64> regionRanks_{};
    std::array<std::uint8_t, 64> languageRanks_{};
};

// Leaves in `rows` only those that pass `filter`, in their order, and gives their number.
// One per game groups files by the game their title names in `parents` (a clone with its
// parent), else by their title without tags, and keeps the one `regionOrder` prefers.
std::size_t filterByTags(std::span<FileListRow> rows, const TagFilter& filter,
                         std::span<const int> regionOrder, const GameParents* parents);

// The display order of rows sorted by the region or language column: by the ranks of their
// regions (languages) in the region order; equal rows keep their order.
std::vector<std::uint32_t> sortByTagColumn(std::span<const FileListRow> rows, int column,
                                           SortDirection direction,
                                           std::span<const int> regionOrder);

}  // namespace romshelf
