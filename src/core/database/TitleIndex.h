#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/database/RomRecord.h"

namespace romshelf {

// Title → index of the first record with that title. An open-addressing table of (hash, index)
// pairs that compares against the records' own titles: a lookup touches one or two adjacent
// slots and allocates nothing, which matters when every file of a large collection is looked up.
class TitleIndex {
public:
    int find(std::string_view title, const std::vector<RomRecord>& records) const;
    // find() of every title into `found` (as many): each lookup waits for memory three times (its
    // slot, the record it names, the record's title), so those of the titles a few ahead are asked
    // for meanwhile. A folder's files are looked up this way.
    void findAll(std::span<const std::string_view> titles, std::span<int> found,
                 const std::vector<RomRecord>& records) const;
    // Points `title` at `index` (adding it when absent).
    void set(std::string_view title, int index, const std::vector<RomRecord>& records);
    void erase(std::string_view title, const std::vector<RomRecord>& records);
    // Indexes every non-empty title at its first record.
    void rebuild(const std::vector<RomRecord>& records);
    void clear();

    // A quick hash of a text, eight bytes at a time, its low bits well mixed for tables that
    // index by them (the file list's sort keys use it too).
    static std::uint64_t hashOf(std::string_view text);

private:
    static constexpr std::int32_t kEmpty = -1;
    static constexpr std::int32_t kErased = -2;
    struct Slot {
        std::uint64_t hash = 0;
        std::int32_t index = kEmpty;
    };
    // The slot holding `title`, or -1.
    std::int64_t locate(std::string_view title, std::uint64_t hash,
                        const std::vector<RomRecord>& records) const;
    void grow(const std::vector<RomRecord>& records);

    std::vector<Slot> slots_;
    std::size_t used_ = 0;  // live and erased slots
};

}  // namespace romshelf
