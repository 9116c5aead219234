#pragma once

#include <cstddef>
#include <string>

namespace romshelf {

// What was recovered from a data file that cannot be read whole.
struct SalvageResult {
    bool ok = false;
    std::string error;             // why nothing was recovered
    std::size_t damageOffset = 0;  // the byte where reading failed
    int recovered = 0;             // whole records (items, entries) kept
    int promised = -1;             // how many the file says it holds; -1 where it says nothing
    bool settings = false;         // a settings file: its fields read before the damage kept
    std::string output;            // the new file
};

// Recovers every whole record before the damage of `path` (any of the program's data file
// kinds, also a copy kept as `.broken-…`) into a new file of the same kind, `output`, or beside
// the damaged file as `<name>.salvaged-<date>-<time>` when `output` is empty. The damaged file
// is left as it is; an existing file is never replaced. Settings files keep the fields read
// before the damage, the rest taking their defaults.
SalvageResult salvageDataFile(const std::string& path, const std::string& output = {});

}  // namespace romshelf
