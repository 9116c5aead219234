#include "core/app/Application.h"

#include "core/settings/HardwareTable.h"
#include "core/settings/RecentLaunchList.h"
#include "core/platform/FileSystem.h"

namespace romshelf {

std::string ComboContents::selectedText() const {
    if (selected < 0 || selected >= static_cast<int>(items.size())) return {};
    return items[static_cast<std::size_t>(selected)];
}

Application::Application(ProgramFolder folder, Prompter& prompter)
    : folder_(std::move(folder)), prompter_(prompter) {
    folders_ = emptyLoadedFolders(folder_.path());
}

bool Application::createFolders() { return folder_.createSubfolders(); }

LoadResult Application::loadMainSettings() {
    return romshelf::loadMainSettings(stream_, mainDataPath(), prompter_, settings_);
}

bool Application::saveMainSettings() {
    return romshelf::saveMainSettings(stream_, mainDataPath(), settings_);
}

void Application::startUp() {
    sessionTempFolders_.fill({});
    loadCurrentHardwareData();
    fillHardwareComboAndLoad();
    fillEmulatorCombo();
    loadCategoryLists();
    listener_->recentFilesChanged();
    listener_->categoryNamesChanged();
    showStartList();
}

bool Application::shutDown() {
    launcher_.finishPendingLaunches();
    bool ok = saveMainSettings();
    saveCurrentHardwareFiles();
    return ok;
}

int Application::currentIndex() const { return hardwareIndexOf(settings_.currentHardware); }

std::string Application::displayName(std::string_view code) {
    return codeToCustomName(code, settings_.customNames);
}

bool Application::folderSettingsExist(std::string_view code) const {
    if (code.empty()) return false;
    return fs::fileExists(folderSettingsPath(code));
}

std::string Application::folderSettingsPath(std::string_view code) const {
    return folder_.perHardwareFile("Folder_", code, ".slb");
}

void Application::loadCurrentHardwareData() {
    std::string& code = settings_.currentHardware;
    // Until this hardware's records are read, nothing in memory may be saved under its code
    // (a message box below can let a shut-down run in the middle).
    romTable_.reset();
    romTableCode_.clear();
    rejectedFolderCode_.clear();
    FolderSettings stored;
    const LoadResult folderResult =
        code.empty() ? LoadResult::Missing
                     : loadFolderSettingsFile(stream_, folderSettingsPath(code), prompter_, stored);
    if (folderResult == LoadResult::Loaded) {
        folders_ = resolveLoadedFolders(std::move(stored), folder_.path(), code == "HARD");
    } else {
        if (folderResult == LoadResult::Rejected) rejectedFolderCode_ = code;
        code.clear();
        folders_ = emptyLoadedFolders(folder_.path());
    }
    recordSessionTempFolder(folders_.folders.tempFolder);

    emulators_ = EmulatorEntries{};
    if (!code.empty())
        loadEmulatorEntries(stream_, emulatorSettingsPath(code), prompter_, folder_.path(),
                            emulators_);

    if (!code.empty())
        romTable_.load(stream_, folder_.perHardwareFile("RomData_", code, ".slb"), prompter_);
    romTableCode_ = code;

    const int index = currentIndex();
    classListName_ = index >= 0 ? settings_.classListNames[static_cast<std::size_t>(index)]
                                : std::string(kDefaultClassListName);
    listener_->categoryNamesChanged();
}

void Application::saveCurrentHardwareFiles() {
    const std::string& code = settings_.currentHardware;
    if (code.empty()) return;
    // Data is only ever written under the code it was read for.
    if (romTableCode_ == code) romTable_.save(stream_, folder_.perHardwareFile("RomData_", code, ".slb"));
    if (categoriesLoaded_) categoryLists_.save(stream_, folder_, code, classListCode_ == code);
}

void Application::loadCategoryLists() {
    classListCode_.clear();
    categoryLists_.load(stream_, folder_, settings_.currentHardware, prompter_);
    categoriesLoaded_ = true;
    classListCode_ = settings_.currentHardware;
    listener_->categoryListsChanged();
}

std::array<std::string, kCategoryListCount> Application::categoryNames() const {
    std::array<std::string, kCategoryListCount> names;
    for (int i = 0; i < kCategoryCount; ++i) names[static_cast<std::size_t>(i)] = settings_.categoryNames[static_cast<std::size_t>(i)];
    names[kHardwareClassList] = classListName_;
    return names;
}

FolderDialogModel Application::openFolderSettings(const std::string& code) {
    saveCurrentHardwareFiles();
    FolderSettings stored;
    loadFolderSettingsFile(stream_, folderSettingsPath(code), prompter_, stored);
    return FolderDialogModel(std::move(stored), displayName(code), folder_.path());
}

bool Application::saveFolderSettings(const std::string& code, FolderDialogModel& model) {
    model.commitPage();
    if (saveFolderSettingsFile(stream_, folderSettingsPath(code), model.settings())) return true;
    prompter_.inform("フォルダ設定ファイルを保存できませんでした。\n" + folderSettingsPath(code),
                     std::string(kWarningTitle));
    return false;
}

void Application::folderSettingsConfirmed(const std::string& code, const std::string& displayName) {
    const int index = hardwareIndexOf(code);
    if (index >= 0) settings_.customNames[static_cast<std::size_t>(index)] = displayName;
    const std::string before = settings_.currentHardware;
    fillHardwareComboAndLoad();
    if (code == settings_.currentHardware && code == before) {
        loadCurrentHardwareData();
        fillEmulatorCombo();
        loadCategoryLists();
        showStartList();
        listener_->hardwareDataReloaded();
    } else if (settings_.currentHardware != before) {
        // The first hardware set up becomes current at once.
        reloadAfterSwitch();
    }
}

std::string Application::emulatorSettingsPath(std::string_view code) const {
    return folder_.perHardwareFile("Emulator_", code, ".slb");
}

EmulatorDialogModel Application::openEmulatorSettings(const std::string& code) {
    saveCurrentHardwareFiles();
    EmulatorEntries stored;
    loadEmulatorFile(stream_, emulatorSettingsPath(code), prompter_, stored);
    return EmulatorDialogModel(code, std::move(stored), displayName(code), folder_.path(),
                               settings_.toolPaths[0]);
}

bool Application::saveEmulatorSettings(const std::string& code, EmulatorDialogModel& model) {
    if (saveEmulatorFile(stream_, emulatorSettingsPath(code), model.entriesToSave())) return true;
    prompter_.inform("エミュレータ設定ファイルを保存できませんでした。\n" + emulatorSettingsPath(code),
                     std::string(kWarningTitle));
    return false;
}

void Application::emulatorSettingsConfirmed(const std::string& code) {
    if (code.empty() || code != settings_.currentHardware) return;
    loadCurrentHardwareData();
    fillEmulatorCombo();
    loadCategoryLists();
    // Reading the ROM information again drops deleted records and renumbers the rest, so the
    // rows must be built again or they would point at other records.
    showStartList();
    listener_->hardwareDataReloaded();
}

void Application::fillHardwareComboAndLoad() {
    const std::string before = settings_.currentHardware;
    fillHardwareCombo();
    // Another hardware became current: its records must be in memory, or a record added to it
    // would be saved as its only one. A folder file just refused is not read (and told) again.
    if (settings_.currentHardware != before && !settings_.currentHardware.empty() &&
        settings_.currentHardware != rejectedFolderCode_)
        loadCurrentHardwareData();
}

void Application::reloadAfterSwitch() {
    fillEmulatorCombo();
    listener_->recentFilesChanged();
    loadCategoryLists();
    showStartList();
    lastLaunchedFile_.clear();
    listener_->hardwareDataReloaded();
}

void Application::fillHardwareCombo() {
    hardwareCombo_ = ComboContents{};
    for (const auto& row : hardwareTable()) {
        if (folderSettingsExist(row.code)) hardwareCombo_.items.push_back(displayName(row.code));
    }
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
        settings_.currentHardware = customNameToCode(hardwareCombo_.items[0], settings_.customNames);
    }
    listener_->hardwareComboChanged();
}

