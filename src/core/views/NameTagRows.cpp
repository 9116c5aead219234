#include "core/views/NameTagRows.h"

#include <algorithm>
#include <bit>

namespace romshelf {

namespace {

constexpr std::uint8_t kNoRank = 255;

// How far from a good release a dump is: a bad dump furthest, then an unfinished release, then
// a pirate's.
int badness(const text::NameTags& t) {
    if (t.status & text::kStatusBadDump) return 3;
    if (t.status & text::kStatusPreRelease) return 2;
    if (t.status & text::kStatusPirate) return 1;
    return 0;
}

// Each number's rank: its place in `order`, those not in it after, in number order.
void rankBy(std::span<const int> order, std::size_t count, std::array<std::uint8_t, 64>& ranks) {
    ranks.fill(kNoRank);
    std::uint8_t next = 0;
    for (const int n : order)
        if (n >= 0 && static_cast<std::size_t>(n) < count &&
            ranks[static_cast<std::size_t>(n)] == kNoRank)
            ranks[static_cast<std::size_t>(n)] = next++;
    for (std::size_t n = 0; n < count; ++n)
        if (ranks[n] == kNoRank) ranks[n] = next++;
}

int lowestRank(std::uint64_t mask, const std::array<std::uint8_t, 64>& ranks) {
    int best = kNoRank;
    for (; mask; mask &= mask - 1)
        best = std::min<int>(best, ranks[static_cast<std::size_t>(std::countr_zero(mask))]);
    return best;
}

std::uint64_t keyOf(std::uint64_t mask, const std::array<std::uint8_t, 64>& ranks) {
    if (!mask) return ~std::uint64_t{0};
    std::array<std::uint8_t, 64> found{};
    std::size_t n = 0;
    for (; mask; mask &= mask - 1)
        found[n++] = ranks[static_cast<std::size_t>(std::countr_zero(mask))];
    std::sort(found.begin(), found.begin() + static_cast<std::ptrdiff_t>(n));
    // The first eight ranks, a byte each from the top: numbers that order as the rank lists do.
    std::uint64_t key = 0;
    for (std::size_t i = 0; i < 8; ++i)
        key = (key << 8) | (i < n ? static_cast<std::uint64_t>(found[i]) + 1 : 0);
    return key;
}

}  // namespace

std::string_view taggedTitle(const FileListRow& row) {
    if (row.titleSize > 0) return {row.name, row.titleSize};
    const std::string_view name = row.fileName();
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string_view::npos || name.find_first_of(" )]", dot) != std::string_view::npos)
        return name;
    return name.substr(0, dot);
}

std::string tagCell(const FileListRow& row, int column) {
    if (column != kColumnRegion && column != kColumnLanguage) return {};
    const text::NameTags tags = text::parseNameTags(taggedTitle(row));
    return column == kColumnRegion ? text::regionList(tags.regions)
                                   : text::languageList(tags.spokenLanguages());
}

std::vector<int> defaultRegionOrder() {
    std::vector<int> order;
    for (const char* region : {"Japan", "World", "USA", "Europe"})
        order.push_back(*text::regionNumber(region));
    return order;
}

std::vector<int> languageOrder(std::span<const int> regionOrder) {
    std::vector<int> order;
    for (const int region : regionOrder) {
        if (region < 0 || region >= 64) continue;
        for (std::uint64_t spoken = text::impliedLanguages(std::uint64_t{1} << region); spoken;
             spoken &= spoken - 1) {
            const int language = std::countr_zero(spoken);
            if (std::find(order.begin(), order.end(), language) == order.end())
                order.push_back(language);
        }
    }
    return order;
}

ReleasePreference::ReleasePreference(std::span<const int> regionOrder) {
    rankBy(regionOrder, text::regionNames().size(), regionRanks_);
    rankBy(languageOrder(regionOrder), text::languageNames().size(), languageRanks_);
}

int ReleasePreference::regionRank(std::uint64_t regions) const {
    return lowestRank(regions, regionRanks_);
}

int ReleasePreference::languageRank(std::uint64_t languages) const {
    return lowestRank(languages, languageRanks_);
}

