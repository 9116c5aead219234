#pragma once

#include <array>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/app/ApplicationListener.h"
#include "core/app/BusyGuard.h"
#include "core/app/CategoryCommands.h"
#include "core/app/StoredPaths.h"
#include "core/rename/DatNames.h"
#include "core/app/FileListController.h"
#include "core/app/HardwareSession.h"
#include "core/app/Host.h"
#include "core/app/InternalInfo.h"
#include "core/app/LaunchService.h"
#include "core/app/RecordFollowing.h"
#include "core/app/SettingsCommands.h"
#include "core/app/TempFolders.h"
#include "core/app/WindowLayoutCommands.h"
#include "core/platform/WriterLock.h"
#include "core/rename/JournalReplay.h"
#include "core/rename/RenameCompanions.h"
#include "core/settings/MainSettings.h"
#include "core/launch/UnpackCache.h"
#include "core/settings/PlusSettings.h"
#include "core/settings/ProgramFolder.h"
#include "core/storage/DataStream.h"
#include "core/storage/PlayHistory.h"

namespace romshelf {

// The application object: owns every setting and all catalogue data, and assembles the services
// that carry out the commands (the current hardware's session, the file list, launching, the
// settings commands). It never shows anything itself; it reaches the user through the host's
// ports and tells the windows what changed through its listener.
//
// Windows read through the const accessors and change data only through the commands here.
class Application {
public:
    Application(ProgramFolder folder, const Host& host);
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    void setListener(ApplicationListener* listener) { notices_.setTarget(listener); }
    const Host& host() const { return host_; }
    // When this run started, in seconds since the epoch (older leftovers are a crash's).
    long long startedAt() const { return startedAt_; }
    Prompter& prompter() const { return host_.prompter; }
    const ProgramFolder& programFolder() const { return folder_; }
    const MainSettings& settings() const { return settings_; }
    // The settings the shared data files have no room for (read and saved with the main ones).
    const PlusSettings& plusSettings() const { return plus_; }
    // Takes effect at once: a changed drive map or Wine leads the stored paths anew at the next
    // reload.
    void changePlusSettings(const PlusSettings& settings);
    // The drive map anew: the user's mappings over those found on this machine now.
    void refreshDrives();
    // The current hardware's Windows paths that lead nowhere, told in the system log once each.
    void tellUnmappedPaths();
    // Every path the settings keep, with where it leads (the drive map page, check-folder).
    std::vector<StoredPath> storedPaths() {
        return collectStoredPaths(folder_, settings_, stream_);
    }
    // Disc sets as one row each, or every disc as a row: the list is built again on a change.
    void setDiscSets(bool on);
    // The images kept from unpacked archives, under the cap of the settings.
    UnpackCache unpackCache() const {
        return UnpackCache(folder_.cacheFolder() + "unpacked/", plus_.unpackCacheLimit);
    }
    // Where the game list's and the CSV import's pickers open: the folder last chosen there, at
    // first the program folder.
    std::string browseFolder() const {
        return browseFolder_.empty() ? folder_.pathWithoutSlash() : browseFolder_;
    }
    void setBrowseFolder(std::string folder) { browseFolder_ = std::move(folder); }

    // --- one writer per program folder ------------------------------------------------------
    // Takes the program folder's writer lock for `role` ("romshelf" for the window, the command
    // for romshelf-cli), waiting up to `waitMs` while another holds it; `waiting` is told who,
    // once. Acquired too when there is no data folder yet (nothing to protect). Released when
    // the application goes.
    WriterLock::Result lockProgramFolder(
        std::string_view role, int waitMs,
        const std::function<void(const WriterLock::Holder&)>& waiting = {}, bool takeOver = false);
    const WriterLock& writerLock() const { return lock_; }
    // Lets the lock go while nothing is changed for a long time (a game waited for); taken again
    // with lockProgramFolder.
    void unlockProgramFolder() { lock_.release(); }
    // Runs `change` as a writer: under the lock this program holds, or under the lock taken for
    // it when nobody holds it (a command that only reads). False, and nothing done, when another
    // program holds it.
    bool asWriter(const std::function<void()>& change);
    // Finishes a change of files that a killed run left in the move journal (start-up does it
    // while it may write: with the lock, or when nobody holds it). After start-up the current
    // hardware's data are read again.
    ReplayReport finishInterruptedChanges();

