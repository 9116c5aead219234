#include "core/app/HardwareSession.h"

#include "core/app/DataFileSalvage.h"
#include "core/platform/FileSystem.h"
#include "core/settings/HardwareTable.h"

namespace romshelf {

std::string ComboContents::selectedText() const {
    if (selected < 0 || selected >= static_cast<int>(items.size())) return {};
    return items[static_cast<std::size_t>(selected)];
}

HardwareSession::HardwareSession(const ProgramFolder& folder, MainSettings& settings,
                                 DataStream& stream, Prompter& prompter, WindowControl& windows,
                                 ApplicationListener& notices, std::function<void()> showStartList,
                                 std::function<void()> switched)
    : folder_(folder),
      settings_(settings),
      stream_(stream),
      prompter_(prompter),
      windows_(windows),
      notices_(notices),
      showStartList_(std::move(showStartList)),
      switched_(std::move(switched)),
      folders_(emptyLoadedFolders(folder.path())) {}

int HardwareSession::index() const { return hardwareIndexOf(settings_.currentHardware); }

std::string HardwareSession::displayName(std::string_view code) {
    return codeToCustomName(code, settings_.customNames);
}

std::string HardwareSession::dataFile(std::string_view prefix, std::string_view code,
                                      std::string_view ext) const {
    return folder_.perHardwareFile(prefix, code, ext);
}

bool HardwareSession::folderSettingsExist(std::string_view code) const {
    return !code.empty() && fs::fileExists(dataFile("Folder_", code, ".slb"));
}

std::string HardwareSession::romFolderPath(int folderNumber) const {
    if (folderNumber < 0 || folderNumber >= kRomFolderCount) return {};
    return folders_.folders.romFolderPaths[static_cast<std::size_t>(folderNumber)];
}

std::array<std::string, kCategoryListCount> HardwareSession::categoryNames() const {
    std::array<std::string, kCategoryListCount> names;
    for (std::size_t i = 0; i < settings_.categoryNames.size(); ++i)
        names[i] = settings_.categoryNames[i];
    names[kHardwareClassList] = classListName_;
    return names;
}

void HardwareSession::reload(Reload why) {
    if (why == Reload::StartUp) sessionTempFolders_.fill({});
    loadCurrentData();
    if (why == Reload::StartUp || why == Reload::SettingsDeleted) {
        // Another hardware became current: its records must be in memory, or a record added to
        // it would be saved as its only one. A folder file just refused is not read (and told)
        // again.
        if (fillHardwareCombo() && !code().empty() && code() != rejectedFolderCode_)
            loadCurrentData();
    }
    fillEmulatorCombo();
    notices_.recentFilesChanged();
    loadCategoryLists();
    showStartList_();
    notices_.currentHardwareChanged();
    notices_.detailPanesCleared();
    notices_.folderWindowReset();
    if (why == Reload::Switch) {
        notices_.captureToolReset();
        switched_();
    }
}

void HardwareSession::folderSettingsConfirmed(const std::string& confirmed) {
    const std::string before = code();
    const bool changed = fillHardwareCombo();
    if (confirmed == code() && confirmed == before)
        reload(Reload::FolderSettings);
    else if (changed && code() != rejectedFolderCode_)
        reload(Reload::Switch);  // the first hardware set up becomes current at once
}

void HardwareSession::emulatorSettingsConfirmed(const std::string& confirmed) {
    // Reading the ROM information again drops deleted records and renumbers the rest, so the
    // rows are built again by the reload, or they would point at other records.
    if (!confirmed.empty() && confirmed == code()) reload(Reload::EmulatorSettings);
}

void HardwareSession::loadCurrentData() {
    std::string& code = settings_.currentHardware;
    // Until this hardware's records are read, nothing in memory may be saved under its code
    // (a message box below can let a shut-down run in the middle).
    romTable_.reset();
    romTableCode_.clear();
    rejectedFolderCode_.clear();
    FolderSettings stored;
    const LoadResult folderResult =
        code.empty()
            ? LoadResult::Missing
            : loadFolderSettingsFile(stream_, dataFile("Folder_", code, ".slb"), prompter_, stored);
    if (folderResult == LoadResult::Loaded) {
        folders_ = resolveLoadedFolders(std::move(stored), folder_.path(),
                                        traitsOf(code).otherSoftware, &folder_.drives());
    } else {
        if (folderResult == LoadResult::Rejected) rejectedFolderCode_ = code;
        code.clear();
        folders_ = emptyLoadedFolders(folder_.path());
    }
    recordSessionTempFolder(folders_.folders.tempFolder);

    emulators_ = EmulatorEntries{};
    if (!code.empty()) {
        loadEmulatorEntries(stream_, dataFile("Emulator_", code, ".slb"), prompter_, folder_.path(),
                            emulators_, &folder_.drives());
        const std::string records = dataFile("RomData_", code, ".slb");
        if (romTable_.load(stream_, records, prompter_) == LoadResult::Rejected && offersSalvage_)
            offerSalvage(records);
    }
    romTableCode_ = code;

    applyClassListName();
    notices_.categoryNamesChanged();
}

void HardwareSession::offerSalvage(const std::string& path) {
    const std::optional<std::size_t> offset = DataStream::damageOffset(path);
    const std::optional<std::string> bytes = fs::readFile(path);
    if (!offset || !bytes) return;
    if (!prompter_.ask("ロム情報ファイルの " + std::to_string(*offset) +
                           " バイト目から先が読めません。\n読める所までの情報を取り出して、"
                           "ロム情報ファイルを作り直しますか？\n（元のファイルは残します）",
                       std::string(kWarningTitle)))
        return;
    // The damaged file stays beside it, whatever happens next.
    const std::string copy = keepRefusedCopy(path, *bytes);
    if (copy.empty()) return;
    const SalvageResult salvaged = salvageDataFile(copy);
    if (!salvaged.ok) {
        prompter_.inform("情報を取り出せませんでした。\n" + salvaged.error,
                         std::string(kWarningTitle));
        return;
    }
    DataStream::forgetSeen(path);
    romTable_.load(stream_, salvaged.output, prompter_);
    bool merged = false;
    const bool saved = romTable_.saveMerging(stream_, path, merged);
    if (saved) fs::removeFile(salvaged.output);
    prompter_.inform(
        std::to_string(salvaged.recovered) + " 件の情報を取り出しました。" +
            (saved ? "" : "\n取り出した情報は次のファイルにあります。\n" + salvaged.output) +
            "\n元のファイルは次の名前で残してあります。\n" + copy,
        std::string(kWarningTitle));
}

void HardwareSession::applyClassListName() {
    const int i = index();
    classListName_ = i >= 0 ? settings_.classListNames[static_cast<std::size_t>(i)]
                            : std::string(kDefaultClassListName);
}

void HardwareSession::saveCurrentFiles(bool tellFailures) {
    const std::string& code = settings_.currentHardware;
    if (code.empty()) return;
    // Data is only ever written under the code it was read for.
    if (romTableCode_ == code) {
        bool merged = false;
        romTable_.saveMerging(stream_, dataFile("RomData_", code, ".slb"), merged);
        if (merged && recordsReplaced_) recordsReplaced_();
    }
    if (categoriesLoaded_) categoryLists_.save(stream_, folder_, code, classListCode_ == code);
    if (tellFailures) reportFailedSaves(stream_, prompter_);
}

bool HardwareSession::saveRecords() {
    const std::string& code = settings_.currentHardware;
    if (code.empty() || romTableCode_ != code) return false;
    bool merged = false;
    const bool saved = romTable_.saveMerging(stream_, recordsPath(), merged);
    if (merged && recordsReplaced_) recordsReplaced_();
    return saved;
}

std::string HardwareSession::recordsPath() const {
    return dataFile("RomData_", settings_.currentHardware, ".slb");
}

bool HardwareSession::saveEditedRecords() {
    const std::string& code = settings_.currentHardware;
    if (code.empty() || romTableCode_ != code || !romTable_.edited()) return true;
    return saveRecords();
}

bool HardwareSession::takeRecordChangesFromDisk() {
    const std::string& code = settings_.currentHardware;
    if (code.empty() || romTableCode_ != code) return false;
    if (!romTable_.takeChangesFromDisk(stream_, recordsPath())) return false;
    if (recordsReplaced_) recordsReplaced_();
    return true;
}

std::optional<std::size_t> HardwareSession::recordsDamageOffset() const {
    if (settings_.currentHardware.empty()) return std::nullopt;
    return DataStream::damageOffset(recordsPath());
}

void HardwareSession::setCategoryItems(int list, std::vector<std::string> items) {
    if (list < 0 || list >= kCategoryListCount) return;
    categoryLists_.items[static_cast<std::size_t>(list)] = std::move(items);
    notices_.categoryListsChanged();
}

void HardwareSession::loadCategoryLists() {
    classListCode_.clear();
    categoryLists_.load(stream_, folder_, settings_.currentHardware, prompter_);
    categoriesLoaded_ = true;
    classListCode_ = settings_.currentHardware;
    notices_.categoryListsChanged();
}

bool HardwareSession::fillHardwareCombo() {
    const std::string before = settings_.currentHardware;
    hardwareCombo_ = ComboContents{};
    for (const auto& row : hardwareTable())
        if (folderSettingsExist(row.code)) hardwareCombo_.items.push_back(displayName(row.code));
    if (hardwareCombo_.items.empty()) hardwareCombo_.items.emplace_back(kNotSet);

    const std::string current = displayName(settings_.currentHardware);
    for (std::size_t i = 0; i < hardwareCombo_.items.size(); ++i) {
        if (hardwareCombo_.items[i] == current) {
            hardwareCombo_.selected = static_cast<int>(i);
            break;
        }
    }
    if (hardwareCombo_.selected < 0) {
        hardwareCombo_.selected = 0;
        settings_.currentHardware =
            customNameToCode(hardwareCombo_.items[0], settings_.customNames);
    }
    notices_.hardwareComboChanged();
    return settings_.currentHardware != before;
}

void HardwareSession::fillEmulatorCombo() {
    emulatorCombo_ = ComboContents{};
    for (const auto& e : emulators_)
        if (!e.executable.empty() && fs::fileExists(e.executable))
            emulatorCombo_.items.push_back(e.name);
    if (emulatorCombo_.items.empty()) emulatorCombo_.items.emplace_back(kNotSet);
    emulatorCombo_.selected = 0;
    const int i = index();
    if (i >= 0) {
        std::string& remembered = settings_.emulatorNames[static_cast<std::size_t>(i)];
        for (std::size_t k = 0; k < emulatorCombo_.items.size(); ++k) {
            if (emulatorCombo_.items[k] == remembered) {
                emulatorCombo_.selected = static_cast<int>(k);
                break;
            }
        }
        const std::string chosen = emulatorCombo_.selectedText();
        remembered = chosen == kNotSet ? std::string() : chosen;
    }
    notices_.emulatorComboChanged();
}

void HardwareSession::chooseHardware(int index) {
    const std::string previous = settings_.currentHardware;
    windows_.hide(ModelessWindow::Registration);  // it edits the old hardware's records
    if (index < 0 || index >= static_cast<int>(hardwareCombo_.items.size())) return;
    hardwareCombo_.selected = index;
    saveCurrentFiles();
    settings_.currentHardware = customNameToCode(
        hardwareCombo_.items[static_cast<std::size_t>(index)], settings_.customNames);
    if (settings_.currentHardware == previous) return;
    reload(Reload::Switch);
}

void HardwareSession::chooseEmulator(int index) {
    if (index < 0 || index >= static_cast<int>(emulatorCombo_.items.size())) return;
    emulatorCombo_.selected = index;
    const int hw = this->index();
    if (hw < 0) return;
    const std::string chosen = emulatorCombo_.selectedText();
    settings_.emulatorNames[static_cast<std::size_t>(hw)] =
        chosen == kNotSet ? std::string() : chosen;
}

void HardwareSession::recordSessionTempFolder(const std::string& folder) {
    if (folder.empty()) return;
    for (const auto& entry : sessionTempFolders_)
        if (entry == folder) return;
    for (auto& entry : sessionTempFolders_) {
        if (entry.empty()) {
            entry = folder;
            return;
        }
    }
}

}  // namespace romshelf
