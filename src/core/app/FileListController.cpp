#include "core/app/FileListController.h"

#include <sys/stat.h>

#include <algorithm>

#include "core/rename/DatFile.h"
#include "core/settings/HardwareTable.h"
#include "core/text/NameTags.h"

namespace romshelf {

namespace {

// 0 when there is no such file.
std::int64_t modificationTime(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return 0;
    return static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

}  // namespace

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
    s.tags = tagFilter_;
    s.tags.onePerGame = plus_.onePerGame;
    s.regionOrder.clear();
    for (const std::string& name : plus_.regionOrder)
        if (const auto region = text::regionNumber(name)) s.regionOrder.push_back(*region);
    if (s.tags.onePerGame) s.parents = parents();
    return s;
}

const GameParents* FileListController::parents() const {
    const std::string code = session_.code();
    std::string dat;
    for (const auto& [datCode, path] : plus_.renameDats)
        if (datCode == code) dat = path;
    if (dat.empty()) return nullptr;
    const std::int64_t stamp = modificationTime(dat);
    if (!parentsRead_ || dat != parentsDat_ || stamp != parentsStamp_) {
        parentsRead_ = true;
        parentsDat_ = dat;
        parentsStamp_ = stamp;
        parents_.clear();
        // A DAT that does not read groups nothing: the titles do.
        std::string error;
        if (const auto file = readDatFile(dat, error))
            for (const DatGame& game : file->games)
                if (!game.cloneof.empty()) parents_.emplace(game.name, game.cloneof);
    }
    return parents_.empty() ? nullptr : &parents_;
}

void FileListController::setTagFilter(const TagFilter& filter, bool buildAgain) {
    tagFilter_ = filter;
    tagFilter_.onePerGame = false;
    if (buildAgain) showAgain();
}

void FileListController::showAgain() {
    // A copy: the call puts a new one in place of the one running.
    const std::function<void()> again = again_;
    if (again)
        again();
    else
        showStartList();
}

void FileListController::showAll() {
    again_ = [this] { showAll(); };
    const FileListSources s = sources();
    notices_.fileListRebuilding([&] { list_.showAll(s); });
    built(true);
}

void FileListController::showFiltered(FolderWindowKind kind, int item, std::string label) {
    again_ = [this, kind, item, label] { showFiltered(kind, item, label); };
    const FileListSources s = sources();
    notices_.fileListRebuilding([&] { list_.showFiltered(s, kind, item, std::move(label)); });
    built(false);
}

void FileListController::showSearchResult(SearchCriteria criteria) {
    again_ = [this, criteria] { showSearchResult(criteria); };
    const FileListSources s = sources();
    notices_.fileListRebuilding([&] { list_.showSearchResult(s, std::move(criteria)); });
    built(false);
}

void FileListController::showUnregistered() {
    again_ = [this] { showUnregistered(); };
    const FileListSources s = sources();
    notices_.fileListRebuilding([&] { list_.showUnregistered(s); });
    built(false);
}

void FileListController::showWithoutSnap() {
    again_ = [this] { showWithoutSnap(); };
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