    // --- start-up and shut-down -------------------------------------------------------------
    // Creates data, temp, frame and plugin in the program folder.
    bool createFolders() { return folder_.createSubfolders(); }
    std::string mainDataPath() const { return folder_.dataFile("MainData.slb"); }
    LoadResult loadMainSettings();
    bool saveMainSettings();
    // Makes `code` the current hardware before start-up (the command-line companion's choice).
    void preferHardware(const std::string& code) { settings_.currentHardware = code; }
    // The steps after the windows exist: the current hardware's data, both combos, the recent
    // files, the category lists and, for the window's start, the launch count and the start
    // list. The command-line companion (Skip) builds its own list and is no start of the program.
    enum class StartList { Show, Skip };
    void startUp(StartList list = StartList::Show);
    // Saves everything that is kept on disk, then empties the run's TEMP folders and, when the
    // option is on, backs up the data folder. The frontend stores the window placements first.
    // False (and the user is told once which files and why) when something could not be saved.
    // `attended` false (a signal ended the program): nobody may be waiting for a box, so what
    // failed is also kept for the next start's system log.
    bool shutDown(bool attended = true);
    // Saves the records when they were edited since they were read or saved: the window calls
    // it a moment after each edit, so that a window killed later keeps them. A failure is told
    // once for as long as it stays the same.
    bool saveRecordEdits();
    // The window offers to rebuild a damaged records file from what can be read of it.
    void setOffersSalvage(bool on) { session_.setOffersSalvage(on); }
    // Takes in the records another program saved since they were read (the window calls it
    // when it comes to the front); true when the shown records changed.
    bool takeRecordChangesFromDisk();

    // "データのバックアップ": asks, copies the data folder into backup/ and says so (naming any
    // file that could not be copied). False when the user said no.
    bool backUpData();

    // --- work in progress ---------------------------------------------------------------------
    // True while a launch or a loop runs; close requests and commands wait for its end.
    bool busy() const { return busy_.busy(); }
    // Marks work of the caller's own (the window's start-up) as work in progress.
    [[nodiscard]] BusyGuard::Scope busyScope() { return BusyGuard::Scope(busy_); }
    void whenIdle(std::function<void()> work) { busy_.whenIdle(std::move(work)); }

    // --- settings the windows change ------------------------------------------------------------
    // The environment and layout commands' way to change the main settings.
    template <class Change>
    void changeSettings(Change&& change) {
        change(settings_);
    }
    void setWindowSlot(int slot, const WindowSlot& placement);
    void setColumnWidths(const std::array<std::int32_t, kColumnWidthCount>& widths) {
        settings_.columnWidths = widths;
    }

