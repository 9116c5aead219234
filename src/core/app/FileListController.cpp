#include "core/app/FileListController.h"

#include <algorithm>

#include "core/settings/HardwareTable.h"

namespace romshelf {

FileListSources FileListController::sources() const {
    FileListSources s;
    s.code = session_.code();
    s.otherSoftware = traitsOf(s.code).otherSoftware;
    s.hardwareName = displayNameOf(s.code, settings_.customNames);
    const FolderSettings& folders = session_.folders().folders;
    s.folders = &folders;
    s.records = &session_.romTable();
    s.lists = &session_.categoryLists();
    s.categoryNames = session_.categoryNames();
    if (snapSlot_ >= 0 && snapSlot_ < kSnapFolderCount)
        s.snapFolder = folders.snapFolderPaths[static_cast<std::size_t>(snapSlot_)];
    s.noHavePath = folder_.perHardwareFile("NoHave_", s.code, ".txt");
    s.listMissingFiles = settings_.option(Option::ListMissingFiles);
    s.neverSort = settings_.option(Option::NeverSort);
    s.kanaSensitive = settings_.option(Option::SortDistinguishesKana);
    s.discSets = plus_.discSets;
    return s;
}

void FileListController::showAll() {
    const FileListSources s = sources();
    notices_.fileListRebuilding([&] { list_.showAll(s); });
    built(true);
}

void FileListController::showFiltered(FolderWindowKind kind, int item, std::string label) {
    const FileListSources s = sources();
    notices_.fileListRebuilding([&] { list_.showFiltered(s, kind, item, std::move(label)); });
    built(false);
}

void FileListController::showSearchResult(SearchCriteria criteria) {
    const FileListSources s = sources();
    notices_.fileListRebuilding([&] { list_.showSearchResult(s, std::move(criteria)); });
    built(false);
}

void FileListController::showUnregistered() {
    const FileListSources s = sources();
    notices_.fileListRebuilding([&] { list_.showUnregistered(s); });
    built(false);
}

void FileListController::showWithoutSnap() {
    const FileListSources s = sources();
    notices_.fileListRebuilding([&] { list_.showWithoutSnap(s); });
    built(false);
}

void FileListController::showFavourites() {
    showFiltered(FolderWindowKind::Favourites, 1, std::string(kRegisteredItem));
}

void FileListController::showStartList() {
    if (settings_.option(Option::ShowFirstRomFolder))
        showFiltered(FolderWindowKind::RomFolder, 0, session_.folders().folders.romFolderNames[0]);
    else
        showAll();
}

void FileListController::updateRow(int row, const std::string& fileName, const std::string& title,
                                   int recordIndex) {
    if (row < 0) return;
    list_.updateRow(static_cast<std::size_t>(row), fileName, title, session_.romTable(),
                    recordIndex);
    notices_.fileListRowChanged(row);
}

void FileListController::refreshRecordRows() {
    const RomTable& records = session_.romTable();
    const FileListView rows = list_.rows();
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const FileListRow& row = rows[r];
        if (row.recordIndex < 0 || row.recordIndex >= records.count()) continue;
        const RomRecord& record = records[row.recordIndex];
        bool same = row.text(9) == record.hardwareClass;
        for (std::size_t k = 0; k < record.classes.size(); ++k)
            same = same && row.text(4 + k) == record.classes[k];
        if (same) continue;
        const std::string name(row.fileName());
        updateRow(static_cast<int>(r), name, name.substr(0, row.titleSize), row.recordIndex);
    }
}

void FileListController::relinkRecords() {
    const RomTable& records = session_.romTable();
    const FileListView rows = list_.rows();
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const FileListRow& row = rows[r];
        const std::string name(row.fileName());
        const std::string title = name.substr(0, row.titleSize);
        const int index = records.findRecordByTitle(title);
        if (index < 0 && row.recordIndex < 0) continue;
        updateRow(static_cast<int>(r), name, title, index);
    }
}

void FileListController::sortByColumn(int column) {
    const FileListSources s = sources();
    notices_.fileListRebuilding([&] { list_.clickColumn(column, s); });
    notices_.fileListChanged();
}

}  // namespace romshelf
