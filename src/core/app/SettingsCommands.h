#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/app/HardwareSession.h"
#include "core/launch/EmulatorDialogModel.h"
#include "core/settings/EnvironmentSettingsModel.h"
#include "core/settings/FolderDialogModel.h"

namespace romshelf {

// The Settings menu's commands: the folder and emulator dialogs' loading, saving and
// confirmation, deleting a folder-settings file, and the environment dialog.
class SettingsCommands {
public:
    SettingsCommands(HardwareSession& session, MainSettings& settings, DataStream& stream,
                     Prompter& prompter, const ProgramFolder& folder, ApplicationListener& notices)
        : session_(session),
          settings_(settings),
          stream_(stream),
          prompter_(prompter),
          folder_(folder),
          notices_(notices) {}

    // Before the folder-settings dialog opens: the current hardware's files are saved, and the
    // dialog's copy is read as stored (a missing or rejected file gives empty settings).
    FolderDialogModel openFolderSettings(const std::string& code);
    // "設定の保存": writes the dialog's copy. False (and the user is told) when it cannot be
    // written.
    bool saveFolderSettings(const std::string& code, FolderDialogModel& model);
    // After the dialog was confirmed: keeps the display name, refills the hardware list and, for
    // the current hardware, reloads its data.
    void folderSettingsConfirmed(const std::string& code, const std::string& displayName);

    // Before the emulator dialog opens: the current hardware's files are saved, and the dialog's
    // copy is read as stored (missing or rejected: default entries).
    EmulatorDialogModel openEmulatorSettings(const std::string& code);
    bool saveEmulatorSettings(const std::string& code, EmulatorDialogModel& model);
    void emulatorSettingsConfirmed(const std::string& code) {
        session_.emulatorSettingsConfirmed(code);
    }
    // The Linux emulators installed for `code`, looked for in the search places; MAME's command
    // line names the hardware's ROM folders as its rompath. The emulator dialog offers them.
    std::vector<EmulatorSuggestion> emulatorSuggestions(const std::string& code);
    // Tests look in folders of their own.
    void setEmulatorSearchPlaces(EmulatorSearchPlaces places) { searchPlaces_ = std::move(places); }
    // The user's Wine prefix (empty: Wine's own choice), where Windows emulators are looked for.
    void setWinePrefix(std::string prefix) { winePrefix_ = std::move(prefix); }

    enum class SuggestionResult { Set, NoSuchSlot, NoSuchEmulator, NotSaved };
    // Fills emulator slot `slot` (0-63) of `code` from the suggestion called `name` as the dialog
    // does, and saves the emulator settings.
    SuggestionResult setEmulatorFromSuggestion(const std::string& code, int slot,
                                               const std::string& name);

    // Asks, then deletes data/Folder_<code>.slb and reloads. False when nothing was deleted.
    bool deleteSettingsFile(std::string_view code);

    // The environment dialog's copy of the options; nothing is read from disk.
    EnvironmentSettingsModel openEnvironmentSettings() const {
        EnvironmentSettingsModel model(settings_, folder_.path());
        model.setDrives(folder_.drives());
        return model;
    }
    // "設定の保存": every page goes into the main settings (saved at exit), then the windows
    // follow: the current hardware's class-list name, cleared detail panes, the category names
    // and the file list's display options. The list font waits for the next start.
    void saveEnvironmentSettings(const EnvironmentSettingsModel& model);

private:
    HardwareSession& session_;
    MainSettings& settings_;
    DataStream& stream_;
    Prompter& prompter_;
    const ProgramFolder& folder_;
    ApplicationListener& notices_;
    EmulatorSearchPlaces searchPlaces_ = EmulatorSearchPlaces::fromEnvironment();
    std::string winePrefix_;
};

}  // namespace romshelf
