#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/storage/DataStream.h"
#include "core/database/RomRecord.h"
#include "core/database/TitleIndex.h"

namespace romshelf {

// The current hardware's records: at most 5000 slots, indices stable while the program runs
// (a deleted record keeps its slot with an empty title until the next load drops it).
class RomTable {
public:
    static constexpr int kCapacity = 5000;

    int count() const { return static_cast<int>(records_.size()); }
    bool full() const { return count() >= kCapacity; }
    const RomRecord& operator[](int index) const {
        return records_[static_cast<std::size_t>(index)];
    }

    // Changes any field but the title (which goes through setFileTitle, so lookups stay right).
    template <class Change>
    void edit(int index, Change&& change) {
        keepSaved();
        RomRecord& r = records_[static_cast<std::size_t>(index)];
        const std::string title = r.fileTitle;
        change(r);
        if (r.fileTitle != title) {
            std::string changed = std::move(r.fileTitle);
            r.fileTitle = title;
            setFileTitle(index, std::move(changed));
        }
    }
    void setFileTitle(int index, std::string title);
    // Changes every record beyond the capacity (never its title: those are not looked up).
    template <class Change>
    void editOverflow(Change&& change) {
        keepSaved();
        for (RomRecord& r : overflow_) change(r);
    }

    // The first record whose title is exactly `title`; -1 for none or the empty title.
    int findRecordByTitle(std::string_view title) const;
    // findRecordByTitle() of many titles at once, into `found` (as many), faster than one by one.
    void findRecordsByTitle(std::span<const std::string_view> titles, std::span<int> found) const;
    // Changes whenever a title may have changed, and differs from every other table's: while it
    // stays, every title finds the same record as before.
    std::uint64_t titlesRevision() const { return titlesRevision_; }

    // Adds a record; -1 (nothing stored) when the table is full.
    int append(RomRecord record);
    // "情報の初期化": every text empty, no emulator, no rating (the favourite flag stays).
    void clearRecord(int index);
    // Deletes these records: their titles are emptied (dead slots, dropped by the next load).
    void deleteRecords(const std::vector<int>& indices);
    void reset();

    // Records that were beyond the capacity in the loaded file. They are not shown, but are
    // written back so that nothing in the file is lost.
    const std::vector<RomRecord>& overflow() const { return overflow_; }

    // Loads RomData_<code>.slb (count 0 first). Missing: silent; rejected: its message and no
    // records; records with an empty title are dropped; beyond 5000 the user is told.
    LoadResult load(DataStream& stream, const std::string& path, Prompter& prompter);
    // Writes the table (dead slots too). An empty table writes nothing, keeping an older file.
    bool save(DataStream& stream, const std::string& path) const;
    // Saves the table's own file. When another program (another machine on a share) saved it
    // since it was read here, its records are taken in first and this table's edits applied on
    // top (`merged` set, indices may change); when both changed a record differently nothing is
    // written and the failed save names the records. A file that cannot be read is never
    // written over.
    bool saveMerging(DataStream& stream, const std::string& path, bool& merged);
    // Takes in what another program saved in the file since it was read here, without writing;
    // true when the records changed. Clashing or unreadable: nothing changes here.
    bool takeChangesFromDisk(DataStream& stream, const std::string& path);
    // True when a record differs from the file as last read or written.
    bool edited() const;

private:
    enum class Merge { NotNeeded, Merged, Refused };
    Merge mergeWithDisk(DataStream& stream, const std::string& path);
    void setAll(std::vector<RomRecord> all);
    void markSaved();
    // The records as last read or written, copied aside before the first change after that.
    void keepSaved();
    void indexTitle(int index);
    void rebuildIndex();
    void titlesChanged();

    std::vector<RomRecord> records_;
    std::vector<RomRecord> overflow_;
    // The file as last read or written: what this table's edits are measured against. While
    // nothing changed (savedAreCurrent_) they are the records themselves and not copied: a
    // command that only reads never holds the records twice.
    std::vector<RomRecord> savedRecords_;
    std::vector<RomRecord> savedOverflow_;
    bool savedAreCurrent_ = false;
    TitleIndex firstByTitle_;
    std::uint64_t titlesRevision_ = 0;
};

inline constexpr std::string_view kRomTableFullMessage =
    "ロム情報は5000件までしか登録できません。\n不要な情報を削除してください。";

// Appends, or tells the user that the table is full. The index, or -1.
int appendOrTell(RomTable& table, RomRecord record, Prompter& prompter);

}  // namespace romshelf
