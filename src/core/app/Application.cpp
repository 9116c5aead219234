#include "core/app/Application.h"

#include <chrono>
#include <ctime>

#include "core/platform/FileSystem.h"
#include "core/platform/PendingFile.h"
#include "core/storage/MoveJournal.h"
#include "core/app/FirstSteps.h"
#include "core/rename/IdentityScan.h"
#include "core/app/StoredPaths.h"
#include "core/app/UnsavedNotes.h"
#include "core/settings/DataBackup.h"
#include "core/settings/HardwareTable.h"
#include "core/settings/LaunchCounter.h"
#include "core/text/FileNames.h"

namespace romshelf {

Application::Application(ProgramFolder folder, const Host& host)
    : folder_(std::move(folder)),
      host_(host),
      lock_(folder_.dataFile("romshelf.lock")),
      session_(
          folder_, settings_, stream_, host.prompter, host.windows, notices_,
          [this] {
              tellUnmappedPaths();
              if (!showStartList_) return;
              if (startingUp_) countLaunch(settings_, host_.prompter);
              fileList_.showStartList();
          },
          [this] { launching_.forgetLastLaunchedFile(); }),
      fileList_(session_, settings_, plus_, folder_, notices_),
      launching_(session_, settings_, plus_, folder_, fileList_, host_, notices_, busy_),
      settingsCommands_(session_, settings_, stream_, host.prompter, folder_, notices_),
      tempFolders_(session_, folder_, stream_, host.prompter),
      categoryCommands_(session_, stream_, host.prompter),
      windowLayout_(settings_, folder_, host.prompter, notices_, [this] {
          saveMainSettings();
          reportFailedSaves(stream_, host_.prompter);
      }) {
    stream_.setKeepsRefusedCopies(true);
    history_.setReport([this](const std::string& text) {
        host_.prompter.inform(text, std::string(kWarningTitle));
    });
    launching_.whenEmulatorEnded([this](const EmulatorSession& run) { recordPlay(run); });
    fileList_.whenBuilt([this](bool everyFile) { following_.listBuilt(everyFile); });
    categoryCommands_.whenRecordsChanged([this] { fileList_.refreshRecordRows(); });
    session_.whenRecordsReplaced([this] {
        fileList_.relinkRecords();
        notices_.detailPanesCleared();
    });
    startedAt_ = static_cast<long long>(std::time(nullptr));
}

void Application::sortFileListByPlays(PlaySort by) {
    fileList_.sortByKey([this, by](const FileListRow& row) {
        const PlayStats s = playStats(row);
        return by == PlaySort::PlayTime    ? s.seconds
               : by == PlaySort::PlayCount ? static_cast<long long>(s.count)
                                           : s.lastPlayed;
    });
}

void Application::changePlusSettings(const PlusSettings& settings) {
    const bool drivesChanged =
        settings.drives != plus_.drives || settings.winePrefix != plus_.winePrefix;
    const bool listChanged =
        settings.regionOrder != plus_.regionOrder || settings.onePerGame != plus_.onePerGame;
    plus_ = settings;
    // Another region order picks other files for one per game, and orders the columns anew.
    if (listChanged && !drivesChanged && started_ && session_.index() >= 0) fileList_.showAgain();
    if (!drivesChanged) return;
    refreshDrives();
    // The folders and emulators lead elsewhere now.
    if (started_ && session_.index() >= 0) session_.reload(Reload::FolderSettings);
}

void Application::tellUnmappedPaths() {
    for (const auto& [label, path] : unmappedCurrentPaths(*this)) {
        // Once per path and run: a reload does not repeat it.
        if (!toldUnmapped_.insert(path).second) continue;
        LaunchLog log = launching_.logWriter();
        log.error(unmappedPathMessage(path, label));
        log.colour(LogColour::Black);
    }
}

void Application::refreshDrives() {
    std::vector<DriveMapping> user;
    for (const auto& [root, folder] : plus_.drives) {
        std::string normal = normalisedWindowsRoot(root);
        if (!normal.empty() && !folder.empty()) user.push_back({std::move(normal), folder});
    }
    settingsCommands_.setWinePrefix(plus_.winePrefix);
    folder_.setDrives(DriveMap(std::move(user),
                               findDrives(DriveSearchPlaces::fromEnvironment(plus_.winePrefix))));
}

LoadResult Application::loadMainSettings() {
    loadPlusSettings(folder_.dataFile(kPlusSettingsFile), plus_);
    plusOnDisk_ = plus_;
    refreshDrives();
    return romshelf::loadMainSettings(stream_, mainDataPath(), host_.prompter, settings_);
}

bool Application::saveMainSettings() {
    // Written only when changed: most runs never touch these, and a reading command writes nothing.
    if (plus_ != plusOnDisk_ && fs::directoryExists(folder_.dataFolder())) {
        if (!savePlusSettings(folder_.dataFile(kPlusSettingsFile), plus_)) return false;
        plusOnDisk_ = plus_;
    }
    return romshelf::saveMainSettings(stream_, mainDataPath(), settings_);
}

void Application::setDiscSets(bool on) {
    if (plus_.discSets == on) return;
    plus_.discSets = on;
    if (session_.index() < 0) return;
    notices_.detailPanesCleared();
    fileList_.showStartList();
}

void Application::setOnePerGame(bool on, bool buildAgain) {
    if (plus_.onePerGame == on) return;
    plus_.onePerGame = on;
    if (!buildAgain || session_.index() < 0) return;
    notices_.detailPanesCleared();
    fileList_.showAgain();
}

WriterLock::Result Application::lockProgramFolder(
    std::string_view role, int waitMs,
    const std::function<void(const WriterLock::Holder&)>& waiting, bool takeOver) {
    lockRole_ = role;
    if (!fs::directoryExists(folder_.dataFolder())) return WriterLock::Result::Acquired;
    if (takeOver) return lock_.tryAcquire(role, true);
    return lock_.acquire(role, waitMs, waiting);
}

bool Application::asWriter(const std::function<void()>& change) {
    const bool borrowed = !lock_.held();
    if (borrowed && lock_.tryAcquire(lockRole_) != WriterLock::Result::Acquired) return false;
    change();
    if (borrowed) lock_.release();
    return true;
}

ReplayReport Application::finishInterruptedChanges() {
    if (!fs::pathExists(folder_.dataFile(MoveJournal::fileName()))) return {};
    // Only a writer finishes it: a reader may look while the window works on it.
    const bool borrowed = !lock_.held();
    if (borrowed && lock_.tryAcquire(lockRole_) != WriterLock::Result::Acquired) return {};
    ReplayReport report = finishMoveJournal(folder_, settings_, stream_, host_.prompter);
    if (borrowed) lock_.release();
    LaunchLog log = launching_.logWriter();
    if (report.followed > 0)
        log.line("前回中断した処理で名前が変わった " + std::to_string(report.followed) +
                 " 個のファイルに、情報・スナップなどを移しました。");
    if (!report.saved) log.error("前回中断した処理の後始末を保存できませんでした。");
    // What was loaded before is stale now.
    if (started_ && report.followed > 0 && report.hardware == currentCode())
        session_.reload(Reload::FolderSettings);
    return report;
}

bool Application::saveRecordEdits() {
    std::vector<DataStream::FailedSave> before = stream_.takeFailedSaves();
    session_.saveEditedRecords();
    const std::vector<DataStream::FailedSave> failed = stream_.takeFailedSaves();
    for (DataStream::FailedSave& f : before) stream_.addFailedSave(std::move(f));
    if (failed.empty()) {
        lastEditSaveFailure_.clear();
        return true;
    }
    const std::string text = failedSavesText(failed);
    if (text != lastEditSaveFailure_) {
        lastEditSaveFailure_ = text;
        launching_.logWriter().error(text);
        host_.prompter.inform(text, std::string(kWarningTitle));
    }
    return false;
}

bool Application::takeRecordChangesFromDisk() {
    if (!started_) return false;
    return session_.takeRecordChangesFromDisk();
}

void Application::startUp(StartList list) {
    // Saves cut short by a crash leave their temporary files behind.
    removeLeftoverPendingFiles(folder_.dataFolder(), startedAt_);
    finishInterruptedChanges();
    if (const auto& before = lock_.tookOverFrom())
        launching_.logWriter().line("書き込みを止めていた" + describeHolderInJapanese(*before) +
                                    " は終了していたので、プログラムフォルダを引き継ぎました。");
    if (lock_.held() && lock_.onNetworkShare())
        launching_.logWriter().line(
            "プログラムフォルダはネットワーク上にあります。ほかのコンピュータと同時に書き込まない"
            "よう、" +
            lock_.ownerPath() + " で使用中を知らせています。");
    for (const std::string& note : takeUnsavedNotes(folder_))
        launching_.logWriter().error("前回の終了時に保存できなかったファイルがあります。" + note);
    showStartList_ = list == StartList::Show;
    startingUp_ = true;
    session_.reload(Reload::StartUp);
    started_ = true;
    startingUp_ = false;
    showStartList_ = true;
}

bool Application::shutDown(bool attended) {
    following_.stop();
    launching_.executor().finishPendingLaunches();
    saveMainSettings();
    session_.saveCurrentFiles(false);
    // A program folder deleted while the program ran stays deleted: the keys are not worth
    // bringing it back (a cache folder of its own, under ~/.cache, is made as needed).
    if (fs::directoryExists(folder_.dataFolder())) fileList_.saveSortKeys();
    std::vector<DataStream::FailedSave> failed = stream_.takeFailedSaves();
    const bool saved = failed.empty();
    if (!saved) {
        const std::string text = failedSavesText(failed);
        if (!attended) leaveUnsavedNote(folder_, text);
        host_.prompter.inform(text, std::string(kWarningTitle));
    }
    tempFolders_.clean();
    // Unasked and untold at exit: a box here would hold up a session's logout, and the data
    // itself was saved above (the command names what it could not copy).
    if (settings_.option(Option::BackupAtExit)) backUpDataFolder(folder_);
    host_.sound.stop();
    return saved;
}

bool Application::backUpData() {
    if (!host_.prompter.ask("dataフォルダの中身をバックアップしますか？", "バックアップ確認"))
        return false;
    const std::vector<std::string> failed = backUpDataFolder(folder_);
    host_.prompter.inform("backupフォルダにdataフォルダの中身をコピーしました。",
                          "バックアップ完了");
    tellUncopied(failed);
    return true;
}

void Application::tellUncopied(const std::vector<std::string>& names) {
    if (names.empty()) return;
    std::string message = "次のファイルはbackupフォルダにコピーできませんでした。\n";
    for (const std::string& name : names) message += "\n" + text::fileNameText(name);
    host_.prompter.inform(message, std::string(kWarningTitle));
}

void Application::setWindowSlot(int slot, const WindowSlot& placement) {
    if (slot >= 0 && slot < kWindowSlotCount)
        settings_.windowSlots[static_cast<std::size_t>(slot)] = placement;
}

CompanionReport Application::renameCompanions(const std::string& oldName,
                                              const std::string& newName, int recordIndex,
                                              int newFolderNumber) {
    const int hardware = session_.index();
    if (hardware < 0 || hardware >= kHardwareSlots) return {};
    CompanionPlaces places{session_.folders().folders, session_.records(),
                           settings_.recentLaunches[static_cast<std::size_t>(hardware)]};
    CompanionReport report = romshelf::renameCompanions(places, oldName, newName, recordIndex);
    if (newFolderNumber >= 0)
        for (RecentLaunch& entry : places.recent)
            if (!entry.empty() && entry.fileName == newName) entry.folderNumber = newFolderNumber;
    notices_.recentFilesChanged();
    return report;
}

PlayKey Application::playKey(const std::string& code, int folderNumber,
                             const std::string& fileName) {
    PlayKey key{code, fs::pathTitle(fileName), std::nullopt, std::nullopt};
    if (code != currentCode()) return key;  // another hardware's folders are not loaded
    const std::string folder = session_.romFolderPath(folderNumber);
    if (folder.empty()) return key;
    const std::string path = text::pathOnDisk(folder, fileName);
    IdentityCache& cache = following_.cache();
    if (!cache.open()) return key;
    // Sums of the file as it was once are no longer its own.
    if (const std::optional<CachedIdentity> cached = cachedIdentity(cache, path)) {
        key.size = cached->size, key.crc = cached->crc;
        // The whole second it was written in: a run started within it came after.
        constexpr std::int64_t kNs = 1'000'000'000;
        key.since = cached->mtimeNs / kNs - (cached->mtimeNs % kNs < 0 ? 1 : 0);
    }
    return key;
}

std::string Application::datNameOf(const FileListRow& row) {
    if (row.folderNumber < 0) return {};
    const PlayKey key = playKey(currentCode(), row.folderNumber, row.fileName());
    if (!key.hashed()) return {};
    return datNames_.nameOf(currentCode(), *key.size, *key.crc);
}

void Application::recordPlay(const EmulatorSession& run) {
    // The emulator alone played no game.
    if (run.request.folderNumber < 0 || run.request.fileName.empty()) return;
    const std::string code(hardwareCodeOf(run.hardwareIndex));
    if (code.empty()) return;
    using std::chrono::duration_cast, std::chrono::seconds;
    PlayRecord record;
    record.key = playKey(code, run.request.folderNumber, run.request.fileName);
    record.started = std::chrono::system_clock::to_time_t(run.started);
    record.seconds = duration_cast<seconds>(run.ended - run.started).count();
    record.status = run.end.status();
    record.failed = run.end.failed();
    // Nothing to protect before there is a data folder; the history makes none of its own.
    if (!fs::directoryExists(folder_.dataFolder())) return;
    if (asWriter([&] { history_.record(record); })) return;
    const WriterLock::Holder& holder = lock_.holder();
    LaunchLog log = launching_.logWriter();
    const std::string& name = run.request.gameName;
    log.error("「" + (name.empty() ? fs::pathTitle(run.request.fileName) : name) +
              "」のプレイ記録を保存できませんでした。");
    log.line("> 使用中: " + holder.role +
             (holder.pid > 0 ? " (プロセス " + std::to_string(holder.pid) + ")" : ""));
    log.colour(LogColour::Black);
}

}  // namespace romshelf
