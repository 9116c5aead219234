#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/app/ApplicationListener.h"
#include "core/database/CategoryLists.h"
#include "core/database/RomTable.h"
#include "core/launch/EmulatorEntry.h"
#include "core/platform/WindowControl.h"
#include "core/settings/FolderSettings.h"
#include "core/settings/MainSettings.h"
#include "core/settings/ProgramFolder.h"
#include "core/storage/DataStream.h"

namespace romshelf {

// What the frontend shows of a drop-down list: its items and the selected one (-1: none).
struct ComboContents {
    std::vector<std::string> items;
    int selected = -1;
    std::string selectedText() const;
};

inline constexpr int kSessionTempFolderCount = 48;

// Why the current hardware's data is loaded again; the reload sequence differs only a little.
enum class Reload { StartUp, Switch, FolderSettings, EmulatorSettings, SettingsDeleted };

// The current hardware: its folder, emulator and ROM data, its category lists and the two
// combos of the hardware bar. It loads, saves and switches them, and runs the one reload
// sequence that start-up, switches, settings changes and the command-line companion share.
class HardwareSession {
public:
    // `showStartList` rebuilds the file list the way start-up and switches show it;
    // `switched` tells the rest of the application that another hardware is current.
    HardwareSession(const ProgramFolder& folder, MainSettings& settings, DataStream& stream,
                    Prompter& prompter, WindowControl& windows, ApplicationListener& notices,
                    std::function<void()> showStartList, std::function<void()> switched);

    const std::string& code() const { return settings_.currentHardware; }
    int index() const;
    // The custom display name (filled from the default name when still empty), or "未設定".
    std::string displayName(std::string_view code);
    bool folderSettingsExist(std::string_view code) const;
    std::string dataFile(std::string_view prefix, std::string_view code,
                         std::string_view ext) const;

    const LoadedFolders& folders() const { return folders_; }
    const EmulatorEntries& emulators() const { return emulators_; }
    const RomTable& romTable() const { return romTable_; }
    const CategoryLists& categoryLists() const { return categoryLists_; }
    // The display names of the six category lists (five shared, then the hardware class).
    std::array<std::string, kCategoryListCount> categoryNames() const;
    const ComboContents& hardwareCombo() const { return hardwareCombo_; }
    const ComboContents& emulatorCombo() const { return emulatorCombo_; }
    const std::array<std::string, kSessionTempFolderCount>& sessionTempFolders() const {
        return sessionTempFolders_;
    }
    // Remembers a TEMP folder used in this run (48 at most), for the clean at exit.
    void recordSessionTempFolder(const std::string& folder);
    // The folder a ROM folder number stands for; empty while no folder is set up.
    std::string romFolderPath(int folderNumber) const;

    // The reload sequence, in the order of a switch: the data, the hardware combo (start-up and
    // deletions), the emulator combo, the recent files, the category lists, the file list, then
    // the notices for the windows around it.
    void reload(Reload why);
    // Saves the current hardware's ROM information and category files. A file that cannot be
    // written is told at once, unless the caller tells it with others (shut-down).
    void saveCurrentFiles(bool tellFailures = true);
    // After the settings dialogs were confirmed for a hardware (its display name already kept).
    void folderSettingsConfirmed(const std::string& code);
    void emulatorSettingsConfirmed(const std::string& code);
    // Takes the current hardware's class-list name from the settings again ("機種別分類" while
    // no hardware is current). The caller tells the windows.
    void applyClassListName();
    // The user picked item `index` of the hardware combo: switches the current hardware.
    void chooseHardware(int index);
    void chooseEmulator(int index);
    // Lists every hardware that has folder settings; true when that made another one current.
    bool fillHardwareCombo();
    void fillEmulatorCombo();

    // Record edits go through here, so that data is only ever changed where it is owned.
    RomTable& records() { return romTable_; }
    // Writes the records now (the category organiser's renames); false when they could not be.
    bool saveRecords();
    // Saves the records when they differ from their file (the window saves each edit at once);
    // false when they could not be saved. Failures are left in the stream for the caller.
    bool saveEditedRecords();
    // Takes in records another program saved meanwhile (the window, when it comes to the
    // front); true when the records changed.
    bool takeRecordChangesFromDisk();
    // Called after a save or a look at the disk replaced the records (their indices may differ).
    void whenRecordsReplaced(std::function<void()> replaced) {
        recordsReplaced_ = std::move(replaced);
    }
    // The records' file could not be read and is kept from being written over.
    std::optional<std::size_t> recordsDamageOffset() const;
    std::string recordsPath() const;
    // The window offers to rebuild a records file that cannot be read whole from what can be
    // read of it; a command refuses to run instead.
    void setOffersSalvage(bool on) { offersSalvage_ = on; }
    // The organiser's "項目の確定": list `list` takes these items, saved with the lists.
    void setCategoryItems(int list, std::vector<std::string> items);

private:
    // Loads the current hardware's folder, emulator and ROM data. A folder file that is missing
    // or rejected leaves no hardware current.
    void loadCurrentData();
    void loadCategoryLists();
    void offerSalvage(const std::string& path);

    const ProgramFolder& folder_;
    MainSettings& settings_;
    DataStream& stream_;
    Prompter& prompter_;
    WindowControl& windows_;
    ApplicationListener& notices_;
    std::function<void()> showStartList_;
    std::function<void()> switched_;
    std::function<void()> recordsReplaced_;
    bool offersSalvage_ = false;

    LoadedFolders folders_;
    EmulatorEntries emulators_{};
    RomTable romTable_;
    std::string romTableCode_;  // the hardware the records were read for
    CategoryLists categoryLists_;
    bool categoriesLoaded_ = false;   // the shared lists have been read
    std::string classListCode_;       // the hardware the class list was read for
    std::string rejectedFolderCode_;  // a hardware whose folder file was just refused
    std::string classListName_{kDefaultClassListName};
    ComboContents hardwareCombo_;
    ComboContents emulatorCombo_;
    std::array<std::string, kSessionTempFolderCount> sessionTempFolders_{};
};

}  // namespace romshelf
