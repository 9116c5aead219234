#include "core/database/RomTable.h"

#include <algorithm>
#include <atomic>

namespace romshelf {

void RomTable::titlesChanged() {
    static std::atomic<std::uint64_t> last{0};
    titlesRevision_ = ++last;
}

void RomTable::indexTitle(int index) {
    titlesChanged();
    const std::string& title = records_[static_cast<std::size_t>(index)].fileTitle;
    if (title.empty()) return;
    const int first = firstByTitle_.find(title, records_);
    if (first < 0 || index < first) firstByTitle_.set(title, index, records_);
}

void RomTable::rebuildIndex() {
    titlesChanged();
    firstByTitle_.rebuild(records_);
}

void RomTable::setFileTitle(int index, std::string title) {
    RomRecord& r = records_[static_cast<std::size_t>(index)];
    if (r.fileTitle == title) return;
    // The index compares against the records' titles: take the old title out while it is there.
    const bool wasFirst =
        !r.fileTitle.empty() && firstByTitle_.find(r.fileTitle, records_) == index;
    if (wasFirst) firstByTitle_.erase(r.fileTitle, records_);
    const std::string old = std::move(r.fileTitle);
    r.fileTitle = std::move(title);
    if (wasFirst) {
        // Another record with the old title may now be the first one.
        for (int i = index + 1; i < count(); ++i) {
            if (records_[static_cast<std::size_t>(i)].fileTitle == old) {
                firstByTitle_.set(old, i, records_);
                break;
            }
        }
    }
    indexTitle(index);
}

int RomTable::findRecordByTitle(std::string_view title) const {
    if (title.empty() || records_.empty()) return -1;
    return firstByTitle_.find(title, records_);
}

int RomTable::append(RomRecord record) {
    if (full()) return -1;
    records_.push_back(std::move(record));
    indexTitle(count() - 1);
    return count() - 1;
}

void RomTable::deleteRecords(const std::vector<int>& indices) {
    if (indices.empty()) return;
    for (int index : indices)
        if (index >= 0 && index < count())
            records_[static_cast<std::size_t>(index)].fileTitle.clear();
    // Once for all: title by title, each deletion would look for the next record of its title.
    rebuildIndex();
}

void RomTable::clearRecord(int index) {
    edit(index, [](RomRecord& r) {
        const bool favourite = r.favourite;
        r = RomRecord{};
        r.favourite = favourite;
    });
}

void RomTable::reset() {
    records_.clear();
    overflow_.clear();
    firstByTitle_.clear();
    titlesChanged();
}

LoadResult RomTable::load(DataStream& stream, const std::string& path, Prompter& prompter) {
    reset();
    std::vector<RomRecord> kept, beyond;
    LoadResult result = loadDataFile(stream, path, DataFileKind::Rom, prompter, [&](DataStream& s) {
        DataReader reader(s);
        std::int32_t n = 0;
        reader.field(n, "count");
        // Room for the records shown, once: growing record by record would move every record
        // several times. The count is the file's word, so never more than the table holds.
        if (n > 0)
            kept.reserve(
                static_cast<std::size_t>(std::min(n, static_cast<std::int32_t>(kCapacity))));
        for (std::int32_t i = 0; i < n && !s.failed(); ++i) {
            RomRecord r;
            transferRomRecord(reader, r, i);
            if (s.failed() || r.fileTitle.empty()) continue;
            (static_cast<int>(kept.size()) < kCapacity ? kept : beyond).push_back(std::move(r));
        }
    });
    if (result != LoadResult::Loaded) return result;
    records_ = std::move(kept);
    overflow_ = std::move(beyond);
    rebuildIndex();
    if (!overflow_.empty()) {
        prompter.inform("ロム情報ファイルに5000件を超える情報があります。\n5001件目以降の" +
                            std::to_string(overflow_.size()) +
                            "件は表示されませんが、ファイルには残ります。",
                        std::string(kWarningTitle));
    }
    return result;
}

bool RomTable::save(DataStream& stream, const std::string& path) const {
    if (records_.empty()) return true;
    return saveDataFile(stream, path, DataFileKind::Rom, [&](DataStream& s) {
        DataWriter writer(s);
        std::int32_t n = static_cast<std::int32_t>(records_.size() + overflow_.size());
        writer.field(n);
        int i = 0;
        for (const auto& r : records_) transferRomRecord(writer, r, i++);
        for (const auto& r : overflow_) transferRomRecord(writer, r, i++);
    });
}

int appendOrTell(RomTable& table, RomRecord record, Prompter& prompter) {
    const int index = table.append(std::move(record));
    if (index < 0) prompter.inform(std::string(kRomTableFullMessage), std::string(kWarningTitle));
    return index;
}

}  // namespace romshelf
