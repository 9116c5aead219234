#include "core/database/TitleIndex.h"

#include <algorithm>

#include "core/platform/WordHash.h"

namespace romshelf {

std::uint64_t TitleIndex::hashOf(std::string_view text) {
    return wordHash<0x9E3779B97F4A7C15u, 0xC2B2AE3D27D4EB4Fu, 0xBF58476D1CE4E5B9u,
                    0x94D049BB133111EBu>(text);
}

std::int64_t TitleIndex::locate(std::string_view title, std::uint64_t hash,
                                const std::vector<RomRecord>& records) const {
    if (slots_.empty()) return -1;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot& s = slots_[i];
        if (s.index == kEmpty) return -1;
        if (s.index >= 0 && s.hash == hash &&
            records[static_cast<std::size_t>(s.index)].fileTitle == title)
            return static_cast<std::int64_t>(i);
    }
}

int TitleIndex::find(std::string_view title, const std::vector<RomRecord>& records) const {
    if (title.empty()) return -1;
    const std::int64_t slot = locate(title, hashOf(title), records);
    return slot < 0 ? -1 : slots_[static_cast<std::size_t>(slot)].index;
}

void TitleIndex::findAll(std::span<const std::string_view> titles, std::span<int> found,
                         const std::vector<RomRecord>& records) const {
    const std::size_t n = std::min(titles.size(), found.size());
    if (slots_.empty()) {
        std::fill_n(found.begin(), n, -1);
        return;
    }
    const std::size_t mask = slots_.size() - 1;
    // The slot of the title kAhead on, the record of the one kAhead / 2 on (its slot has come),
    // the text of the next one's title (its record has come).
    constexpr std::size_t kAhead = 8;
    std::uint64_t hashes[kAhead];
    const auto slotOf = [&](std::size_t i) -> const Slot& {
        return slots_[hashes[i % kAhead] & mask];
    };
    const auto hashAhead = [&](std::size_t i) {
        hashes[i % kAhead] = hashOf(titles[i]);
        __builtin_prefetch(&slotOf(i));
    };
    for (std::size_t i = 0; i < std::min(n, kAhead); ++i) hashAhead(i);
    for (std::size_t i = 0; i < n; ++i) {
        if (i + kAhead / 2 < n) {
            if (const std::int32_t r = slotOf(i + kAhead / 2).index; r >= 0)
                __builtin_prefetch(&records[static_cast<std::size_t>(r)].fileTitle);
        }
        if (i + 1 < n) {
            if (const std::int32_t r = slotOf(i + 1).index; r >= 0)
                __builtin_prefetch(records[static_cast<std::size_t>(r)].fileTitle.data());
        }
        const std::uint64_t hash = hashes[i % kAhead];
        if (i + kAhead < n) hashAhead(i + kAhead);
        const std::int64_t slot = titles[i].empty() ? -1 : locate(titles[i], hash, records);
        found[i] = slot < 0 ? -1 : slots_[static_cast<std::size_t>(slot)].index;
    }
}

void TitleIndex::set(std::string_view title, int index, const std::vector<RomRecord>& records) {
    if (title.empty()) return;
    const std::uint64_t hash = hashOf(title);
    if (const std::int64_t slot = locate(title, hash, records); slot >= 0) {
        slots_[static_cast<std::size_t>(slot)].index = index;
        return;
    }
    if ((used_ + 1) * 2 > slots_.size()) grow(records);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        Slot& s = slots_[i];
        if (s.index == kEmpty || s.index == kErased) {
            if (s.index == kEmpty) ++used_;
            s = {hash, index};
            return;
        }
    }
}

void TitleIndex::erase(std::string_view title, const std::vector<RomRecord>& records) {
    const std::int64_t slot = locate(title, hashOf(title), records);
    if (slot >= 0) slots_[static_cast<std::size_t>(slot)].index = kErased;
}

void TitleIndex::grow(const std::vector<RomRecord>& records) {
    // Rebuilding from the records drops the erased slots as well.
    std::size_t live = 0;
    for (const Slot& s : slots_)
        if (s.index >= 0) ++live;
    std::size_t size = 16;
    while (size < (live + 1) * 4) size *= 2;
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(size, Slot{});
    used_ = 0;
    const std::size_t mask = size - 1;
    for (const Slot& s : old) {
        if (s.index < 0) continue;
        std::size_t i = s.hash & mask;
        while (slots_[i].index != kEmpty) i = (i + 1) & mask;
        slots_[i] = s;
        ++used_;
    }
    (void)records;
}

void TitleIndex::rebuild(const std::vector<RomRecord>& records) {
    clear();
    std::size_t size = 16;
    while (size < records.size() * 2 + 2) size *= 2;
    slots_.assign(size, Slot{});
    for (std::size_t i = 0; i < records.size(); ++i) {
        const std::string& title = records[i].fileTitle;
        if (!title.empty() && find(title, records) < 0) set(title, static_cast<int>(i), records);
    }
}

void TitleIndex::clear() {
    slots_.clear();
    used_ = 0;
}

}  // namespace romshelf
