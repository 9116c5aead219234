#include "core/launch/EmulatorDialogModel.h"

#include <algorithm>
#include <limits>

#include "core/pad/PadProfile.h"
#include "core/settings/PathRules.h"
#include "core/platform/FileSystem.h"

namespace romshelf {

EmulatorDialogModel::EmulatorDialogModel(std::string code, EmulatorEntries stored,
                                         std::string displayName, std::string programFolder,
                                         const std::string& joyToKeyTool, DriveMap drives)
    : code_(std::move(code)),
      displayName_(std::move(displayName)),
      programFolder_(std::move(programFolder)),
      drives_(std::move(drives)),
      entries_(std::move(stored)),
      defaults_(code_) {
    // The flag in the file only serves the launcher; the dialog takes it from the table.
    for (auto& e : entries_) e.specialStart = false;
    joyToKeySettings_.emplace_back(kJoyToKeyNotUsed);
    for (auto& title :
         joyToKeySettingTitles(paths::resolveFilePath(joyToKeyTool, programFolder_, &drives_)))
        joyToKeySettings_.push_back(std::move(title));
    // Our own profiles after JoyToKey's, marked as built in; they need no JoyToKey.
    for (const std::string& name : padProfileNames(programFolder_))
        joyToKeySettings_.push_back(builtInPadSetting(name));
    lastBrowseFolder_ = programFolder_;
    if (lastBrowseFolder_.size() > 1 && lastBrowseFolder_.back() == '/')
        lastBrowseFolder_.pop_back();
    showSlot();
}

std::vector<std::string> EmulatorDialogModel::selectorItems() const {
    std::vector<std::string> items;
    for (int slot : defaults_.offeredSlots()) items.push_back(defaults_.row(slot).defaultName);
    return items;
}

int EmulatorDialogModel::slotOfItem(int item) const {
    const auto& offered = defaults_.offeredSlots();
    if (item < 0 || item >= static_cast<int>(offered.size())) return offered.front();
    return offered[static_cast<std::size_t>(item)];
}

void EmulatorDialogModel::selectItem(int item) {
    if (item < 0 || item >= static_cast<int>(defaults_.offeredSlots().size())) return;
    storeSlot();
    item_ = item;
    showSlot();
}

bool EmulatorDialogModel::selectSlot(int slot) {
    const auto& offered = defaults_.offeredSlots();
    const auto found = std::find(offered.begin(), offered.end(), slot);
    if (found == offered.end()) return false;
    selectItem(static_cast<int>(found - offered.begin()));
    return true;
}

void EmulatorDialogModel::showSlot() {
    EmulatorEntry& e = entries_[static_cast<std::size_t>(currentSlot())];
    const DefaultEmulator& row = defaultRow();
    // A slot once shown keeps its default name, so it is saved with it.
    if (e.name.empty()) e.name = row.defaultName;

    joyToKeyItems_ = joyToKeySettings_;
    int joyItem = 0;
    if (!e.joyToKeySetting.empty()) {
        auto found = std::find(joyToKeyItems_.begin() + 1, joyToKeyItems_.end(), e.joyToKeySetting);
        // A setting whose .cfg is not listed (JoyToKey moved or not configured) stays offered, so
        // that opening and saving the dialog does not silently drop it.
        if (found == joyToKeyItems_.end()) found = joyToKeyItems_.insert(found, e.joyToKeySetting);
        joyItem = static_cast<int>(found - joyToKeyItems_.begin());
    }

    form_.name = e.name;
    form_.executable = e.executable;
    form_.commandLine = e.commandLine;
    form_.joyToKeyItem = joyItem;
    form_.waitAfterStart = std::to_string(e.waitAfterStart);
    form_.waitAfterFileDialog = std::to_string(e.waitAfterFileDialog);
    form_.passZipUnpacked = row.zipPassAllowed && e.option(kPassZipUnpacked);
    form_.quotePath = row.quoteAllowed && e.option(kQuotePath);
    form_.shortPathIfSpace = e.option(kShortPathIfSpace);
    form_.forceActivate = e.option(kForceActivate);
}

void EmulatorDialogModel::storeSlot() {
    EmulatorEntry& e = entries_[static_cast<std::size_t>(currentSlot())];
    e.name = form_.name;
    // The edit shows the default name again, but the cleared name is what is kept.
    if (form_.name.empty()) form_.name = defaultRow().defaultName;
    e.executable = form_.executable;
    e.commandLine = form_.commandLine;
    const bool validItem =
        form_.joyToKeyItem > 0 && form_.joyToKeyItem < static_cast<int>(joyToKeyItems_.size());
    e.joyToKeySetting =
        validItem ? joyToKeyItems_[static_cast<std::size_t>(form_.joyToKeyItem)] : std::string();
    e.waitAfterStart = waitFromText(form_.waitAfterStart);
    e.waitAfterFileDialog = waitFromText(form_.waitAfterFileDialog);
    e.options[kPassZipUnpacked] = form_.passZipUnpacked;
    e.options[kQuotePath] = form_.quotePath;
    e.options[kShortPathIfSpace] = form_.shortPathIfSpace;
    e.options[kForceActivate] = form_.forceActivate;
}

bool EmulatorDialogModel::browse(Prompter& prompter) {
    const DefaultEmulator& row = defaultRow();
    auto chosen =
        prompter.chooseOpenFile(row.defaultName + "の場所を指定してください",
                                row.defaultName + "実行ファイル (" + row.executableName + ")",
                                std::string(kExecutableFilesPattern), lastBrowseFolder_);
    if (!chosen || chosen->empty()) return false;
    form_.executable = paths::storedForm(*chosen, &drives_);
    std::string folder = fs::pathFolder(*chosen);
    if (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    if (!folder.empty()) lastBrowseFolder_ = folder;
    return true;
}

void EmulatorDialogModel::applySuggestion(const EmulatorSuggestion& suggestion) {
    form_.name = suggestion.name;
    form_.executable = paths::storedForm(suggestion.executable, &drives_);
    form_.commandLine = suggestion.commandLine;
    const std::string folder = fs::pathFolder(suggestion.executable);
    if (folder.size() > 1) lastBrowseFolder_ = folder.substr(0, folder.size() - 1);
}

void EmulatorDialogModel::makeExecutableRelative() {
    if (paths::isRelative(form_.executable)) return;
    form_.executable = paths::makeRelative(form_.executable, programFolder_);
}

EmulatorEntries EmulatorDialogModel::entriesToSave() {
    storeSlot();
    EmulatorEntries out = entries_;
    for (int slot = 0; slot < kEmulatorCount; ++slot)
        out[static_cast<std::size_t>(slot)].specialStart = defaults_.row(slot).specialStart;
    return out;
}

std::int32_t EmulatorDialogModel::waitFromText(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    // A very long number saturates instead of wrapping round into a nonsense wait.
    std::int64_t value = 0;
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = std::min(value * 10 + (text[i] - '0'), kMax + 1);
    if (negative) return static_cast<std::int32_t>(-std::min(value, kMax + 1));
    return static_cast<std::int32_t>(std::min(value, kMax));
}

std::vector<std::string> EmulatorDialogModel::joyToKeySettingTitles(
    const std::string& joyToKeyExecutable) {
    std::vector<std::string> titles;
    if (joyToKeyExecutable.empty() || !fs::fileExists(joyToKeyExecutable)) return titles;
    for (const auto& entry : fs::listDirectory(fs::pathFolder(joyToKeyExecutable))) {
        if (entry.isDirectory || !fs::matchesPattern(entry.name, "*.cfg")) continue;
        titles.push_back(fs::pathTitle(entry.name));
    }
    return titles;
}

}  // namespace romshelf