    // --- current hardware -----------------------------------------------------------------------
    const std::string& currentCode() const { return session_.code(); }
    int currentIndex() const { return session_.index(); }
    std::string displayName(std::string_view code) { return session_.displayName(code); }
    bool folderSettingsExist(std::string_view code) const {
        return session_.folderSettingsExist(code);
    }
    const LoadedFolders& folders() const { return session_.folders(); }
    const RomTable& romTable() const { return session_.romTable(); }
    // Record edits: a new record (the user is told when the table is full; -1 then), and a
    // change of any field of record `index`.
    int addRecord(RomRecord record) {
        return appendOrTell(session_.records(), std::move(record), host_.prompter);
    }
    template <class Change>
    void editRecord(int index, Change&& change) {
        if (index >= 0 && index < session_.romTable().count())
            session_.records().edit(index, std::forward<Change>(change));
    }
    // A file's new name reaches its snaps, TEMP and save files, its record's key and the current
    // hardware's recent launches; what could not be renamed is reported.
    // `newFolderNumber` (>= 0): the file now lies in that ROM folder, and its recent launches
    // point there.
    CompanionReport renameCompanions(const std::string& oldName, const std::string& newName,
                                     int recordIndex, int newFolderNumber = -1);
    // Writes the current hardware's records now; false when they could not be written.
    bool saveRecords() { return session_.saveRecords(); }
    // The file list's collation keys, kept for the next start (also done by shutDown).
    bool saveSortKeys() { return fileList_.saveSortKeys(); }
    void deleteRecords(const std::vector<int>& indices) {
        session_.records().deleteRecords(indices);
    }
    // Every record of the current hardware replaced by these (the CSV import).
    void replaceRecords(const std::vector<RomRecord>& records) {
        RomTable& table = session_.records();
        table.reset();
        for (const RomRecord& r : records) table.append(r);
    }
    const CategoryLists& categoryLists() const { return session_.categoryLists(); }
    // The category organiser's renames across hardware, missing values and "項目の確定".
    CategoryCommands& categoryCommands() { return categoryCommands_; }
    std::array<std::string, kCategoryListCount> categoryNames() const {
        return session_.categoryNames();
    }
    const EmulatorEntries& emulators() const { return session_.emulators(); }
    const ComboContents& hardwareCombo() const { return session_.hardwareCombo(); }
    const ComboContents& emulatorCombo() const { return session_.emulatorCombo(); }
    void chooseHardware(int index) { session_.chooseHardware(index); }
    void chooseEmulator(int index) { session_.chooseEmulator(index); }
    const std::array<std::string, kSessionTempFolderCount>& sessionTempFolders() const {
        return session_.sessionTempFolders();
    }

    // --- settings menu --------------------------------------------------------------------------
    SettingsCommands& settingsCommands() { return settingsCommands_; }
    WindowLayoutCommands& windowLayout() { return windowLayout_; }
    TempFolders& tempFolders() { return tempFolders_; }

    // --- file list ------------------------------------------------------------------------------
    const FileList& fileList() const { return fileList_.list(); }
    FileListSources fileListSources() const { return fileList_.sources(); }
    void showAll() { fileList_.showAll(); }
    void showFiltered(FolderWindowKind kind, int item, std::string label) {
        fileList_.showFiltered(kind, item, std::move(label));
    }
    void showSearchResult(SearchCriteria criteria) {
        fileList_.showSearchResult(std::move(criteria));
    }
    void showStartList() { fileList_.showStartList(); }
    // Before the folder window or the search dialog choose another list: the detail windows
    // forget the file they showed.
    void clearDetailPanes() { notices_.detailPanesCleared(); }
    void showUnregistered() { fileList_.showUnregistered(); }
    void showWithoutSnap() { fileList_.showWithoutSnap(); }
    void showFavourites() { fileList_.showFavourites(); }
    void sortFileListByColumn(int column) { fileList_.sortByColumn(column); }
    // The list narrowed by its names' tags (region, language, no status), built again at once
    // unless `buildAgain` is false (the next show* takes it).
    const TagFilter& tagFilter() const { return fileList_.tagFilter(); }
    void setTagFilter(const TagFilter& filter, bool buildAgain = true) {
        fileList_.setTagFilter(filter, buildAgain);
    }
    // One file per game (kept in the settings): the list is built again on a change, as above.
    void setOnePerGame(bool on, bool buildAgain = true);
    // The list by the play history: the most (or latest) first, unplayed files after in their
    // present order.
    enum class PlaySort { PlayTime, LastPlayed, PlayCount };
    void sortFileListByPlays(PlaySort by);
    // An edit changed row `row`: it shows file `fileName` (title `title`) and record
    // `recordIndex` (-1: none) now, in place; the windows are told.
    void updateFileListRow(int row, const std::string& fileName, const std::string& title,
                           int recordIndex) {
        fileList_.updateRow(row, fileName, title, recordIndex);
    }
    // Records follow files renamed outside the program (see RecordFollowing). The window sums
    // the listed files on a thread; hashPending() sums what is still to sum here and now.
    RecordFollowing& recordFollowing() { return following_; }
    void hashInBackground() { following_.runInBackground(); }
    // See ApplicationListener::besideEventLoop.
    void besideEventLoop(const std::function<void()>& work) { notices_.besideEventLoop(work); }
    void hashPending() { following_.hashPending(); }
    // Larger files are not summed (default kIdentityHashLimit).
    void setIdentityHashLimit(std::uint64_t bytes) { following_.setHashLimit(bytes); }
    int snapSlot() const { return fileList_.snapSlot(); }
    void setSnapSlot(int slot) { fileList_.setSnapSlot(slot); }

