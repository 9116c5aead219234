#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/storage/DataStream.h"
#include "core/settings/FolderDialogModel.h"
#include "core/settings/FolderSettings.h"
#include "core/settings/MainSettings.h"
#include "core/settings/ProgramFolder.h"
#include "core/database/CategoryLists.h"
#include "core/database/RomTable.h"
#include "core/launch/EmulatorDialogModel.h"
#include "core/launch/EmulatorEntry.h"
#include "core/launch/Launcher.h"
#include "core/platform/Desktop.h"
#include "core/platform/ProcessRunner.h"
#include "core/views/FileList.h"
#include "core/views/SystemLog.h"
#include "core/platform/Prompter.h"

namespace romshelf {

// What the frontend shows of a drop-down list: its items and the selected one (-1: none).
struct ComboContents {
    std::vector<std::string> items;
    int selected = -1;
    std::string selectedText() const;
};

// Told when something the windows show has changed. Every method does nothing by default, so a
// headless user (tests, the command-line companion) need not implement any of them.
class ApplicationListener {
public:
    virtual ~ApplicationListener() = default;
    virtual void hardwareComboChanged() {}
    virtual void emulatorComboChanged() {}
    virtual void recentFilesChanged() {}
    // Another hardware's data is loaded: the views must show it.
    virtual void hardwareDataReloaded() {}
    // The six category names changed (or another hardware's class name applies).
    virtual void categoryNamesChanged() {}
    // The category lists were read again.
    virtual void categoryListsChanged() {}
    // The file list was rebuilt or sorted again.
    virtual void fileListChanged() {}
    // A line was added to the system log: show it now, even in the middle of a launch.
    virtual void systemLogChanged() {}
    // Switching and launching: the modeless registration window closes; launching also stops
    // sounds and, when the options say so, minimises the main window while an emulator runs.
    virtual void hideRegistrationDialog() {}
    virtual void stopMediaSound() {}
    virtual void minimiseMainWindow() {}
    // 1 normal, 2 maximised; anything else leaves the window as it is.
    virtual void restoreMainWindow(ShowState showState) { (void)showState; }
};

inline constexpr int kSessionTempFolderCount = 48;

// The application object: owns every setting and all catalogue data and carries out every
// command. It never shows anything itself; it talks to the user through its ports.
class Application {
public:
    Application(ProgramFolder folder, Prompter& prompter);
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    void setListener(ApplicationListener* listener) { listener_ = listener ? listener : &silent_; }
    ApplicationListener& listener() { return *listener_; }
    // The ports for starting programs and opening documents (POSIX and xdg-open by default).
    void setProcessRunner(ProcessRunner* runner) { runner_ = runner ? runner : &posixRunner_; }
    ProcessRunner& processRunner() { return *runner_; }
    void setDesktop(Desktop* desktop) { desktop_ = desktop ? desktop : &xdgDesktop_; }
    Desktop& desktop() { return *desktop_; }

    const ProgramFolder& programFolder() const { return folder_; }
    MainSettings& settings() { return settings_; }
    const MainSettings& settings() const { return settings_; }
    DataStream& stream() { return stream_; }
    Prompter& prompter() { return prompter_; }

    // --- start-up and shut-down -------------------------------------------------------------
    // Creates data, temp, frame and plugin in the program folder.
    bool createFolders();
    std::string mainDataPath() const { return folder_.dataFile("MainData.slb"); }
    LoadResult loadMainSettings();
    bool saveMainSettings();
    // The steps after the windows exist: empty the session's TEMP list, load the current
    // hardware's data, fill both combos, rebuild the recent files.
    void startUp();
    // Saves everything that is kept on disk. The frontend stores the window placements first.
    bool shutDown();

    // --- current hardware ---------------------------------------------------------------------
    const std::string& currentCode() const { return settings_.currentHardware; }
    int currentIndex() const;
    // The custom display name (filled from the default name when still empty), or "未設定".
    std::string displayName(std::string_view code);
    bool folderSettingsExist(std::string_view code) const;

    // Loads the current hardware's folder, emulator and ROM data. A folder file that is missing
    // or rejected leaves no hardware current.
    void loadCurrentHardwareData();
    // Saves the current hardware's ROM information and category files.
    void saveCurrentHardwareFiles();
    // Reads the category lists again (the five shared ones and the current hardware's class).
    void loadCategoryLists();

    // --- current hardware's data --------------------------------------------------------------
    const LoadedFolders& folders() const { return folders_; }
    RomTable& romTable() { return romTable_; }
    const RomTable& romTable() const { return romTable_; }
    CategoryLists& categoryLists() { return categoryLists_; }
    const CategoryLists& categoryLists() const { return categoryLists_; }
    // The display names of the six category lists (five shared, then the hardware class).
    std::array<std::string, kCategoryListCount> categoryNames() const;
    const std::string& classListName() const { return classListName_; }
    // The current hardware's 64 emulator entries, executables absolute.
    const EmulatorEntries& emulators() const { return emulators_; }

    // --- folder settings ----------------------------------------------------------------------
    std::string folderSettingsPath(std::string_view code) const;
    // Before the folder-settings dialog opens: the current hardware's files are saved, and the
    // dialog's copy is read as stored (a missing or rejected file gives empty settings).
    FolderDialogModel openFolderSettings(const std::string& code);
    // "設定の保存": writes the dialog's copy. False (and the user is told) when it cannot be written.
    bool saveFolderSettings(const std::string& code, FolderDialogModel& model);
    // After the dialog was confirmed for `code`: keeps the display name, refills the hardware
    // list and, for the current hardware, reloads its data.
    void folderSettingsConfirmed(const std::string& code, const std::string& displayName);