void Application::fillEmulatorCombo() {
    emulatorCombo_ = ComboContents{};
    for (const auto& e : emulators_)
        if (!e.executable.empty() && fs::fileExists(e.executable))
            emulatorCombo_.items.push_back(e.name);
    if (emulatorCombo_.items.empty()) emulatorCombo_.items.emplace_back(kNotSet);
    const int index = currentIndex();
    if (index < 0) {
        emulatorCombo_.selected = 0;
    } else {
        std::string& remembered = settings_.emulatorNames[static_cast<std::size_t>(index)];
        emulatorCombo_.selected = 0;
        for (std::size_t i = 0; i < emulatorCombo_.items.size(); ++i) {
            if (emulatorCombo_.items[i] == remembered) {
                emulatorCombo_.selected = static_cast<int>(i);
                break;
            }
        }
        const std::string chosen = emulatorCombo_.selectedText();
        remembered = chosen == kNotSet ? std::string() : chosen;
    }
    listener_->emulatorComboChanged();
}

void Application::chooseHardware(int index) {
    const std::string previous = settings_.currentHardware;
    listener_->hideRegistrationDialog();  // it edits the old hardware's records
    if (index < 0 || index >= static_cast<int>(hardwareCombo_.items.size())) return;
    hardwareCombo_.selected = index;
    saveCurrentHardwareFiles();
    settings_.currentHardware =
        customNameToCode(hardwareCombo_.items[static_cast<std::size_t>(index)], settings_.customNames);
    if (settings_.currentHardware == previous) return;

    loadCurrentHardwareData();
    reloadAfterSwitch();
}