    // --- launching ------------------------------------------------------------------------------
    LaunchExecutor& launcher() { return launching_.executor(); }
    bool launchRow(int row) { return launching_.launchRow(row); }
    bool launchFile(const LaunchRequest& request) { return launching_.launchFile(request); }
    bool launchRecent(int k) { return launching_.launchRecent(k); }
    bool startEmulatorOnly() { return launching_.startEmulatorOnly(); }
    const SystemLog& systemLog() const { return launching_.log(); }
    // Lines of the tools' own into the system log, shown as they come.
    LaunchLog systemLogWriter() { return launching_.logWriter(); }
    // "ファイルの内部情報を表示".
    InternalInfo& internalInfo() { return internalInfo_; }
    std::array<std::optional<std::string>, kRecentLaunchCount> recentFileLabels() const {
        return launching_.recentFileLabels();
    }
    std::optional<RecentLaunch> recentLaunch(int k) const { return launching_.recentLaunch(k); }
    const std::string& lastLaunchedFile() const { return launching_.lastLaunchedFile(); }

    // --- play history ---------------------------------------------------------------------------
    // Every emulator run on a file goes into data/PlayHistory.sqlite when its end is known (the
    // window's, romshelf-cli launch --wait's), as a writer; while another program holds the
    // program folder the run is not recorded, and the log says so in red.
    PlayHistory& playHistory() { return history_; }
    // The game of file `fileName` in ROM folder `folderNumber` of hardware `code`: with its sums
    // when the identity cache has them for the file as it is now (current hardware only).
    PlayKey playKey(const std::string& code, int folderNumber, const std::string& fileName);
    // The name the current hardware's rename data give the row's file, found by its sums in the
    // identity cache: empty before the file is summed, and for a file the rename data lack.
    std::string datNameOf(const FileListRow& row);
    // Nothing for a row without a file.
    PlayStats playStats(const FileListRow& row) {
        if (row.folderNumber < 0) return {};
        return history_.stats(playKey(currentCode(), row.folderNumber, row.fileName()));
    }

private:
    // Names the data files a backup could not copy (nothing when all were copied).
    void tellUncopied(const std::vector<std::string>& names);
    void recordPlay(const EmulatorSession& run);

    ProgramFolder folder_;
    Host host_;
    ListenerRelay notices_;
    BusyGuard busy_;
    DataStream stream_;
    std::string lastEditSaveFailure_;
    MainSettings settings_;
    PlusSettings plus_;
    std::set<std::string> toldUnmapped_;
    PlusSettings plusOnDisk_;
    bool showStartList_ = true;
    std::string browseFolder_;
    bool startingUp_ = false;
    long long startedAt_ = 0;  // seconds since the epoch
    WriterLock lock_;
    std::string lockRole_ = "romshelf";
    bool started_ = false;  // start-up has loaded the current hardware
    HardwareSession session_;
    FileListController fileList_;
    LaunchService launching_;
    PlayHistory history_{folder_.dataFile("PlayHistory.sqlite")};
    SettingsCommands settingsCommands_;
    TempFolders tempFolders_;
    CategoryCommands categoryCommands_;
    WindowLayoutCommands windowLayout_;
    InternalInfo internalInfo_{*this, host_.clock};
    DatNames datNames_{folder_, plus_};
    RecordFollowing following_{*this};  // last: its thread ends before the rest goes
};

}  // namespace romshelf
