#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/app/ApplicationListener.h"
#include "core/app/HardwareSession.h"
#include "core/settings/PlusSettings.h"
#include "core/views/FileList.h"

namespace romshelf {

// The file list of the current hardware: builds it in each mode from the session's data and the
// list options, and tells the window when the rows change.
class FileListController {
public:
    FileListController(const HardwareSession& session, const MainSettings& settings,
                       const PlusSettings& plus, const ProgramFolder& folder,
                       ApplicationListener& notices)
        : session_(session), settings_(settings), plus_(plus), folder_(folder), notices_(notices) {
        list_.setSortKeyFile(folder.cacheFolder() + "sortkeys.bin");
        list_.setFolderListingFolder(folder.cacheFolder());
    }

    // Told after each build: whether it listed every file.
    void whenBuilt(std::function<void(bool everyFile)> built) { built_ = std::move(built); }

    const FileList& list() const { return list_; }
    FileListSources sources() const;

    void showAll();
    void showFiltered(FolderWindowKind kind, int item, std::string label);
    void showSearchResult(SearchCriteria criteria);
    void showUnregistered();
    void showWithoutSnap();
    void showFavourites();
    // ROM folder 1 when the option says so, else all files: the list after start-up and switches.
    void showStartList();
    void sortByColumn(int column);
    // The rows narrowed by their names' tags (one per game aside, which the settings keep): the
    // same list is built again with them.
    const TagFilter& tagFilter() const { return tagFilter_; }
    void setTagFilter(const TagFilter& filter, bool buildAgain = true);
    // The list of the last show* again (after the settings of one per game changed, say).
    void showAgain();
    // See FileList::sortByKey.
    void sortByKey(const std::function<long long(const FileListRow&)>& key) {
        // The keys are read here: `key` may look at what the event loop changes meanwhile.
        const std::vector<long long> keys = list_.keysOf(key);
        notices_.fileListRebuilding([&] { list_.sortByKeys(keys); });
        notices_.fileListChanged();
    }
    // An edit changed row `row` in place (see FileList::updateRow).
    void updateRow(int row, const std::string& fileName, const std::string& title, int recordIndex);
    // Records changed under the rows (a category renamed in them): each row whose categories
    // differ from its record's shows them now, in place.
    void refreshRecordRows();
    // The records were replaced by a merge with what another program saved: every row takes
    // its record again by its title.
    void relinkRecords();
    // Keeps the collation keys computed this run for the next start.
    bool saveSortKeys() { return list_.saveSortKeys(); }

    // The snap slot whose folder "files without snap" looks at.
    int snapSlot() const { return snapSlot_; }
    void setSnapSlot(int slot) { snapSlot_ = slot; }

private:
    void built(bool everyFile) {
        notices_.fileListChanged();
        if (built_) built_(everyFile);
    }

    const HardwareSession& session_;
    const MainSettings& settings_;
    const PlusSettings& plus_;
    const ProgramFolder& folder_;
    ApplicationListener& notices_;
    // The clones of the hardware's DAT (PlusSettings::renameDats), read when one per game needs
    // them and again when the file changes; nullptr without a DAT that reads.
    const GameParents* parents() const;

    FileList list_;
    TagFilter tagFilter_;
    std::function<void()> again_;
    mutable GameParents parents_;
    mutable std::string parentsDat_;
    mutable std::int64_t parentsStamp_ = -1;
    mutable bool parentsRead_ = false;
    int snapSlot_ = 0;
    std::function<void(bool)> built_;
};

}  // namespace romshelf
