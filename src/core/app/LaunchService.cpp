#include "core/app/LaunchService.h"

#include "core/platform/FileSystem.h"
#include "core/settings/HardwareTable.h"
#include "core/settings/RecentLaunchList.h"
#include "core/text/FileNames.h"
#include "core/views/DiscSets.h"

namespace romshelf {

LaunchService::LaunchService(HardwareSession& session, MainSettings& settings,
                             const PlusSettings& plus, const ProgramFolder& folder,
                             const FileListController& fileList, const Host& host,
                             ApplicationListener& notices, BusyGuard& busy)
    : session_(session),
      settings_(settings),
      plus_(plus),
      folder_(folder),
      fileList_(fileList),
      host_(host),
      notices_(notices),
      busy_(busy) {}

bool LaunchService::launchRow(int row) {
    const FileListView rows = fileList_.list().rows();
    if (row < 0 || static_cast<std::size_t>(row) >= rows.size()) return false;
    const FileListRow& r = rows[static_cast<std::size_t>(row)];
    // Copied now: the rows may be rebuilt while the launch runs.
    LaunchRequest request{r.gameName(), r.fileName(), r.folderNumber, r.recordIndex};
    // A second Enter or double click while the game starts or runs is no second game.
    if (r.folderNumber >= 0 &&
        executor_.running(session_.index(), request.folderNumber, request.fileName)) {
        LaunchLog(*this).line("「" + request.gameName + "」は起動中です。");
        return false;
    }
    BusyGuard::Scope busy(busy_);
    if (traitsOf(session_.code()).otherSoftware)
        return executor_.startOtherSoftware(request.gameName, request.folderNumber);
    return executor_.launch(request);
}

bool LaunchService::launchFile(const LaunchRequest& request) {
    BusyGuard::Scope busy(busy_);
    return executor_.launch(request);
}

bool LaunchService::launchRecent(int k) {
    const std::optional<RecentLaunch> entry = recentLaunch(k);
    if (!entry) return false;
    return launchFile({entry->displayName, entry->fileName, entry->folderNumber, -1});
}

bool LaunchService::startEmulatorOnly() {
    BusyGuard::Scope busy(busy_);
    return executor_.startEmulatorOnly();
}

std::string LaunchService::selectedEmulatorName() const {
    return session_.emulatorCombo().selectedText();
}

int LaunchService::preferredEmulator(int recordIndex, const std::string& fileName) const {
    const RomTable& records = session_.romTable();
    if (recordIndex < 0 || recordIndex >= records.count()) return -1;
    const RomRecord& record = records[recordIndex];
    // A record that no longer stands for this file says nothing about it.
    if (record.fileTitle != fs::pathTitle(fileName)) return -1;
    return record.preferredEmulator;
}

void LaunchService::recordLaunch(int index, const LaunchRequest& request) {
    if (index < 0 || index >= kHardwareSlots) return;
    const bool current = index == session_.index();
    const RecentLaunch launch{request.gameName, request.fileName, request.folderNumber};
    // Another hardware's folders are not in memory: its entries cannot be checked now.
    const bool changed = addRecentLaunch(
        settings_.recentLaunches[static_cast<std::size_t>(index)], launch,
        [this, current](const RecentLaunch& e) { return !current || recentFileExists(e); });
    if (changed && current) notices_.recentFilesChanged();
}

std::array<std::optional<std::string>, kRecentLaunchCount> LaunchService::recentFileLabels() const {
    const int index = session_.index();
    if (index < 0) return {};
    return romshelf::recentFileLabels(settings_.recentLaunches[static_cast<std::size_t>(index)]);
}

std::optional<RecentLaunch> LaunchService::recentLaunch(int k) const {
    const int index = session_.index();
    if (index < 0 || k < 0 || k >= kRecentLaunchCount) return std::nullopt;
    const RecentLaunch& entry = settings_.recentLaunches[static_cast<std::size_t>(index)][k];
    if (entry.empty()) return std::nullopt;
    return entry;
}

bool LaunchService::recentFileExists(const RecentLaunch& entry) const {
    const std::string folder = session_.romFolderPath(entry.folderNumber);
    if (folder.empty()) return false;
    // A disc set's row names no file of its own.
    return fs::fileExists(text::pathOnDisk(folder, entry.fileName)) ||
           !discSetPaths(folder, entry.fileName).empty();
}

}  // namespace romshelf
