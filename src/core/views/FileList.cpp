#include "views/FileList.h"

#include "views/FileListSorter.h"

namespace romshelf {

namespace {

std::string countSuffix(int n) { return " (ファイル数 : " + std::to_string(n) + ")"; }

FileListRow placeholderRow() {
    FileListRow row;
    row.cells[0] = std::string(kNoFilesText);
    row.cells[kColumnFolderNumber] = "-1";
    row.cells[kColumnRecordIndex] = "-1";
    return row;
}

}  // namespace

FileList::FileList() { directions_.fill(1); }

ScanContext FileList::context(const FileListSources& s) const {
    ScanContext c;
    c.code = s.code;
    c.folders = s.folders;
    c.records = s.records;
    c.snapFolder = s.snapFolder;
    c.noHavePath = s.noHavePath;
    c.kind = kind_;
    c.selectedItem = selectedItem_;
    c.selectedItemText = selectedItemText_;
    c.criteria = criteria_;
    return c;
}

template <class Scan>
void FileList::build(const FileListSources& s, Scan&& scan) {
    rows_.clear();
    const ScanContext c = context(s);
    FileScanner scanner(c);
    scan(scanner);
    count_ = static_cast<int>(rows_.size());
    if (count_ == 0) rows_.push_back(placeholderRow());
    if (!s.neverSort) sort(s.kanaSensitive);
}

void FileList::showAll(const FileListSources& s) {
    kind_ = kKindNone;
    bool unowned = false;
    build(s, [&](FileScanner& scanner) {
        if (s.code == "HARD") {
            scanner.appendOtherSoftware(rows_, ListMode::Selection);
            return;
        }
        for (int i = 0; i < kRomFolderCount; ++i) scanner.scanFolder(rows_, i, ListMode::Selection);
        if (s.listMissingFiles) unowned = scanner.appendUnowned(rows_) > 0;
    });
    label_ = std::string(unowned ? kAllAndUnownedLabel : kAllFilesLabel);
    title_ = s.hardwareName + " : " + label_ + countSuffix(count_);
}

void FileList::showFiltered(const FileListSources& s, int kind, int item, std::string label) {
    kind_ = kind;
    selectedItem_ = item;
    label_ = std::move(label);
    selectedItemText_.clear();
    if (kind >= kKindCategory1 && kind <= kKindHardwareClass) {
        const auto& items = s.lists->items[static_cast<std::size_t>(kind - kKindCategory1)];
        if (item > static_cast<int>(items.size()) || item < 0)
            kind_ = 99;  // an item that no longer exists matches nothing
        else if (item > 0)
            selectedItemText_ = items[static_cast<std::size_t>(item - 1)];
    }
    build(s, [&](FileScanner& scanner) {
        if (s.code == "HARD") {
            if (kind != kKindRomFolder) scanner.appendOtherSoftware(rows_, ListMode::Selection);
            return;
        }
        if (kind == kKindRomFolder) {
            if (item >= 0 && item < kRomFolderCount) scanner.scanFolder(rows_, item, ListMode::Selection);
            return;
        }
        for (int i = 0; i < kRomFolderCount; ++i) scanner.scanFolder(rows_, i, ListMode::Selection);
    });
    std::string what;
    if (kind == kKindRomFolder)
        what = "フォルダ";
    else if (kind == kKindRating)
        what = "評価";
    else if (kind >= kKindCategory1 && kind <= kKindHardwareClass)
        what = s.categoryNames[static_cast<std::size_t>(kind - kKindCategory1)];
    else
        what = "お気に入り";
    title_ = s.hardwareName + " : " + label_ + " / " + what + countSuffix(count_);
}

void FileList::showSearchResult(const FileListSources& s, SearchCriteria criteria) {
    criteria_ = std::move(criteria);
    criteria_.text = text::toUpper(criteria_.typed);
    build(s, [&](FileScanner& scanner) {
        if (s.code == "HARD") {
            scanner.appendOtherSoftware(rows_, ListMode::Search);
            return;
        }
        for (int i = 0; i < kRomFolderCount; ++i) scanner.scanFolder(rows_, i, ListMode::Search);
    });
    title_ = s.hardwareName + " : " + criteria_.typed + " / 検索結果" + countSuffix(count_);
}

void FileList::showUnregistered(const FileListSources& s) {
    kind_ = kKindNone;
    build(s, [&](FileScanner& scanner) {
        if (s.code == "HARD") {
            scanner.appendOtherSoftware(rows_, ListMode::Unregistered);
            return;
        }
        for (int i = 0; i < kRomFolderCount; ++i) scanner.scanFolder(rows_, i, ListMode::Unregistered);
    });
    title_ = s.hardwareName + " : 未登録ファイル" + countSuffix(count_);
}

void FileList::showWithoutSnap(const FileListSources& s) {
    kind_ = kKindNone;
    build(s, [&](FileScanner& scanner) {
        if (s.code == "HARD") {
            scanner.appendOtherSoftware(rows_, ListMode::NoSnap);
            return;
        }
        for (int i = 0; i < kRomFolderCount; ++i) scanner.scanFolder(rows_, i, ListMode::NoSnap);
    });
    title_ = s.hardwareName + " : 非スナップファイル" + countSuffix(count_);
}

void FileList::clickColumn(int column, const FileListSources& s) {
    if (s.neverSort || column < 0 || column >= kFileListColumns) return;
    int& d = directions_[static_cast<std::size_t>(column)];
    d = d == 1 ? 2 : 1;
    sortColumn_ = column;
    sort(s.kanaSensitive);
}

void FileList::sort(bool kanaSensitive) {
    if (count_ == 0) return;  // the placeholder stays alone
    sortFileList(rows_, sortColumn_, direction(sortColumn_), kanaSensitive, collator_);
}

std::string FileList::mainTitle(bool withCounts) const {
    if (!withCounts || title_.empty()) return "Romshelf Plus !!";
    return "Romshelf Plus !! - " + title_;
}

void FileList::clear() {
    rows_.clear();
    rows_.push_back(placeholderRow());
    count_ = 0;
    title_.clear();
}

}  // namespace romshelf