    // --- emulator settings --------------------------------------------------------------------
    std::string emulatorSettingsPath(std::string_view code) const;
    // Before the emulator settings dialog opens: the current hardware's files are saved, and the
    // dialog's copy is read as stored (missing or rejected: default entries).
    EmulatorDialogModel openEmulatorSettings(const std::string& code);
    // "設定の保存": writes the dialog's copy. False (and the user is told) when it cannot be written.
    bool saveEmulatorSettings(const std::string& code, EmulatorDialogModel& model);
    // After the dialog was confirmed for `code`: the current hardware's data is read again.
    void emulatorSettingsConfirmed(const std::string& code);

    // --- hardware bar -------------------------------------------------------------------------
    const ComboContents& hardwareCombo() const { return hardwareCombo_; }
    const ComboContents& emulatorCombo() const { return emulatorCombo_; }
    void fillHardwareCombo();
    void fillEmulatorCombo();
    // The user picked item `index` of the hardware combo: switches the current hardware.
    void chooseHardware(int index);
    // The user picked item `index` of the emulator combo.
    void chooseEmulator(int index);

    // --- settings files -------------------------------------------------------------------
    // Asks, then deletes data/Folder_<code>.slb and reloads. False when nothing was deleted.
    bool deleteSettingsFile(std::string_view code);

    // --- file list -----------------------------------------------------------------------------
    FileList& fileList() { return fileList_; }
    const FileList& fileList() const { return fileList_; }
    FileListSources fileListSources() const;
    void showAll();
    void showFiltered(FolderWindowKind kind, int item, std::string label);
    void showSearchResult(SearchCriteria criteria);
    void showUnregistered();
    void showWithoutSnap();
    void showFavourites();
    // ROM folder 1 when the option says so, else all files: the list after start-up and switches.
    void showStartList();
    void sortFileListByColumn(int column);
    // The snap slot whose folder "files without snap" looks at.
    int snapSlot() const { return snapSlot_; }
    void setSnapSlot(int slot) { snapSlot_ = slot; }

    // --- launching -------------------------------------------------------------------------------
    Launcher& launcher() { return launcher_; }
    // Double click or Enter on a file-list row (other software for HARD).
    bool launchRow(int row);
    // Recent-file item k (0..4) of the current hardware.
    bool launchRecent(int k);
    bool startEmulatorOnly() { return launcher_.startEmulatorOnly(); }
    const SystemLog& systemLog() const { return systemLog_; }
    void log(std::string line);

    // --- recent launches ------------------------------------------------------------------
    void addRecentLaunch(const std::string& displayName, const std::string& fileName,
                         int folderNumber);
    // The same for a hardware that may no longer be current (a launch that ended after a switch).
    void addRecentLaunchFor(int hardwareIndex, const std::string& displayName,
                            const std::string& fileName, int folderNumber);
    // Labels of the File menu's recent-file items; all empty when no hardware is current.
    std::array<std::optional<std::string>, kRecentLaunchCount> recentFileLabels() const;
    // The entry behind recent-file item k (0..4), if any.
    std::optional<RecentLaunch> recentLaunch(int k) const;

    // The folder a ROM folder number stands for; empty while no folder is set up.
    std::string romFolderPath(int folderNumber) const;

    const std::array<std::string, kSessionTempFolderCount>& sessionTempFolders() const {
        return sessionTempFolders_;
    }
    void recordSessionTempFolder(const std::string& folder);

    const std::string& lastLaunchedFile() const { return lastLaunchedFile_; }
    void setLastLaunchedFile(std::string name) { lastLaunchedFile_ = std::move(name); }

private:
    bool recentFileExists(const RecentLaunch& entry) const;
    // Fills the hardware combo; when that made another hardware current, loads its data too.
    void fillHardwareComboAndLoad();
    void reloadAfterSwitch();

    ProgramFolder folder_;
    Prompter& prompter_;
    ApplicationListener silent_;
    ApplicationListener* listener_ = &silent_;
    DataStream stream_;
    MainSettings settings_;
    LoadedFolders folders_;
    EmulatorEntries emulators_{};
    RomTable romTable_;
    std::string romTableCode_;        // the hardware the records were read for
    CategoryLists categoryLists_;
    bool categoriesLoaded_ = false;   // the shared lists have been read
    std::string classListCode_;       // the hardware the class list was read for
    std::string rejectedFolderCode_;  // a hardware whose folder file was just refused
    std::string classListName_{kDefaultClassListName};
    ComboContents hardwareCombo_;
    ComboContents emulatorCombo_;
    std::array<std::string, kSessionTempFolderCount> sessionTempFolders_{};
    std::string lastLaunchedFile_;
    FileList fileList_;
    int snapSlot_ = 0;
    SystemLog systemLog_;
    PosixProcessRunner posixRunner_;
    XdgDesktop xdgDesktop_;
    ProcessRunner* runner_ = &posixRunner_;
    Desktop* desktop_ = &xdgDesktop_;
    Launcher launcher_{*this};
};

}  // namespace romshelf
