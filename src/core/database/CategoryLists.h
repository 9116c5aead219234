#pragma once

#include <array>
#include <string>
#include <vector>

#include "core/storage/DataStream.h"
#include "core/settings/ProgramFolder.h"

namespace romshelf {

inline constexpr int kCategoryListCount = 6;  // categories 1-5, then the hardware class
inline constexpr int kHardwareClassList = 5;

// The items the user picks categories from: five lists shared by all hardware and the current
// hardware's class list. Items keep the user's order.
struct CategoryLists {
    std::array<std::vector<std::string>, kCategoryListCount> items;

    // Reads ClassData1..5.slb and ClassData_<code>.slb. A broken file shows its message and
    // leaves its list empty; the others still load.
    void load(DataStream& stream, const ProgramFolder& folder, const std::string& code,
              Prompter& prompter);
    // Writes the six files (the class list only when `withClassList`); nothing without a current
    // hardware. Unwritable files are skipped.
    void save(DataStream& stream, const ProgramFolder& folder, const std::string& code,
              bool withClassList = true) const;

    static std::string fileName(int list, const std::string& code);
    static DataFileKind kind(int list);
};

// One category file: a count, then the items. `Items` is const when writing.
template <class Io, class Items>
void transferCategoryItems(Io& io, Items& items) {
    std::int32_t n = static_cast<std::int32_t>(items.size());
    io.field(n, "count");
    if constexpr (Io::kReading) {
        items.clear();
        for (std::int32_t i = 0; i < n && !io.failed(); ++i) {
            std::string item;
            io.field(item, "items", static_cast<int>(i));
            if (!io.failed()) items.push_back(std::move(item));
        }
    } else {
        for (std::int32_t i = 0; i < n; ++i)
            io.field(items[static_cast<std::size_t>(i)], "items", static_cast<int>(i));
    }
}

}  // namespace romshelf
