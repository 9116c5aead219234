#pragma once

#include <functional>
#include <array>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "core/text/TextCodec.h"
#include "core/database/CategoryLists.h"
#include "core/views/BuildHelper.h"
#include "core/views/FileListRow.h"
#include "core/views/FileListSorter.h"
#include "core/views/FileScanner.h"
#include "core/views/NameTagRows.h"

namespace romshelf {

// What a build of the file list reads: the current hardware's data and the list options.
struct FileListSources {
    std::string code;
    bool otherSoftware = false;  // the rows are the other-software list, not ROM folders
    std::string hardwareName;    // display name, for the titles
    const FolderSettings* folders = nullptr;
    const RomTable* records = nullptr;
    const CategoryLists* lists = nullptr;
    std::array<std::string, 6> categoryNames;
    std::string snapFolder;
    std::string noHavePath;
    bool listMissingFiles = false;
    bool neverSort = false;
    bool kanaSensitive = false;
    bool discSets = false;  // disc sets and playlists as one row each
    // The rows narrowed by their names' tags, and the region order that picks one per game and
    // orders the region and language columns (region numbers, most wanted first).
    TagFilter tags;
    std::vector<int> regionOrder = defaultRegionOrder();
    const GameParents* parents = nullptr;  // the hardware's DAT's clones, when it has one
};

// The rows of the file list and the state kept between builds: label, folder-window kind and
// item, search criteria, and the sort column with each column's direction.
class FileList {
public:
    FileList();

    // All files of every ROM folder (and the unowned files when that option is on).
    void showAll(const FileListSources& s);
    // Narrowed by the folder window: one ROM folder, a rating, a category item or the favourite
    // state; `item` is the item's number, `label` its text.
    void showFiltered(const FileListSources& s, FolderWindowKind kind, int item, std::string label);
    void showSearchResult(const FileListSources& s, SearchCriteria criteria);
    void showUnregistered(const FileListSources& s);
    void showWithoutSnap(const FileListSources& s);

    // A column click: flips that column's direction and sorts by it (nothing with never-sort).
    void clickColumn(int column, const FileListSources& s);
    // Sorts again by the remembered column (after the kana option changed, say).
    void sort(bool kanaSensitive);
    // The region and language columns (kColumnRegion, kColumnLanguage) sort as well.
    // For orders no column gives (the play history's): each row's key, in scan order, and the
    // order by them, the highest first; rows of equal keys keep their present order.
    std::vector<long long> keysOf(const std::function<long long(const FileListRow&)>& key) const;
    void sortByKeys(const std::vector<long long>& keys);