void Application::chooseEmulator(int index) {
    if (index < 0 || index >= static_cast<int>(emulatorCombo_.items.size())) return;
    emulatorCombo_.selected = index;
    const int hw = currentIndex();
    if (hw < 0) return;
    const std::string chosen = emulatorCombo_.selectedText();
    settings_.emulatorNames[static_cast<std::size_t>(hw)] = chosen == kNotSet ? std::string() : chosen;
}

bool Application::deleteSettingsFile(std::string_view code) {
    const std::string question = displayName(code) + "の\nフォルダ設定ファイルを削除してもいいですか？";
    if (!prompter_.ask(question, std::string(kWarningTitle))) return false;
    const std::string path = folder_.perHardwareFile("Folder_", code, ".slb");
    if (!fs::fileExists(path)) return false;
    saveCurrentHardwareFiles();
    if (!fs::removeFile(path)) {
        prompter_.inform("フォルダ設定ファイルを削除できませんでした。\n" + path,
                         std::string(kWarningTitle));
        return false;
    }
    loadCurrentHardwareData();
    fillHardwareComboAndLoad();
    fillEmulatorCombo();
    loadCategoryLists();
    listener_->recentFilesChanged();
    listener_->categoryNamesChanged();
    showStartList();
    listener_->hardwareDataReloaded();
    return true;
}

void Application::addRecentLaunch(const std::string& displayName, const std::string& fileName,
                                  int folderNumber) {
    addRecentLaunchFor(currentIndex(), displayName, fileName, folderNumber);
}

void Application::addRecentLaunchFor(int index, const std::string& displayName,
                                     const std::string& fileName, int folderNumber) {
    if (index < 0 || index >= kHardwareSlots) return;
    const bool current = index == currentIndex();
    RecentLaunch launch{displayName, fileName, folderNumber};
    // Another hardware's folders are not in memory: its entries cannot be checked now.
    const bool changed = romshelf::addRecentLaunch(
        settings_.recentLaunches[static_cast<std::size_t>(index)], launch,
        [this, current](const RecentLaunch& e) { return !current || recentFileExists(e); });
    if (changed && current) listener_->recentFilesChanged();
}

