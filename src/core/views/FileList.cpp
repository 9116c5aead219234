#include "core/views/FileList.h"

#include "core/platform/FileSystem.h"
#include "core/platform/WriterLock.h"
#include "core/text/SearchFold.h"
#include "core/views/FolderListingFile.h"
#include "core/views/SortKeyFile.h"

namespace romshelf {

namespace {

std::string countSuffix(int n) { return " (ファイル数 : " + std::to_string(n) + ")"; }

// What the name tags narrowed the rows to, for the title: " /
// Japan・Ja・ステータスなし・1ゲーム1ROM".
std::string tagSuffix(const TagFilter& f) {
    if (!f.active()) return {};
    std::string parts;
    const auto add = [&parts](const std::string& part) {
        parts += (parts.empty() ? " / " : "・") + part;
    };
    if (f.regions) add(text::regionList(f.regions, "・"));
    if (f.languages) add(text::languageList(f.languages, "・"));
    if (f.noStatus) add("ステータスなし");
    if (f.onePerGame) add("1ゲーム1ROM");
    return parts;
}

void addPlaceholder(FileRows& rows) {
    static const RecordTexts kNoFiles = [] {
        RecordTexts t;
        t.columns[0] = kNoFilesText;
        return t;
    }();
    FileListRow& row = rows.add();
    row = FileListRow{};
    row.show({}, 0, &kNoFiles);
}

// The rating texts by rating: kept once, shown by every row.
std::string_view ratingView(int rating) {
    static const std::array<std::string, 6> kTexts = [] {
        std::array<std::string, 6> t;
        for (int r = 0; r < 6; ++r) t[static_cast<std::size_t>(r)] = ratingText(r);
        return t;
    }();
    return rating >= 0 && rating <= 5 ? kTexts[static_cast<std::size_t>(rating)] : kTexts[0];
}

RecordTexts recordTexts(const RomRecord& r, TextStore& store) {
    RecordTexts t;
    t.columns[0] = store.keep(r.gameName);
    t.columns[1] = store.keep(r.reading);
    t.columns[3] = ratingView(r.rating);
    for (int k = 0; k < kRecordClassCount; ++k)
        t.columns[static_cast<std::size_t>(4 + k)] =
            store.keep(r.classes[static_cast<std::size_t>(k)]);
    t.columns[9] = store.keep(r.hardwareClass);
    return t;
}

}  // namespace

FileList::FileList() { directions_.fill(SortDirection::Ascending); }

ScanContext FileList::context(const FileListSources& s) {
    ScanContext c;
    c.code = s.code;
    c.otherSoftware = s.otherSoftware;
    c.folders = s.folders;
    c.records = s.records;
    c.snapFolder = s.snapFolder;
    c.noHavePath = s.noHavePath;
    c.kind = kind_;
    c.itemGone = itemGone_;
    c.selectedItem = selectedItem_;
    c.selectedItemText = selectedItemText_;
    c.criteria = criteria_;
    c.discSets = s.discSets;
    c.recordTexts = recordTexts_;
    c.texts = &texts_;
    c.wallClock = wallClock_;
    return c;
}

template <class Scan>
void FileList::build(const FileListSources& s, ListMode mode, bool otherSoftwareRows,
                     Scan&& scanFolders) {
    rows_.reset();
    order_.clear();
    // What the records show, as they are now: rows keep these texts until they are made again.
    texts_.clear();
    edited_.clear();
    recordTexts_.clear();
    if (s.records) {
        recordTexts_.reserve(static_cast<std::size_t>(s.records->count()));
        for (int i = 0; i < s.records->count(); ++i)
            recordTexts_.push_back(recordTexts((*s.records)[i], texts_));
    }
    const ScanContext c = context(s);
    FileScanner scanner(c);
    if (s.otherSoftware) {
        if (otherSoftwareRows) scanner.appendOtherSoftware(rows_, mode);
    } else {
        scanFolders(scanner);
    }
    regionOrder_ = s.regionOrder;
    if (s.tags.active())
        rows_.truncate(filterByTags(rows_.view(), s.tags, s.regionOrder, s.parents));
    count_ = static_cast<int>(rows_.size());
    if (count_ == 0) addPlaceholder(rows_);
    if (!s.neverSort) sort(s.kanaSensitive);
}

void FileList::scanAllFolders(const FileListSources& s, ListMode mode) {
    std::vector<int> folders;
    for (int i = 0; i < kRomFolderCount; ++i)
        if (!s.folders->romFolderPaths[static_cast<std::size_t>(i)].empty()) folders.push_back(i);
    // The names the last listings kept, read folder by folder as they are listed.
    const std::string listingPath = folderListingFile(s.code);
    const FolderListingFile listings =
        listingPath.empty() ? FolderListingFile()
                            : FolderListingFile::open(listingPath, WriterLock::thisHost());
    ScanContext c = context(s);
    c.listings = &listings;
    // Two threads list the folders, taking the next one whenever they are done with one; the
    // rows of every folder then go where they belong in folder order, filled in the same way.
    // No row is ever moved. A few folders are not worth the second thread.
    constexpr std::size_t kWorthASecondThread = 8;
    auto forEach = [&](std::size_t count, const std::function<void(std::size_t, int)>& work) {
        if (folders.size() >= kWorthASecondThread) return helper_.forEach(count, work);
        for (std::size_t i = 0; i < count; ++i) work(i, 0);
    };
    // The buffers of the build before, unless someone still reads their names.
    if (hits_.use_count() > 1) hits_ = std::make_shared<Listings>();
    Listings& hits = *hits_;
    const Listings& filled = *filled_;
    if (hits.size() < folders.size()) hits.resize(folders.size());
    struct alignas(64) Scanner {
        FileScanner scanner;
        FolderHits local;
    };
    Scanner scanners[2] = {{FileScanner(c), {}}, {FileScanner(c), {}}};
    // The last build's listing of the folder at the same place, when it was matched with the
    // same extensions.
    // Not with disc sets: a playlist may have changed in a folder whose names did not.
    const bool sameExtensions = filledCode_ == s.code &&
                                filledExtensions_ == s.folders->extraExtensions && !s.discSets &&
                                !filledDiscSets_;
    auto previous = [&](std::size_t k) -> const FolderHits* {
        return sameExtensions && k < filledFolders_.size() && filledFolders_[k] == folders[k] &&
                       k < filled.size()
                   ? &filled[k]
                   : nullptr;
    };
    // The first build of a sorted list also reads the key file, on one thread while the other
    // lists folders: item 0 is the key file when it is still to be read.
    const std::size_t keys =
        s.neverSort || s.kanaSensitive || sortKeysRead_ || sortKeyFile_.empty() ? 0 : 1;
    forEach(keys + folders.size(), [&](std::size_t item, int thread) {
        if (item < keys) {
            readSortKeys(false);
            return;
        }
        const std::size_t k = item - keys;
        // Listed into an object of the thread's own and only then put in place: neighbouring
        // folders' objects share cache lines, and the threads would fight over them.
        Scanner& mine = scanners[thread];
        std::swap(mine.local, hits[k]);
        mine.scanner.listFolder(folders[k], mode, mine.local, previous(k));
        std::swap(mine.local, hits[k]);
    });
    const std::size_t first = rows_.size();
    std::vector<std::size_t> starts(folders.size() + 1);
    for (std::size_t k = 0; k < folders.size(); ++k)
        starts[k + 1] = starts[k] + hits[k].hits.size();
    const std::span<FileListRow> rows = rows_.extend(starts.back());
    forEach(folders.size(), [&](std::size_t k, int thread) {
        scanners[thread].scanner.fillRows(hits[k], folders[k],
                                          rows.subspan(starts[k], starts[k + 1] - starts[k]),
                                          static_cast<int>(first + starts[k]));
    });
    // The rows point at these listings' names: they stay until the next build through here, whose
    // listings go into the buffers of the build before.
    hits.resize(folders.size());
    std::swap(filled_, hits_);
    filledFolders_ = std::move(folders);
    filledCode_ = s.code;
    filledExtensions_ = s.folders->extraExtensions;
    filledDiscSets_ = s.discSets;
    keepFolderListings(s.code);
}

std::string FileList::folderListingFile(const std::string& code) const {
    if (listingFolder_.empty()) return {};
    // One file per machine: a program folder on a share may be used from several, each with
    // folders of its own at the same paths.
    return fs::joinPath(
        listingFolder_,
        "folders-" + code + "@" + WriterLock::hostInFileName(WriterLock::thisHost()) + ".bin");
}

void FileList::keepFolderListings(const std::string& code) {
    const std::string path = folderListingFile(code);
    if (path.empty()) return;
    bool anyNew = false;
    std::vector<FolderListing> kept;
    for (const FolderHits& h : *filled_) {
        if (!h.kept) continue;
        anyNew = anyNew || !h.inFile;
        kept.push_back({h.folder, h.stamp, h.readHash, h.readSize,
                        std::string_view(h.names).substr(0, h.namesListed), h.nameCount});
    }
    if (!anyNew || !saveFolderListingFile(path, WriterLock::thisHost(), kept)) return;
    for (FolderHits& h : *filled_)
        if (h.kept) h.inFile = true;
}

void FileList::showAll(const FileListSources& s) {
    kind_ = FolderWindowKind::None;
    itemGone_ = false;
    bool unowned = false;
    build(s, ListMode::Selection, true, [&](FileScanner& scanner) {
        scanAllFolders(s, ListMode::Selection);
        if (s.listMissingFiles) unowned = scanner.appendUnowned(rows_) > 0;
    });
    label_ = std::string(unowned ? kAllAndUnownedLabel : kAllFilesLabel);
    title_ = s.hardwareName + " : " + label_ + tagSuffix(s.tags) + countSuffix(count_);
}

void FileList::showFiltered(const FileListSources& s, FolderWindowKind kind, int item,
                            std::string label) {
    kind_ = kind;
    itemGone_ = false;
    selectedItem_ = item;
    label_ = std::move(label);
    selectedItemText_.clear();
    if (const int list = categoryListOf(kind); list >= 0) {
        const auto& items = s.lists->items[static_cast<std::size_t>(list)];
        if (item > static_cast<int>(items.size()) || item < 0)
            itemGone_ = true;
        else if (item > 0)
            selectedItemText_ = items[static_cast<std::size_t>(item - 1)];
    }
    // Other software has no ROM folders to narrow to.
    const bool otherSoftwareRows = kind != FolderWindowKind::RomFolder;
    build(s, ListMode::Selection, otherSoftwareRows, [&](FileScanner& scanner) {
        if (kind == FolderWindowKind::RomFolder) {
            if (item >= 0 && item < kRomFolderCount)
                scanner.scanFolder(rows_, item, ListMode::Selection);
            return;
        }
        scanAllFolders(s, ListMode::Selection);
    });
    std::string what;
    if (kind == FolderWindowKind::RomFolder)
        what = "フォルダ";
    else if (kind == FolderWindowKind::Rating)
        what = "評価";
    else if (const int list = categoryListOf(kind); list >= 0)
        what = s.categoryNames[static_cast<std::size_t>(list)];
    else
        what = "お気に入り";
    title_ =
        s.hardwareName + " : " + label_ + " / " + what + tagSuffix(s.tags) + countSuffix(count_);
}

void FileList::showSearchResult(const FileListSources& s, SearchCriteria criteria) {
    criteria_ = std::move(criteria);
    criteria_.text = text::searchFold(criteria_.typed);
    build(s, ListMode::Search, true, [&](FileScanner&) { scanAllFolders(s, ListMode::Search); });
    title_ = s.hardwareName + " : " + criteria_.typed + " / 検索結果" + tagSuffix(s.tags) +
             countSuffix(count_);
}

void FileList::showUnregistered(const FileListSources& s) {
    kind_ = FolderWindowKind::None;
    itemGone_ = false;
    build(s, ListMode::Unregistered, true,
          [&](FileScanner&) { scanAllFolders(s, ListMode::Unregistered); });
    title_ = s.hardwareName + " : 未登録ファイル" + tagSuffix(s.tags) + countSuffix(count_);
}

void FileList::showWithoutSnap(const FileListSources& s) {
    kind_ = FolderWindowKind::None;
    itemGone_ = false;
    build(s, ListMode::NoSnap, true, [&](FileScanner&) { scanAllFolders(s, ListMode::NoSnap); });
    title_ = s.hardwareName + " : 非スナップファイル" + tagSuffix(s.tags) + countSuffix(count_);
}

void FileList::clickColumn(int column, const FileListSources& s) {
    if (s.neverSort || column < 0 || column >= kFileListShownColumns) return;
    SortDirection& d = directions_[static_cast<std::size_t>(column)];
    d = d == SortDirection::Ascending ? SortDirection::Descending : SortDirection::Ascending;
    sortColumn_ = column;
    regionOrder_ = s.regionOrder;
    sort(s.kanaSensitive);
}

void FileList::readSortKeys(bool kanaSensitive) {
    if (kanaSensitive || sortKeysRead_ || sortKeyFile_.empty()) return;
    sortKeysRead_ = true;
    sortKeysInFile_ = loadSortKeyFile(sortKeyFile_, collator_.versionStamp(), keyCache_);
    sortKeysGeneration_ = keyCache_.generation(false);
}

void FileList::sort(bool kanaSensitive) {
    if (count_ == 0) return;  // the placeholder stays alone
    if (sortColumn_ == kColumnRegion || sortColumn_ == kColumnLanguage) {
        order_ = sortByTagColumn(rows_.view(), sortColumn_, direction(sortColumn_), regionOrder_);
        return;
    }
    readSortKeys(kanaSensitive);
    order_ = sortFileList(rows_.view(), sortColumn_, direction(sortColumn_), kanaSensitive,
                          collator_, keyCache_, &helper_, &helperCollator_, &lastSort_);
}

std::vector<long long> FileList::keysOf(
    const std::function<long long(const FileListRow&)>& key) const {
    const std::span<const FileListRow> rows = rows_.view();
    std::vector<long long> keys(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) keys[i] = key(rows[i]);
    return keys;
}

void FileList::sortByKeys(const std::vector<long long>& keys) {
    if (count_ == 0 || keys.size() != rows_.view().size()) return;  // the placeholder stays alone
    std::vector<std::uint32_t> order = order_;
    if (order.size() != keys.size()) {
        order.resize(keys.size());
        for (std::size_t i = 0; i < keys.size(); ++i) order[i] = static_cast<std::uint32_t>(i);
    }
    std::stable_sort(order.begin(), order.end(),
                     [&keys](std::uint32_t a, std::uint32_t b) { return keys[a] > keys[b]; });
    order_ = std::move(order);
}

bool FileList::saveSortKeys() {
    if (!sortKeysRead_) return true;  // never sorted by collation: nothing new
    if (keyCache_.generation(false) == sortKeysGeneration_ &&
        keyCache_.entries(false) == sortKeysInFile_)
        return true;
    if (!saveSortKeyFile(sortKeyFile_, keyCache_, collator_.versionStamp())) return false;
    sortKeysInFile_ = keyCache_.entries(false);
    sortKeysGeneration_ = keyCache_.generation(false);
    return true;
}

std::string FileList::mainTitle(bool withCounts) const {
    if (!withCounts || title_.empty()) return "Romshelf Plus !!";
    return "Romshelf Plus !! - " + title_;
}

void FileList::updateRow(std::size_t row, const std::string& fileName, const std::string& title,
                         const RomTable& records, int recordIndex) {
    if (row >= rows_.size() || count_ == 0) return;
    FileListRow& r = rows_.view()[order_.size() == rows_.size() ? order_[row] : row];
    const RecordTexts* shown = nullptr;
    if (recordIndex >= 0 && recordIndex < records.count()) {
        shown = &edited_.emplace_back(recordTexts(records[recordIndex], texts_));
    } else {
        recordIndex = -1;
        if (!std::string_view(fileName).starts_with(title)) {
            // A title that is not the start of the name is shown as a record would show it.
            RecordTexts& t = edited_.emplace_back();
            t.columns[0] = t.columns[1] = texts_.keep(title);
            shown = &t;
        }
    }
    r.show(texts_.keep(fileName), shown ? 0 : title.size(), shown);
    r.recordIndex = recordIndex;
}

void FileList::clear() {
    rows_.reset();
    order_.clear();
    addPlaceholder(rows_);
    count_ = 0;
    title_.clear();
}

}  // namespace romshelf