std::uint64_t ReleasePreference::regionKey(std::uint64_t regions) const {
    return keyOf(regions, regionRanks_);
}

std::uint64_t ReleasePreference::languageKey(std::uint64_t languages) const {
    return keyOf(languages, languageRanks_);
}

bool ReleasePreference::better(const text::NameTags& a, bool aOwned, const text::NameTags& b,
                               bool bOwned) const {
    if (aOwned != bOwned) return aOwned;
    if (const int ba = badness(a), bb = badness(b); ba != bb) return ba < bb;
    if (const int ra = regionRank(a.regions), rb = regionRank(b.regions); ra != rb) return ra < rb;
    if (const int la = languageRank(a.spokenLanguages()), lb = languageRank(b.spokenLanguages());
        la != lb)
        return la < lb;
    if (const int c = text::compareRevisions(a.revision, b.revision); c != 0) return c > 0;
    if (const int c = text::compareRevisions(a.version, b.version); c != 0) return c > 0;
    const bool va = a.status & text::kStatusVerified, vb = b.status & text::kStatusVerified;
    return va && !vb;
}

std::size_t filterByTags(std::span<FileListRow> rows, const TagFilter& filter,
                         std::span<const int> regionOrder, const GameParents* parents) {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const text::NameTags t = text::parseNameTags(taggedTitle(rows[i]));
        if (filter.regions && !(t.regions & filter.regions)) continue;
        if (filter.languages && !(t.spokenLanguages() & filter.languages)) continue;
        if (filter.noStatus && (t.status & text::kStatusAny)) continue;
        if (kept != i) rows[kept] = rows[i];
        ++kept;
    }
    if (!filter.onePerGame || kept < 2) return kept;

    // The best file of each game so far, by the game's key: views of the rows' names or of the
    // DAT's, which stay while this runs.
    const ReleasePreference preference(regionOrder);
    struct Best {
        std::uint32_t row;
        text::NameTags tags;
    };
    std::unordered_map<std::string_view, Best> games;
    games.reserve(kept);
    std::vector<std::string_view> keys(kept);
    for (std::size_t i = 0; i < kept; ++i) {
        const std::string_view title = taggedTitle(rows[i]);
        const text::NameTags t = text::parseNameTags(title);
        std::string_view key = t.title.empty() ? title : t.title;
        if (parents) {
            if (const auto parent = parents->find(title); parent != parents->end()) {
                const std::string_view parentTitle = text::parseNameTags(parent->second).title;
                if (!parentTitle.empty()) key = parentTitle;
            }
        }
        keys[i] = key;
        const bool owned = rows[i].folderNumber != kUnownedFolder;
        auto [at, added] = games.try_emplace(key, Best{static_cast<std::uint32_t>(i), t});
        if (added) continue;
        Best& best = at->second;
        if (preference.better(t, owned, best.tags, rows[best.row].folderNumber != kUnownedFolder))
            best = {static_cast<std::uint32_t>(i), t};
    }
    std::size_t chosen = 0;
    for (std::size_t i = 0; i < kept; ++i) {
        if (games.find(keys[i])->second.row != i) continue;
        if (chosen != i) rows[chosen] = rows[i];
        ++chosen;
    }
    return chosen;
}

std::vector<std::uint32_t> sortByTagColumn(std::span<const FileListRow> rows, int column,
                                           SortDirection direction,
                                           std::span<const int> regionOrder) {
    const ReleasePreference preference(regionOrder);
    std::vector<std::pair<std::uint64_t, std::uint32_t>> keyed(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const text::NameTags t = text::parseNameTags(taggedTitle(rows[i]));
        keyed[i] = {column == kColumnRegion ? preference.regionKey(t.regions)
                                            : preference.languageKey(t.spokenLanguages()),
                    static_cast<std::uint32_t>(i)};
    }
    const bool descending = direction == SortDirection::Descending;
    std::sort(keyed.begin(), keyed.end(), [descending](const auto& a, const auto& b) {
        if (a.first != b.first) return descending ? a.first > b.first : a.first < b.first;
        return a.second < b.second;
    });
    std::vector<std::uint32_t> order(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) order[i] = keyed[i].second;
    return order;
}

}  // namespace romshelf