bool Application::launchRow(int row) {
    const auto rows = fileList_.rows();
    if (row < 0 || static_cast<std::size_t>(row) >= rows.size()) return false;
    const FileListRow& r = rows[static_cast<std::size_t>(row)];
    if (settings_.currentHardware == "HARD") return launcher_.startOtherSoftware(r.cells[0], r.folderNumber);
    return launcher_.launch({r.cells[0], r.cells[2], r.folderNumber, row});
}

bool Application::launchRecent(int k) {
    const std::optional<RecentLaunch> entry = recentLaunch(k);
    if (!entry) return false;
    return launcher_.launch({entry->displayName, entry->fileName, entry->folderNumber, -1});
}

void Application::log(std::string line) {
    systemLog_.addLine(std::move(line));
    listener_->systemLogChanged();
}

std::array<std::optional<std::string>, kRecentLaunchCount> Application::recentFileLabels() const {
    const int index = currentIndex();
    if (index < 0) return {};
    return romshelf::recentFileLabels(settings_.recentLaunches[static_cast<std::size_t>(index)]);
}

FileListSources Application::fileListSources() const {
    FileListSources s;
    s.code = settings_.currentHardware;
    s.hardwareName = displayNameOf(s.code, settings_.customNames);
    s.folders = &folders_.folders;
    s.records = &romTable_;
    s.lists = &categoryLists_;
    s.categoryNames = categoryNames();
    if (snapSlot_ >= 0 && snapSlot_ < kSnapFolderCount)
        s.snapFolder = folders_.folders.snapFolderPaths[static_cast<std::size_t>(snapSlot_)];
    s.noHavePath = folder_.perHardwareFile("NoHave_", s.code, ".txt");
    s.listMissingFiles = settings_.option(Option::ListMissingFiles);
    s.neverSort = settings_.option(Option::NeverSort);
    s.kanaSensitive = settings_.option(Option::SortDistinguishesKana);
    return s;
}

void Application::showAll() {
    fileList_.showAll(fileListSources());
    listener_->fileListChanged();
}

void Application::showFiltered(FolderWindowKind kind, int item, std::string label) {
    fileList_.showFiltered(fileListSources(), kind, item, std::move(label));
    listener_->fileListChanged();
}

void Application::showSearchResult(SearchCriteria criteria) {
    fileList_.showSearchResult(fileListSources(), std::move(criteria));
    listener_->fileListChanged();
}

void Application::showUnregistered() {
    fileList_.showUnregistered(fileListSources());
    listener_->fileListChanged();
}

void Application::showWithoutSnap() {
    fileList_.showWithoutSnap(fileListSources());
    listener_->fileListChanged();
}

void Application::showFavourites() { showFiltered(FolderWindowKind::Favourites, 1, std::string(kRegisteredItem)); }

void Application::showStartList() {
    if (settings_.option(Option::ShowFirstRomFolder))
        showFiltered(FolderWindowKind::RomFolder, 0, folders_.folders.romFolderNames[0]);
    else
        showAll();
}

void Application::sortFileListByColumn(int column) {
    fileList_.clickColumn(column, fileListSources());
    listener_->fileListChanged();
}

std::optional<RecentLaunch> Application::recentLaunch(int k) const {
    const int index = currentIndex();
    if (index < 0 || k < 0 || k >= kRecentLaunchCount) return std::nullopt;
    const RecentLaunch& entry = settings_.recentLaunches[static_cast<std::size_t>(index)][k];
    if (entry.empty()) return std::nullopt;
    return entry;
}

std::string Application::romFolderPath(int folderNumber) const {
    if (folderNumber < 0 || folderNumber >= kRomFolderCount) return {};
    return folders_.folders.romFolderPaths[static_cast<std::size_t>(folderNumber)];
}

bool Application::recentFileExists(const RecentLaunch& entry) const {
    const std::string folder = romFolderPath(entry.folderNumber);
    if (folder.empty()) return false;
    return fs::fileExists(fs::joinPath(folder, entry.fileName));
}

void Application::recordSessionTempFolder(const std::string& folder) {
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
