#include "core/database/RomTable.h"

#include <algorithm>
#include <atomic>
#include <cerrno>

#include "core/database/RecordMerge.h"
#include "core/platform/FileSystem.h"

namespace romshelf {

namespace {

// The records of a file's body in file order, those without a title left out: `counted` is told
// the count the file gives, `keep` takes each whole record.
template <class Counted, class Keep>
void readRecordBody(DataStream& s, Counted&& counted, Keep&& keep) {
    DataReader reader(s);
    std::int32_t n = 0;
    reader.field(n, "count");
    counted(n);
    for (std::int32_t i = 0; i < n && !s.failed(); ++i) {
        RomRecord r;
        transferRomRecord(reader, r, i);
        if (!s.failed() && !r.fileTitle.empty()) keep(std::move(r));
    }
}

}  // namespace

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
    keepSaved();
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

void RomTable::findRecordsByTitle(std::span<const std::string_view> titles,
                                  std::span<int> found) const {
    firstByTitle_.findAll(titles, found, records_);
}

int RomTable::append(RomRecord record) {
    keepSaved();
    if (full()) return -1;
    records_.push_back(std::move(record));
    indexTitle(count() - 1);
    return count() - 1;
}

void RomTable::deleteRecords(const std::vector<int>& indices) {
    keepSaved();
    if (indices.empty()) return;
    for (int index : indices)
        if (index >= 0 && index < count())
            records_[static_cast<std::size_t>(index)].fileTitle.clear();
    // Once for all: title by title, each deletion would look for the next record of its title.
    rebuildIndex();
}

void RomTable::clearRecord(int index) {
    keepSaved();
    edit(index, [](RomRecord& r) {
        const bool favourite = r.favourite;
        r = RomRecord{};
        r.favourite = favourite;
    });
}

void RomTable::reset() {
    records_.clear();
    overflow_.clear();
    savedRecords_.clear();
    savedOverflow_.clear();
    savedAreCurrent_ = false;
    firstByTitle_.clear();
    titlesChanged();
}

LoadResult RomTable::load(DataStream& stream, const std::string& path, Prompter& prompter) {
    reset();
    std::vector<RomRecord> kept, beyond;
    LoadResult result = loadDataFile(stream, path, DataFileKind::Rom, prompter, [&](DataStream& s) {
        kept.clear();
        beyond.clear();
        readRecordBody(
            s,
            [&](std::int32_t n) {
                // Room for the records shown, once: growing record by record would move every
                // record several times. The count is the file's word, so never more than the
                // table holds.
                if (n > 0)
                    kept.reserve(static_cast<std::size_t>(
                        std::min(n, static_cast<std::int32_t>(kCapacity))));
            },
            [&](RomRecord&& r) {
                (static_cast<int>(kept.size()) < kCapacity ? kept : beyond).push_back(std::move(r));
            });
    });
    if (result != LoadResult::Loaded) return result;
    records_ = std::move(kept);
    overflow_ = std::move(beyond);
    rebuildIndex();
    markSaved();
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

void RomTable::markSaved() {
    savedRecords_.clear();
    savedRecords_.shrink_to_fit();
    savedOverflow_.clear();
    savedOverflow_.shrink_to_fit();
    savedAreCurrent_ = true;
}

void RomTable::keepSaved() {
    if (!savedAreCurrent_) return;
    savedRecords_ = records_;
    savedOverflow_ = overflow_;
    savedAreCurrent_ = false;
}

bool RomTable::edited() const {
    return !savedAreCurrent_ && (records_ != savedRecords_ || overflow_ != savedOverflow_);
}

void RomTable::setAll(std::vector<RomRecord> all) {
    records_.clear();
    overflow_.clear();
    for (RomRecord& r : all)
        (static_cast<int>(records_.size()) < kCapacity ? records_ : overflow_)
            .push_back(std::move(r));
    rebuildIndex();
}

RomTable::Merge RomTable::mergeWithDisk(DataStream& stream, const std::string& path) {
    if (DataStream::diskState(path) != DataStream::DiskState::Changed) return Merge::NotNeeded;
    const std::optional<std::string> bytes = fs::readFile(path);
    if (!bytes) return Merge::NotNeeded;
    // Read from memory: what was seen of the file changes only once the merge is taken.
    DataStream reading;
    reading.openBuffer(*bytes);
    HeaderStatus header = readHeader(reading, DataFileKind::Rom);
    std::vector<RomRecord> read;
    if (header == HeaderStatus::Ok)
        readRecordBody(
            reading, [](std::int32_t) {}, [&](RomRecord&& r) { read.push_back(std::move(r)); });
    if (header != HeaderStatus::Ok || reading.failed()) {
        stream.addFailedSave({path, EBADMSG, "ほかのプログラムが保存したファイルを読み込めません"});
        return Merge::Refused;
    }
    keepSaved();  // measured against what was read, as copies of their own
    std::vector<RomRecord> base = savedRecords_, mine, added;
    base.insert(base.end(), savedOverflow_.begin(), savedOverflow_.end());
    mine.assign(records_.begin(), records_.begin() + static_cast<std::ptrdiff_t>(std::min(
                                                         records_.size(), savedRecords_.size())));
    mine.insert(mine.end(), overflow_.begin(), overflow_.end());
    if (records_.size() > savedRecords_.size())
        added.assign(records_.begin() + static_cast<std::ptrdiff_t>(savedRecords_.size()),
                     records_.end());
    RecordMerge merge = mergeRecords(base, mine, added, read);
    if (!merge.clashes.empty()) {
        std::string names;
        for (const std::string& title : merge.clashes) names += "\n" + title;
        stream.addFailedSave(
            {path, ESTALE,
             "ほかのプログラムも同じ情報を変更しています。変更が重なった情報:" + names});
        return Merge::Refused;
    }
    setAll(std::move(merge.records));
    DataStream::noteRead(path, *bytes);
    return Merge::Merged;
}

bool RomTable::saveMerging(DataStream& stream, const std::string& path, bool& merged) {
    merged = false;
    switch (mergeWithDisk(stream, path)) {
        case Merge::Refused:
            return false;
        case Merge::Merged:
            merged = true;
            break;
        case Merge::NotNeeded:
            break;
    }
    if (!save(stream, path)) return false;
    markSaved();
    return true;
}

bool RomTable::takeChangesFromDisk(DataStream& stream, const std::string& path) {
    // Edits not saved yet are merged by their save, which keeps them aligned with what was read.
    if (edited()) return false;
    std::vector<DataStream::FailedSave> before = stream.takeFailedSaves();
    const Merge result = mergeWithDisk(stream, path);
    // A file that cannot be read is told when it is saved; nothing was written here.
    stream.takeFailedSaves();
    for (DataStream::FailedSave& f : before) stream.addFailedSave(std::move(f));
    if (result != Merge::Merged) return false;
    markSaved();
    return true;
}

int appendOrTell(RomTable& table, RomRecord record, Prompter& prompter) {
    const int index = table.append(std::move(record));
    if (index < 0) prompter.inform(std::string(kRomTableFullMessage), std::string(kWarningTitle));
    return index;
}

}  // namespace romshelf