    // The rows in display order.
    FileListView rows() const { return FileListView(rows_.view(), &order_); }
    // Files found (0 when only the placeholder row is shown).
    int count() const { return count_; }
    const std::string& title() const { return title_; }
    std::string frameTitle() const { return "ファイルリスト - " + title_; }
    std::string mainTitle(bool withCounts) const;
    const std::string& label() const { return label_; }
    FolderWindowKind kind() const { return kind_; }
    int selectedItem() const { return selectedItem_; }
    const SearchCriteria& criteria() const { return criteria_; }
    int sortColumn() const { return sortColumn_; }
    SortDirection direction(int column) const {
        return directions_[static_cast<std::size_t>(column)];
    }
    // Forgets the rows (a hardware without data).
    void clear();
    // The file the collation keys are kept in between runs: read before the first sort that
    // needs them, written by saveSortKeys() when keys were added. Empty: not kept.
    void setSortKeyFile(std::string path) { sortKeyFile_ = std::move(path); }
    // False only when the keys had to be written and could not be.
    bool saveSortKeys();
    // The folder the names of listed ROM folders are kept in between runs (a file per hardware and
    // machine, see FolderListingFile), written by the build that read folders anew. Empty: not
    // kept.
    void setFolderListingFolder(std::string folder) { listingFolder_ = std::move(folder); }
    // The wall clock (seconds) that tells which folders are settled enough to be kept; tests
    // move it on instead of waiting. nullptr: the system's.
    void setWallClock(std::int64_t (*clock)()) { wallClock_ = clock; }
    // Where the names of `code`'s folders are kept ("" when not kept).
    std::string folderListingFile(const std::string& code) const;
    // The listings of the last build of all folders, whose names its rows point at (a row of
    // folder slot s into the names of the listing whose slot is s, unless it was edited since).
    // Whoever holds them may read them on any thread: no later build writes into them.
    using Listings = std::vector<FolderHits>;
    std::shared_ptr<const Listings> listings() const { return filled_; }
    // An edit changed row `row` (display position): it now shows the file `fileName` of title
    // `title` and record `recordIndex` of `records` (-1: none), as a build would show them. The
    // order stays until the next sort; the folder cell is kept.
    void updateRow(std::size_t row, const std::string& fileName, const std::string& title,
                   const RomTable& records, int recordIndex);

private:
    // Lists the other-software rows, or runs `scanFolders` over the ROM folders.
    template <class Scan>
    void build(const FileListSources& s, ListMode mode, bool otherSoftwareRows, Scan&& scanFolders);
    ScanContext context(const FileListSources& s);
    // Every ROM folder that is set, in slot order (on two threads when there are many).
    void scanAllFolders(const FileListSources& s, ListMode mode);
    // Reads the key file once, before the first sort by collation needs it.
    void readSortKeys(bool kanaSensitive);
    // Keeps the names of the folders filled_ holds in the listing file of `code`, when the build
    // read any anew that may be kept.
    void keepFolderListings(const std::string& code);

    FileRows rows_;
    // Per listed folder, kept for the next build. A build writes into them only while nobody
    // else holds them (see listings()).
    std::shared_ptr<Listings> hits_ = std::make_shared<Listings>();
    // The listings of the last build through scanAllFolders, of the folders filledFolders_: the
    // names its rows show, and what the next build can take when a folder reads the same.
    std::shared_ptr<Listings> filled_ = std::make_shared<Listings>();
    std::vector<int> filledFolders_;
    std::string filledCode_;  // the extensions the listings in filled_ were matched with
    std::array<std::string, kExtraExtensionCount> filledExtensions_;
    bool filledDiscSets_ = false;  // whether the listings in filled_ took discs together
    // The texts of the rows besides the listings' names: what each record shows, by record,
    // what edits changed, and the names read elsewhere.
    TextStore texts_;
    std::vector<RecordTexts> recordTexts_;
    std::deque<RecordTexts> edited_;
    std::vector<std::uint32_t> order_;  // display order; empty: scan order
    int count_ = 0;
    std::string title_;
    std::string label_;
    FolderWindowKind kind_ = FolderWindowKind::None;
    bool itemGone_ = false;
    int selectedItem_ = 0;
    std::string selectedItemText_;
    SearchCriteria criteria_;
    int sortColumn_ = 0;
    std::array<SortDirection, kFileListShownColumns> directions_{};
    std::vector<int> regionOrder_ = defaultRegionOrder();  // as the last build was given
    text::JapaneseCollator collator_;
    text::JapaneseCollator helperCollator_;  // used by the helper thread while keys are computed
    SortKeyCache keyCache_;
    std::string sortKeyFile_;
    bool sortKeysRead_ = false;
    // What the key file held, to know whether there is anything new to write.
    std::size_t sortKeysInFile_ = 0;
    std::uint64_t sortKeysGeneration_ = 0;
    SortMemo lastSort_;
    std::string listingFolder_;
    std::int64_t (*wallClock_)() = nullptr;
    BuildHelper helper_;  // last: its thread ends before the rest goes
};

inline constexpr std::string_view kAllFilesLabel = "全ファイル";
inline constexpr std::string_view kAllAndUnownedLabel = "全ファイル + 未所有ファイル";
inline constexpr std::string_view kNoFilesText = "ファイルがありません";

}  // namespace romshelf
