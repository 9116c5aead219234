#pragma once

#include <array>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/rename/DatFile.h"

namespace romshelf {

// How a game of a DAT stands as a whole: every rom it needs found (complete), some (incomplete),
// none (missing).
enum class SetStatus { Complete, Incomplete, Missing };
inline constexpr int kSetStatusCount = 3;
const char* setStatusWord(SetStatus status);  // "complete", "incomplete", "missing"

struct SetRow {
    SetStatus status = SetStatus::Missing;
    std::string game, cloneof;
    int have = 0, needed = 0;
    std::vector<std::string> missingRoms;  // the names, as the DAT writes them, in its order
};

struct SetReport {
    // Whether the DAT is one of sets (a game of several roms, or parents and clones): only then
    // are sets worth a report of their own.
    bool counted = false;
    std::vector<SetRow> rows;  // the DAT's game order
    std::array<int, kSetStatusCount> counts{};
    int count(SetStatus s) const { return counts[static_cast<std::size_t>(s)]; }
};

// Counts the games of a DAT as sets from where their roms were found. A rom found in a loose file
// (or in an archive that is no set of the DAT) counts wherever it lies; a rom found in a set's
// archive counts for that set; a clone's rom counts when found in the set the DAT's merging puts
// it in: split, a rom with a merge name in the set it is taken from (romof: the parent, then a
// BIOS); full, any rom of a clone in its parent's set as well; none, only in its own set.
class SetTally {
public:
    explicit SetTally(const DatFile& dat);
    // Whether `name` (an archive's name without extension) is a set of the DAT.
    bool isSet(const std::string& name) const { return gameIndex_.count(name) != 0; }
    // The DAT's roms (indexes into its roms) whose contents a file was found to have.
    void foundLoose(const std::vector<int>& roms);
    void foundInSet(const std::string& set, const std::vector<int>& roms);
    SetReport finish() const;

private:
    bool found(int rom) const;
    bool foundInSetOf(const std::string& game, int rom) const;

    const DatFile& dat_;
    std::vector<DatGame> games_;  // the DAT's, and any game its roms name that it does not list
    std::unordered_map<std::string, std::size_t> gameIndex_;
    std::vector<std::vector<int>> romsOf_;  // per game, its roms
    std::vector<bool> loose_;
    std::unordered_map<std::string, std::unordered_set<int>> inSet_;
};

// The sets that a report names, "3 complete sets\t1 incomplete set\t2 missing sets".
std::string setSummary(const SetReport& report);

// The set report as CSV (as the file report is written): status, game, parent, roms found,
// roms needed, the missing roms' names separated by " | ".
std::string setReportCsv(const SetReport& report);

}  // namespace romshelf
