#include "core/rename/SetTally.h"

#include "core/rename/DatVerify.h"
#include "core/text/CsvField.h"

namespace romshelf {

namespace {

// How far a romof chain is followed (clone, parent, BIOS and a little more): a DAT whose sets
// name each other in a ring ends here.
constexpr int kChainLimit = 8;

}  // namespace

const char* setStatusWord(SetStatus status) {
    static constexpr const char* kWords[] = {"complete", "incomplete", "missing"};
    return kWords[static_cast<int>(status)];
}

SetTally::SetTally(const DatFile& dat) : dat_(dat), games_(dat.games), loose_(dat.roms.size()) {
    for (std::size_t g = 0; g < games_.size(); ++g) gameIndex_.emplace(games_[g].name, g);
    romsOf_.resize(games_.size());
    for (std::size_t i = 0; i < dat.roms.size(); ++i) {
        auto [it, added] = gameIndex_.emplace(dat.roms[i].game, games_.size());
        if (added) {
            games_.push_back({dat.roms[i].game, "", "", ""});
            romsOf_.emplace_back();
        }
        romsOf_[it->second].push_back(static_cast<int>(i));
    }
}

void SetTally::foundLoose(const std::vector<int>& roms) {
    for (const int i : roms) loose_[static_cast<std::size_t>(i)] = true;
}

void SetTally::foundInSet(const std::string& set, const std::vector<int>& roms) {
    inSet_[set].insert(roms.begin(), roms.end());
}

bool SetTally::foundInSetOf(const std::string& game, int rom) const {
    const auto it = inSet_.find(game);
    return it != inSet_.end() && it->second.count(rom) != 0;
}

bool SetTally::found(int rom) const {
    if (loose_[static_cast<std::size_t>(rom)]) return true;
    const DatRom& r = dat_.roms[static_cast<std::size_t>(rom)];
    if (foundInSetOf(r.game, rom)) return true;
    if (dat_.merging == DatMerging::None) return false;
    const auto own = gameIndex_.find(r.game);
    if (own == gameIndex_.end()) return false;
    const DatGame& game = games_[own->second];
    if (dat_.merging == DatMerging::Full && !game.cloneof.empty() &&
        foundInSetOf(game.cloneof, rom))
        return true;
    if (r.merge.empty()) return false;
    // A shared rom lies in the set it is taken from, or further up (a clone's BIOS rom).
    std::string from = game.romof.empty() ? game.cloneof : game.romof;
    for (int depth = 0; depth < kChainLimit && !from.empty(); ++depth) {
        if (foundInSetOf(from, rom)) return true;
        const auto up = gameIndex_.find(from);
        if (up == gameIndex_.end()) break;
        const DatGame& next = games_[up->second];
        from = next.romof.empty() ? next.cloneof : next.romof;
    }
    return false;
}

SetReport SetTally::finish() const {
    SetReport report;
    for (std::size_t g = 0; g < games_.size(); ++g) {
        SetRow row;
        row.game = games_[g].name;
        row.cloneof = games_[g].cloneof;
        for (const int i : romsOf_[g]) {
            const DatRom& rom = dat_.roms[static_cast<std::size_t>(i)];
            if (rom.nodump) continue;  // dumped by nobody: no set can have it
            ++row.needed;
            if (found(i))
                ++row.have;
            else
                row.missingRoms.push_back(rom.name);
        }
        if (row.needed == 0) continue;  // a device or a game of nodumps only
        if (row.needed > 1 || !games_[g].cloneof.empty() || !games_[g].romof.empty())
            report.counted = true;
        row.status = row.have == row.needed ? SetStatus::Complete
                     : row.have == 0        ? SetStatus::Missing
                                            : SetStatus::Incomplete;
        ++report.counts[static_cast<std::size_t>(row.status)];
        report.rows.push_back(std::move(row));
    }
    return report;
}

std::string setSummary(const SetReport& report) {
    std::string text;
    for (int s = 0; s < kSetStatusCount; ++s) {
        const int n = report.counts[static_cast<std::size_t>(s)];
        text += (s ? "\t" : "") + std::to_string(n) + " " +
                setStatusWord(static_cast<SetStatus>(s)) + (n == 1 ? " set" : " sets");
    }
    return text;
}

std::string setReportCsv(const SetReport& report) {
    std::string csv = "\xEF\xBB\xBFstatus,game,parent,found,needed,missing\r\n";
    for (const SetRow& row : report.rows) {
        std::string missing;
        for (const std::string& name : row.missingRoms)
            missing += (missing.empty() ? "" : " | ") + name;
        csv += std::string(setStatusWord(row.status)) + "," + csvField(row.game) + "," +
               csvField(row.cloneof) + "," + std::to_string(row.have) + "," +
               std::to_string(row.needed) + "," + csvField(missing) + "\r\n";
    }
    return csv;
}

}  // namespace romshelf
