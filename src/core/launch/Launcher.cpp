#include "core/launch/Launcher.h"

#include <unistd.h>

#include "core/platform/AsciiCase.h"
#include "core/app/Application.h"
#include "core/settings/PathRules.h"
#include "core/archive/ArchiveExtractor.h"
#include "core/archive/ArchiveTypes.h"
#include "core/launch/CommandLine.h"
#include "core/launch/IniFile.h"
#include "core/platform/Desktop.h"
#include "core/platform/FileSystem.h"
#include "core/platform/ProcessRunner.h"

namespace romshelf {

namespace {

bool containsBlank(const std::string& s) { return s.find(' ') != std::string::npos; }

constexpr const char* kNoEmulator = "指定されたエミュレータが正常に設定されていません。";
constexpr const char* kStartFailed = "エミュレータの起動に失敗しました。";
constexpr const char* kFinished = "正常に起動プロセスが終了しました。";

}  // namespace

std::string shortPath(const std::string& path) {
    // Short (8.3) names do not exist here: the short form is the path itself.
    if (path.empty()) return {};
    if (path.back() != '/' && !fs::pathExists(path)) return {};
    return path;
}

std::string secondDisk(const std::string& path) {
    const std::string title = fs::pathTitle(path);
    if (title.empty()) return {};
    const char last = title.back();
    const char* next = last == '1' ? "2" : last == 'a' ? "b" : last == 'A' ? "B" : nullptr;
    if (!next) return {};
    const std::string candidate =
        fs::pathFolder(path) + title.substr(0, title.size() - 1) + next + fs::pathExtension(path);
    return fs::pathExists(candidate) ? candidate : std::string();
}

void Launcher::log(const std::string& line) { app_.log(line); }

void Launcher::error(const std::string& message) {
    log("@2");
    log(message);
}

bool Launcher::announce(const EmulatorEntry& entry, bool repeatPathWhenMissing) {
    log(entry.name + " を起動します。");
    std::string exe = entry.executable;
    if (containsBlank(exe)) exe = shortPath(exe);
    log("> " + exe);
    if (!entry.executable.empty() && fs::pathExists(entry.executable)) return true;
    error("指定されたエミュレータが見つかりません。");
    if (repeatPathWhenMissing) log("> " + entry.executable);
    return false;
}

int Launcher::selectedEmulator() const {
    const std::string text = app_.emulatorCombo().selectedText();
    if (text.empty() || text == kNotSet) return -1;
    const EmulatorEntries& entries = app_.emulators();
    for (int slot = 0; slot < kEmulatorCount; ++slot)
        if (entries[static_cast<std::size_t>(slot)].name == text) return slot;
    return -1;
}

bool Launcher::launch(const LaunchRequest& request) {
    plan_.reset();
    app_.listener().hideRegistrationDialog();
    if (request.fileName.empty() || request.folderNumber < 0) return false;
    log("clear");
    log(request.fileName + " が指定されました。");

    int slot = selectedEmulator();
    const auto rows = app_.fileList().rows();
    if (request.row >= 0 && static_cast<std::size_t>(request.row) < rows.size()) {
        const int record = rows[static_cast<std::size_t>(request.row)].recordIndex;
        if (record >= 0 && record < app_.romTable().count()) {
            const int preferred = app_.romTable()[record].preferredEmulator;
            // A preferred emulator beyond the 64 entries cannot be started: the combo's choice stays.
            if (preferred >= 0 && preferred < kEmulatorCount) {
                slot = preferred;
                log(app_.emulators()[static_cast<std::size_t>(slot)].name + "が優先エミュレータが設定されています。");
            }
        }
    }
    if (slot < 0) {
        error(kNoEmulator);
        return false;
    }
    const EmulatorEntry& entry = app_.emulators()[static_cast<std::size_t>(slot)];
    if (!announce(entry, true)) return false;

    std::string path = app_.romFolderPath(request.folderNumber);
    if (!path.empty()) path = fs::joinPath(path, request.fileName);
    if (path.empty() || !fs::pathExists(path)) {
        error("指定されたROMファイルが見つかりません。");
        log("> " + path);
        return false;
    }
    app_.setLastLaunchedFile(request.fileName);

    const std::string code = app_.currentCode();
    const std::string ext = ascii::upper(fs::pathExtension(path));
    if (code == "MAME") {
        path = fs::pathTitle(path);  // the set name
    } else if (archive::archiveTypeOf(path)) {
        if (ext == ".ZIP" && entry.option(kPassZipUnpacked)) {
            log("ファイルがZIP圧縮されていますが、設定により解凍しません。");
        } else {
            log("ファイルが圧縮されているので解凍します。");
            const std::string temp = app_.folders().folders.tempFolder;
            fs::createDirectory(temp);
            std::vector<std::string> extras(app_.folders().folders.extraExtensions.begin(),
                                            app_.folders().folders.extraExtensions.end());
            archive::ExtractOptions options;
            options.flushToDisk = false;  // a throwaway copy in TEMP
            const std::string extracted = archive::extract(path, temp, extras, options);
            if (extracted.empty()) {
                error("ファイルの解凍に失敗しました。");
                return false;
            }
            log("正常に解凍されました。");
            log("TEMPフォルダを使用します。");
            path = extracted;
        }
    }

    LaunchArguments args;
    if (entry.specialStart) {
        log(entry.name + " を特殊起動します。");
        log("完全に起動するまで、マウス・キーボードのボタンを押下しないで下さい。");
        args.text = path;
    } else {
        if (entry.option(kShortPathIfSpace) && containsBlank(path)) path = shortPath(path);
        args = buildLaunchArguments(entry, path);
    }
    log("コマンドラインを確認します。");
    log("> " + args.text);

    LaunchPlan plan;
    plan.argv.push_back(entry.executable);
    if (!entry.specialStart) plan.argv.insert(plan.argv.end(), args.argv.begin(), args.argv.end());
    plan.workingFolder = fs::pathFolder(entry.executable);
    if (dryRun_) {
        plan_ = plan;
        return true;
    }

    if (entry.specialStart && code == "PC98") preparePc98(slot, path);

    ProcessRunner& runner = app_.processRunner();
    std::optional<int> joyPid;
    const std::string joy = paths::resolveFilePath(app_.settings().toolPaths[0], app_.programFolder().path());
    if (!joy.empty() && fs::fileExists(joy) && !entry.joyToKeySetting.empty()) {
        writeIniValue(fs::pathFolder(joy) + "JoyToKey.ini", "LastStatus", "FileName", entry.joyToKeySetting);
        joyPid = runner.start({joy}, fs::pathFolder(joy));
        if (!joyPid) {
            error("JoyToKey の起動に失敗しました。");
            log("@0");
        } else {
            log("JoyToKey を起動しました。");
        }
    }
    app_.listener().stopMediaSound();

    if (alternativeStart(slot, entry.executable, path)) return true;  // JoyToKey keeps running

    const bool minimise = app_.settings().option(Option::MinimiseWhileRunning);
    const bool wait = minimise || joyPid.has_value();
    const std::optional<int> pid = runner.start(plan.argv, plan.workingFolder);
    if (!pid) {
        error(kStartFailed);  // a JoyToKey that was started keeps running
        return false;
    }
    plan_ = plan;

    if (entry.specialStart) {
        // Handing the file over by keystrokes is not available in this version.
        error("特殊起動のキー入力はこの環境ではまだ使用できません。ファイルはエミュレータで開いて下さい。");
        log("@0");
    }

    // A launch that ends after a hardware switch is still recorded for its own hardware.
    pending_[*pid] = PendingLaunch{request, app_.currentIndex(), minimise, joyPid};
    if (!wait) {
        finishLaunch(*pid);
        return true;
    }
    if (minimise) app_.listener().minimiseMainWindow();
    const int emulatorPid = *pid;
    runner.whenFinished(emulatorPid, [this, emulatorPid](int) { finishLaunch(emulatorPid); });
    return true;
}

void Launcher::finishLaunch(int pid) {
    auto it = pending_.find(pid);
    if (it == pending_.end()) return;
    const PendingLaunch launch = std::move(it->second);
    pending_.erase(it);
    if (launch.minimised)
        app_.listener().restoreMainWindow(app_.settings().windowSlots[kSlotMainFrame].showState);
    if (launch.joyToKey) app_.processRunner().terminate(*launch.joyToKey);
    log(kFinished);
    app_.addRecentLaunchFor(launch.hardwareIndex, launch.request.gameName, launch.request.fileName,
                            launch.request.folderNumber);
}

void Launcher::finishPendingLaunches() {
    while (!pending_.empty()) finishLaunch(pending_.begin()->first);
}

void Launcher::preparePc98(int slot, const std::string& path) {
    const std::string ext = ascii::upper(fs::pathExtension(path));
    if (slot == 0) {
        // Anex86 keeps its disks in the registry, which this system does not have: the step is
        // skipped as for a key that cannot be opened.
        return;
    }
    if (slot != 1) return;
    const std::string ini = fs::pathFolder(app_.emulators()[1].executable) + "NP2.ini";
    for (const char* key : {"FDfolder", "HDfolder", "HDD1FILE", "HDD2FILE"}) writeIniValue(ini, "NekoProjectII", key, "");
    for (const char* fd : {".D88", ".D98", ".XDF", ".HDM", ".DUP", ".2HD"})
        if (ext == fd) writeIniValue(ini, "NekoProjectII", "FDfolder", fs::pathFolder(path));
    if (ext == ".THD" || ext == ".HDI") {
        writeIniValue(ini, "NekoProjectII", "HDfolder", fs::pathFolder(path));
        writeIniValue(ini, "NekoProjectII", "HDD1FILE", path);
        writeIniValue(ini, "NekoProjectII", "HDD2FILE", "");
    }
}

bool Launcher::alternativeStart(int slot, const std::string& exe, const std::string& path) {
    (void)path;
    if (!app_.settings().option(Option::AlternativeLaunch) || app_.currentCode() != "WS" || slot != 0)
        return false;
    log("別方法にてエミュレータを起動します。");
    if (!app_.processRunner().start({exe}, fs::pathFolder(exe))) {
        error(kStartFailed);
        return true;
    }
    error("特殊起動のキー入力はこの環境ではまだ使用できません。ファイルはエミュレータで開いて下さい。");
    log("@0");
    log(kFinished);
    return true;
}

bool Launcher::startEmulatorOnly() {
    plan_.reset();
    log("clear");
    const int slot = selectedEmulator();
    if (slot < 0) {
        error(kNoEmulator);
        return false;
    }
    const EmulatorEntry& entry = app_.emulators()[static_cast<std::size_t>(slot)];
    if (!announce(entry, false)) return false;
    LaunchPlan plan{{entry.executable}, fs::pathFolder(entry.executable)};
    plan_ = plan;
    if (dryRun_) return true;
    if (!app_.processRunner().start(plan.argv, plan.workingFolder)) {
        error(kStartFailed);
        plan_.reset();
        return false;
    }
    log(kFinished);
    return true;
}

bool Launcher::startOtherSoftware(const std::string& name, int folderNumber) {
    plan_.reset();
    app_.listener().hideRegistrationDialog();
    if (name.empty() || folderNumber < 0) return false;
    const std::string program = app_.romFolderPath(folderNumber);
    log("clear");
    log(name + " を起動します。");
    log("> " + program);
    if (program.empty() || !fs::pathExists(program)) {
        error(name + " が見つかりません。");
        return false;
    }
    // A program is run in its own folder; anything else is opened with the desktop.
    const bool runnable = fs::fileExists(program) && ::access(program.c_str(), X_OK) == 0;
    bool started = false;
    if (dryRun_) {
        plan_ = LaunchPlan{{program}, fs::pathFolder(program)};
        started = true;
    } else if (runnable) {
        started = app_.processRunner().start({program}, fs::pathFolder(program)).has_value();
    } else {
        started = app_.desktop().open(program);
    }
    if (started)
        log(kFinished);
    else
        error(kStartFailed);
    app_.setLastLaunchedFile(fs::pathTitle(program));
    return started;
}

}  // namespace romshelf
