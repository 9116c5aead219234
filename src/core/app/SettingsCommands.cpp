#include "core/app/SettingsCommands.h"

#include <algorithm>

#include "core/launch/WindowsPrograms.h"
#include "core/platform/FileSystem.h"
#include "core/settings/HardwareTable.h"
#include "core/settings/PathRules.h"

namespace romshelf {

namespace {

// The dialog's own save failed: told here with its reason, and not again with later saves.
bool toldSaveFailure(DataStream& stream, Prompter& prompter, const std::string& what,
                     const std::string& path) {
    std::string text = what + "\n" + path;
    for (const auto& failed : stream.takeFailedSaves())
        if (failed.path == path) text += "\n（" + saveErrorText(failed.error) + "）";
    prompter.inform(text, std::string(kWarningTitle));
    return false;
}

}  // namespace

FolderDialogModel SettingsCommands::openFolderSettings(const std::string& code) {
    session_.saveCurrentFiles();
    FolderSettings stored;
    loadFolderSettingsFile(stream_, session_.dataFile("Folder_", code, ".slb"), prompter_, stored);
    FolderDialogModel model(std::move(stored), session_.displayName(code), folder_.path(),
                            traitsOf(code).otherSoftware ? FolderDialogKind::OtherSoftware
                                                         : FolderDialogKind::RomFolders);
    model.setDrives(folder_.drives());
    return model;
}

bool SettingsCommands::saveFolderSettings(const std::string& code, FolderDialogModel& model) {
    model.commitPage();
    const std::string path = session_.dataFile("Folder_", code, ".slb");
    return saveFolderSettingsFile(stream_, path, model.settingsToSave()) ||
           toldSaveFailure(stream_, prompter_, "フォルダ設定ファイルを保存できませんでした。",
                           path);
}

void SettingsCommands::folderSettingsConfirmed(const std::string& code,
                                               const std::string& displayName) {
    const int index = hardwareIndexOf(code);
    if (index >= 0) settings_.customNames[static_cast<std::size_t>(index)] = displayName;
    session_.folderSettingsConfirmed(code);
}

EmulatorDialogModel SettingsCommands::openEmulatorSettings(const std::string& code) {
    session_.saveCurrentFiles();
    EmulatorEntries stored;
    loadEmulatorFile(stream_, session_.dataFile("Emulator_", code, ".slb"), prompter_, stored);
    EmulatorDialogModel model(code, std::move(stored), session_.displayName(code), folder_.path(),
                              settings_.toolPaths[0], folder_.drives());
    model.setSuggestions(emulatorSuggestions(code));
    return model;
}

std::vector<EmulatorSuggestion> SettingsCommands::emulatorSuggestions(const std::string& code) {
    // The folder settings are read for MAME's rompath only: a fault in them is told when the
    // hardware is opened, not here.
    FolderSettings folders;
    SilentPrompter silent;
    loadFolderSettingsFile(stream_, session_.dataFile("Folder_", code, ".slb"), silent, folders);
    std::vector<std::string> romFolders;
    for (const std::string& path : folders.romFolderPaths)
        if (!path.empty())
            romFolders.push_back(paths::resolveFolderPath(path, folder_.path(), &folder_.drives()));
    EmulatorSearchPlaces places = searchPlaces_;
    if (!winePrefix_.empty()) places.wineDriveC = wineDriveC(winePrefix_);
    return suggestEmulators(code, places, romFolders);
}

SettingsCommands::SuggestionResult SettingsCommands::setEmulatorFromSuggestion(
    const std::string& code, int slot, const std::string& name) {
    EmulatorDialogModel model = openEmulatorSettings(code);
    if (!model.selectSlot(slot)) return SuggestionResult::NoSuchSlot;
    const auto& offered = model.suggestions();
    const auto found = std::find_if(offered.begin(), offered.end(),
                                    [&](const EmulatorSuggestion& s) { return s.name == name; });
    if (found == offered.end()) return SuggestionResult::NoSuchEmulator;
    model.applySuggestion(*found);
    if (!saveEmulatorSettings(code, model)) return SuggestionResult::NotSaved;
    emulatorSettingsConfirmed(code);
    return SuggestionResult::Set;
}

bool SettingsCommands::saveEmulatorSettings(const std::string& code, EmulatorDialogModel& model) {
    const std::string path = session_.dataFile("Emulator_", code, ".slb");
    return saveEmulatorFile(stream_, path, model.entriesToSave()) ||
           toldSaveFailure(stream_, prompter_, "エミュレータ設定ファイルを保存できませんでした。",
                           path);
}

void SettingsCommands::saveEnvironmentSettings(const EnvironmentSettingsModel& model) {
    model.apply(settings_);
    session_.applyClassListName();
    notices_.detailPanesCleared();
    notices_.categoryNamesChanged();
    notices_.displayOptionsChanged();
}

bool SettingsCommands::deleteSettingsFile(std::string_view code) {
    const std::string question =
        session_.displayName(code) + "の\nフォルダ設定ファイルを削除してもいいですか？";
    if (!prompter_.ask(question, std::string(kWarningTitle))) return false;
    const std::string path = session_.dataFile("Folder_", code, ".slb");
    if (!fs::fileExists(path)) return false;
    session_.saveCurrentFiles();
    if (!fs::removeFile(path)) {
        prompter_.inform("フォルダ設定ファイルを削除できませんでした。\n" + path,
                         std::string(kWarningTitle));
        return false;
    }
    session_.reload(Reload::SettingsDeleted);
    return true;
}

}  // namespace romshelf
