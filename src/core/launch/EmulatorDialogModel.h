#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/launch/DefaultEmulatorTable.h"
#include "core/launch/EmulatorEntry.h"
#include "core/launch/EmulatorSuggestions.h"
#include "core/platform/Prompter.h"
#include "core/settings/DriveMap.h"

namespace romshelf {

inline constexpr std::string_view kJoyToKeyNotUsed = "使用しない";

// What the controls of the shown slot hold. The widget writes the user's edits here; the model
// copies them into the slot when another slot is chosen or the settings are saved.
struct EmulatorForm {
    std::string name;
    std::string executable;
    std::string commandLine;
    int joyToKeyItem = 0;  // index into joyToKeyItems(); 0 is "使用しない"
    std::string waitAfterStart;
    std::string waitAfterFileDialog;
    bool passZipUnpacked = false;
    bool quotePath = false;
    bool shortPathIfSpace = false;
    bool forceActivate = false;
};

// What the emulator settings dialog edits: its own copy of one hardware's 64 entries as stored,
// labelled by that hardware's default table. The dialog widget only displays it.
class EmulatorDialogModel {
public:
    // `stored` is the file as read (executables as typed); `joyToKeyTool` is the JoyToKey tool
    // path of the main settings as stored.
    EmulatorDialogModel(std::string code, EmulatorEntries stored, std::string displayName,
                        std::string programFolder, const std::string& joyToKeyTool,
                        DriveMap drives = {});

    const std::string& code() const { return code_; }
    std::string caption() const { return displayName_ + "のエミュレータ設定"; }
    const DefaultEmulatorTable& defaults() const { return defaults_; }
    const EmulatorEntries& entries() const { return entries_; }

    // --- emulator selector ---------------------------------------------------------------------
    std::vector<std::string> selectorItems() const;
    int selectorIndex() const { return item_; }
    int slotOfItem(int item) const;
    int currentSlot() const { return slotOfItem(item_); }
    // Stores the shown slot, then shows the slot of `item`.
    void selectItem(int item);

    // --- the shown slot ------------------------------------------------------------------------
    const DefaultEmulator& defaultRow() const { return defaults_.row(currentSlot()); }
    // The marker label is highlighted, and the waits and forced activation are editable, for a
    // special-start emulator only.
    bool specialStart() const { return defaultRow().specialStart; }
    bool zipPassAllowed() const { return defaultRow().zipPassAllowed; }
    bool quoteAllowed() const { return defaultRow().quoteAllowed; }
    EmulatorForm& form() { return form_; }
    const EmulatorForm& form() const { return form_; }
    // "使用しない", the settings found beside JoyToKey, the built-in pad profiles ("<内蔵> name"),
    // and the shown slot's own setting when it is not among them.
    const std::vector<std::string>& joyToKeyItems() const { return joyToKeyItems_; }

    // Copies the form into the shown slot.
    void storeSlot();

    // "参照": lets the user pick the executable. False when cancelled.
    bool browse(Prompter& prompter);
    const std::string& lastBrowseFolder() const { return lastBrowseFolder_; }
    // The Linux emulators installed for this hardware, offered by "インストール済みから選択…".
    const std::vector<EmulatorSuggestion>& suggestions() const { return suggestions_; }
    void setSuggestions(std::vector<EmulatorSuggestion> s) { suggestions_ = std::move(s); }
    // Shows `slot` (storing the shown one first); false when the selector does not offer it.
    bool selectSlot(int slot);
    // "インストール済みから選択…": the form takes the emulator's name, executable and command
    // line, as if the user had typed them; the slot changes when it is stored.
    void applySuggestion(const EmulatorSuggestion& suggestion);
    // "相対パス": an absolute executable path becomes relative to the program folder.
    void makeExecutableRelative();

    // "設定の保存": stores the shown slot and gives the 64 entries as the file gets them, each
    // with the special-start flag of its default row.
    EmulatorEntries entriesToSave();

    // The wait edits' text as a number: leading digits, an empty text is 0.
    static std::int32_t waitFromText(std::string_view text);
    // Titles of the *.cfg files beside the JoyToKey executable (an absolute path), in byte
    // order of their names; none when the executable does not exist.
    static std::vector<std::string> joyToKeySettingTitles(const std::string& joyToKeyExecutable);

private:
    void showSlot();

    std::string code_;
    std::string displayName_;
    std::string programFolder_;
    DriveMap drives_;
    EmulatorEntries entries_;
    DefaultEmulatorTable defaults_;
    std::vector<std::string> joyToKeySettings_;  // "使用しない" and the .cfg titles
    std::vector<std::string> joyToKeyItems_;
    EmulatorForm form_;
    std::string lastBrowseFolder_;
    std::vector<EmulatorSuggestion> suggestions_;
    int item_ = 0;
};

}  // namespace romshelf
