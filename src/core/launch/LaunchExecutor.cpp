#include "core/launch/LaunchExecutor.h"

#include <unistd.h>

#include <algorithm>

#include "core/archive/ArchiveExtractor.h"
#include "core/launch/CommandLine.h"
#include "core/launch/IniFile.h"
#include "core/launch/SpecialStart.h"
#include "core/launch/UnpackCache.h"
#include "core/platform/FileSystem.h"

namespace romshelf {

namespace {

constexpr const char* kNoEmulator = "指定されたエミュレータが正常に設定されていません。";
constexpr const char* kStartFailed = "エミュレータの起動に失敗しました。";
constexpr const char* kFinished = "正常に起動プロセスが終了しました。";
constexpr const char* kNoKeystrokes =
    "この環境では特殊起動のキー入力が使用できません。ファイルはエミュレータで開いて下さい。";
constexpr const char* kKeysToOurWindow =
    "特殊起動を中止しました：キー入力の送り先がこのプログラムのウィンドウです。";
// The emulator's window is looked for this often, this many times (10 seconds).
constexpr int kWindowPollMs = 100;
constexpr int kWindowPolls = 100;
// The alternative start looks for WSCamp's window once, after this long.
constexpr int kAlternativeWaitMs = 500;
// An emulator the hotkey ends gets this long after each request before a firmer one.
constexpr int kEndingGraceMs = 3000;

}  // namespace

std::string emulatorEndLine(const ProcessEnd& end) {
    if (end.signal) {
        const std::string name = signalName(*end.signal);
        return "エミュレータがシグナル " + std::to_string(*end.signal) +
               (name.empty() ? "" : " (" + name + ")") + " で終了しました。";
    }
    return "エミュレータが終了コード " + std::to_string(end.exitCode.value_or(-1)) +
           " で終了しました。";
}

bool LaunchExecutor::launch(const LaunchRequest& request) {
    lastStart_.reset();
    context_.windows().hide(ModelessWindow::Registration);
    LaunchLog log(context_);
    std::optional<LaunchPlan> plan = planLaunch(request, context_, log);
    if (!plan) return false;
    context_.setLastLaunchedFile(request.fileName);
    if (!unpack(*plan, log) || !writePlaylist(*plan, log)) return false;
    const StartPlan startPlan = planStart(*plan, context_, log);
    if (dryRun_) {
        lastStart_ = startPlan;
        return true;
    }
    return start(*plan, startPlan, log);
}

bool LaunchExecutor::unpack(LaunchPlan& plan, LaunchLog& log) {
    if (!plan.unpack) return true;
    fs::createDirectory(plan.tempFolder);
    UnpackCache cache(context_.unpackCacheFolder(), context_.unpackCacheLimit());
    const bool cached = !context_.unpackCacheFolder().empty() && context_.unpackCacheLimit() > 0;
    if (cached) {
        if (std::optional<std::string> image =
                cache.reuse(plan.romPath, plan.extraExtensions, plan.tempFolder)) {
            log.line("解凍済みのファイルを解凍キャッシュから使用します。");
            log.line("TEMPフォルダを使用します。");
            plan.path = *image;
            return true;
        }
    }
    log.line("ファイルが圧縮されているので解凍します。");
    std::string extracted;
    if (cached) {
        const UnpackCache::Result result =
            cache.unpack(plan.romPath, plan.extraExtensions, plan.tempFolder);
        extracted = result.path;
        // Whatever kept the image out of the cache, the launch unpacks into TEMP as always.
        if (result.outcome == UnpackCache::Outcome::TooLarge)
            log.warning(
                {"解凍したファイルが解凍キャッシュの上限より大きいため、キャッシュしません。"});
        else if (result.outcome == UnpackCache::Outcome::NoSpace)
            log.warning({"解凍キャッシュのディスクに空きがないため、キャッシュしません。",
                         "> " + cache.folder()});
        else if (result.outcome == UnpackCache::Outcome::Unusable)
            log.warning({"解凍キャッシュのフォルダが使用できないため、キャッシュしません。",
                         "> " + cache.folder()});
    }
    if (extracted.empty()) {
        archive::ExtractOptions options;
        options.flushToDisk = false;  // a throwaway copy in TEMP
        extracted = archive::extract(plan.romPath, plan.tempFolder, plan.extraExtensions, options);
    }
    if (extracted.empty()) {
        log.error("ファイルの解凍に失敗しました。");
        return false;
    }
    log.line("正常に解凍されました。");
    log.line("TEMPフォルダを使用します。");
    plan.path = extracted;
    return true;
}

bool LaunchExecutor::writePlaylist(LaunchPlan& plan, LaunchLog& log) {
    const EmulatorEntry& entry = context_.emulators()[static_cast<std::size_t>(plan.slot)];
    if (plan.discs.size() < 2 || entry.specialStart || !wantsPlaylist(entry.commandLine))
        return true;
    std::vector<std::string> paths{plan.path};
    for (std::size_t k = 1; k < plan.discs.size(); ++k) {
        LaunchPlan disc = plan;
        disc.romPath = disc.path = plan.discs[k];
        if (!unpack(disc, log)) return false;
        // Two archives holding the same name would leave one disc where both should be.
        if (std::find(paths.begin(), paths.end(), disc.path) != paths.end()) {
            log.error("ディスクの解凍先が重なりました。");
            log.line("> " + disc.path);
            return false;
        }
        paths.push_back(disc.path);
    }
    const std::string& temp = context_.folders().tempFolder;
    std::string text;
    // A Windows emulator reads the discs' Windows paths.
    for (const std::string& path : paths) text += pathForEmulator(plan, context_, path) + "\n";
    const std::string playlist =
        temp.empty() ? std::string() : temp + fs::pathTitle(plan.request.fileName) + ".m3u";
    if (!temp.empty()) fs::createDirectory(temp);
    if (playlist.empty() || !fs::writeFileAtomically(playlist, text)) {
        log.error("M3Uファイルを作成できませんでした。");
        log.line("> " + playlist);
        return false;
    }
    log.line("M3Uファイルを作成しました。");
    log.line("> " + playlist);
    plan.playlist = playlist;
    return true;
}

std::optional<int> LaunchExecutor::startJoyToKey(const StartPlan& s, LaunchLog& log) {
    if (s.joyToKey.empty()) return std::nullopt;
    const std::optional<int> pid =
        context_.processes().start(s.joyToKey, fs::pathFolder(s.joyToKey.back()));
    if (!pid) {
        log.error("JoyToKey の起動に失敗しました。");
        log.colour(LogColour::Black);
    } else {
        log.line("JoyToKey を起動しました。");
    }
    return pid;
}

bool LaunchExecutor::startAlone(const LaunchPlan& plan, const StartPlan& s, LaunchLog& log) {
    // The emulator alone; JoyToKey keeps running.
    log.line("別方法にてエミュレータを起動します。");
    const auto startedAt = std::chrono::system_clock::now();
    std::vector<std::string> argv = plan.wine;
    argv.push_back(context_.emulators()[static_cast<std::size_t>(plan.slot)].executable);
    const std::optional<int> alone = context_.processes().start(argv, s.workingFolder);
    if (!alone) {
        log.error(kStartFailed);
        return true;
    }
    const EmulatorSession run = startedRun(*alone, plan.request, startedAt);
    watchInBackground(run);
    std::optional<SpecialStartJob> job = specialStartJob(plan, log);
    if (!job) {
        log.line(kFinished);
        waitIfAsked(run);
        return true;
    }
    LaunchContext::BusyHold hold = context_.holdBusy();
    context_.clock().after(kAlternativeWaitMs, [this, job = std::move(*job), run, hold]() mutable {
        job.window = context_.desktop().windowTitled("WSCamp");
        runSpecialStart(context_.desktop(), context_.clock(), job, [this, run, hold](bool typed) {
            keysDone(typed);
            LaunchLog(context_).line(kFinished);
            waitIfAsked(run);
        });
    });
    return true;
}

void LaunchExecutor::mapPadToKeys(int pid, const StartPlan& s, LaunchLog& log) {
    if (s.padProfile.empty()) return;
    const PadProfileReading profile = loadPadProfile(context_.programFolderPath(), s.padProfile);
    if (profile.profile) {
        log.line("パッドを内蔵プロファイル「" + s.padProfile + "」でキーに割り当てます。");
        context_.padMappingWanted(pid, *profile.profile);
    } else {
        // The game runs all the same, without keys from the pad.
        log.error("パッドのプロファイル「" + s.padProfile +
                  "」を使えません: " + profile.error->text());
        log.colour(LogColour::Black);
    }
}

bool LaunchExecutor::start(const LaunchPlan& plan, const StartPlan& s, LaunchLog& log) {
    for (const IniEdit& edit : s.iniEdits)
        writeIniValue(edit.path, edit.section, edit.key, edit.value);
    // A key that does not exist is left alone, as on Windows.
    if (s.registry) applyRegistryEdit(s.wine, *s.registry);
    const std::optional<int> joyPid = startJoyToKey(s, log);
    context_.sound().stop();
    if (s.alternativeStart) return startAlone(plan, s, log);

    const auto startedAt = std::chrono::system_clock::now();
    const std::optional<int> pid = context_.processes().start(s.argv, s.workingFolder);
    if (!pid) {
        log.error(kStartFailed);  // a JoyToKey that was started keeps running
        return false;
    }
    lastStart_ = s;
    mapPadToKeys(*pid, s, log);

    // A launch that ends after a hardware switch is still recorded for its own hardware.
    const EmulatorSession run = startedRun(*pid, plan.request, startedAt);
    pending_[*pid] = PendingLaunch{run, s.minimise, joyPid};
    watchInBackground(run);
    const int emulatorPid = *pid;
    std::optional<SpecialStartJob> job;
    if (s.specialStart) job = specialStartJob(plan, log);
    if (!job) {
        afterStart(emulatorPid);
        return true;
    }
    // The keys wait for the emulator's window; the rest of the launch waits for the keys.
    waitForWindow(emulatorPid, std::move(*job), kWindowPolls, context_.holdBusy());
    return true;
}

std::optional<SpecialStartJob> LaunchExecutor::specialStartJob(const LaunchPlan& plan,
                                                               LaunchLog& log) {
    const std::optional<int> scheme = specialStartScheme(context_.hardwareCode(), plan.slot);
    if (!scheme) return std::nullopt;
    if (!context_.desktop().keysAvailable()) {
        // The emulator runs all the same; the user opens the file in it.
        log.error(kNoKeystrokes);
        log.colour(LogColour::Black);
        return std::nullopt;
    }
    const EmulatorEntry& entry = context_.emulators()[static_cast<std::size_t>(plan.slot)];
    SpecialStartJob job;
    job.scheme = *scheme;
    job.path = pathForEmulator(plan, context_, plan.path);
    job.waitAfterStart = entry.waitAfterStart;
    job.waitAfterFileDialog = entry.waitAfterFileDialog;
    job.forceActivate = entry.option(kForceActivate);
    return job;
}

void LaunchExecutor::waitForWindow(int pid, SpecialStartJob job, int triesLeft,
                                   LaunchContext::BusyHold hold) {
    if (!pending_.count(pid)) return;  // it has ended already: there is nobody to type to
    Desktop& desktop = context_.desktop();
    job.window = desktop.windowOfProcess(pid);
    if (job.window) {
        runSpecialStart(desktop, context_.clock(), job, [this, pid, hold](bool typed) {
            keysDone(typed);
            afterStart(pid);
        });
        return;
    }
    // An emulator that never shows a window is given no keys.
    if (triesLeft <= 1) {
        afterStart(pid);
        return;
    }
    context_.clock().after(kWindowPollMs, [this, pid, job = std::move(job), triesLeft, hold] {
        waitForWindow(pid, job, triesLeft - 1, hold);
    });
}

void LaunchExecutor::keysDone(bool typed) {
    if (typed) return;
    // The emulator runs all the same; the user opens the file in it.
    LaunchLog log(context_);
    log.error(kKeysToOurWindow);
    log.colour(LogColour::Black);
}

void LaunchExecutor::afterStart(int pid) {
    const auto it = pending_.find(pid);
    if (it == pending_.end()) return;
    const PendingLaunch& launch = it->second;
    if (!launch.minimised && !launch.joyToKey) {
        const EmulatorSession run = launch.run;
        finishLaunch(pid);
        waitIfAsked(run);
        return;
    }
    if (launch.minimised) context_.windows().minimiseMainWindow();
    // The event loop already watches it; anywhere else the wait starts now.
    if (!context_.processes().watchesInBackground()) watch(launch.run);
}

void LaunchExecutor::finishLaunch(int pid) {
    auto it = pending_.find(pid);
    if (it == pending_.end()) return;
    const PendingLaunch launch = std::move(it->second);
    pending_.erase(it);
    if (launch.minimised)
        context_.windows().restoreMainWindow(
            context_.settings().windowSlots[kSlotMainFrame].showState);
    if (launch.joyToKey) context_.processes().terminate(*launch.joyToKey);
    LaunchLog(context_).line(kFinished);
    context_.recordLaunch(launch.run.hardwareIndex, launch.run.request);
}

bool LaunchExecutor::endEmulator() {
    if (watched_.empty()) return false;
    const auto last = std::max_element(watched_.begin(), watched_.end(), [](auto& a, auto& b) {
        return a.second.started < b.second.started;
    });
    const EmulatorSession& run = last->second;
    LaunchLog log(context_);
    log.line("ホットキーでエミュレータを終了します。");
    const std::optional<std::uint64_t> window = context_.desktop().windowOfProcess(run.pid);
    // Closed as its user would close it, the emulator saves what it saves on its way out.
    const bool asked = window && context_.desktop().closeWindow(*window);
    if (!asked) {
        endingStep(run.pid, run.started, 1);
        return true;
    }
    context_.clock().after(kEndingGraceMs,
                           [self = std::weak_ptr(self_), pid = run.pid, started = run.started] {
                               if (const auto alive = self.lock())
                                   (*alive)->endingStep(pid, started, 1);
                           });
    return true;
}

void LaunchExecutor::endingStep(int pid, std::chrono::system_clock::time_point started, int step) {
    // A process id is reused once its process is gone: only the run that was meant.
    const auto it = watched_.find(pid);
    if (it == watched_.end() || it->second.started != started) return;
    if (step == 1) {
        context_.processes().terminate(pid);
        context_.clock().after(kEndingGraceMs, [self = std::weak_ptr(self_), pid, started] {
            if (const auto alive = self.lock()) (*alive)->endingStep(pid, started, 2);
        });
    } else {
        context_.processes().kill(pid);
    }
}

EmulatorSession LaunchExecutor::startedRun(int pid, const LaunchRequest& request,
                                           std::chrono::system_clock::time_point startedAt) const {
    EmulatorSession run;
    run.pid = pid;
    run.request = request;
    run.hardwareIndex = context_.hardwareIndex();
    run.started = startedAt;
    return run;
}

void LaunchExecutor::watchInBackground(const EmulatorSession& run) {
    if (context_.processes().watchesInBackground()) watch(run);
}

void LaunchExecutor::waitIfAsked(const EmulatorSession& run) {
    if (waitForEmulator_ && !context_.processes().watchesInBackground()) watch(run);
}

void LaunchExecutor::watch(EmulatorSession run) {
    watched_[run.pid] = run;
    context_.processes().whenFinished(
        run.pid, [self = std::weak_ptr(self_), run](const ProcessEnd& end) mutable {
            const std::shared_ptr<LaunchExecutor*> alive = self.lock();
            if (!alive) return;
            run.end = end;
            (*alive)->emulatorEnded(std::move(run));
        });
}

void LaunchExecutor::emulatorEnded(EmulatorSession run) {
    run.ended = std::chrono::system_clock::now();
    watched_.erase(run.pid);
    finishLaunch(run.pid);  // a launch that waited for it
    if (run.end.failed()) {
        std::vector<std::string> lines{emulatorEndLine(run.end)};
        // Indented: the emulator's words are never taken for the log's own directives.
        for (const std::string& line : run.end.errorLines) lines.push_back("  " + line);
        LaunchLog(context_).warning(lines);
    }
    context_.emulatorEnded(run);
}

bool LaunchExecutor::running(int hardwareIndex, int folderNumber,
                             const std::string& fileName) const {
    return std::any_of(watched_.begin(), watched_.end(), [&](const auto& entry) {
        const EmulatorSession& run = entry.second;
        return run.hardwareIndex == hardwareIndex && run.request.folderNumber == folderNumber &&
               run.request.fileName == fileName;
    });
}

void LaunchExecutor::finishPendingLaunches() {
    while (!pending_.empty()) finishLaunch(pending_.begin()->first);
}

bool LaunchExecutor::startEmulatorOnly() {
    lastStart_.reset();
    LaunchLog log(context_);
    log.clear();
    const int slot = selectedEmulatorSlot(context_);
    if (slot < 0) {
        log.error(kNoEmulator);
        return false;
    }
    const EmulatorEntry& entry = context_.emulators()[static_cast<std::size_t>(slot)];
    if (!announceEmulator(entry, log)) return false;
    StartPlan plan;
    if (isWindowsProgram(entry.executable)) {
        plan.argv = plan.wine = wineCommand(context_.wine());
        if (plan.wine.empty()) {
            log.error(kWineNeeded);
            log.line("> " + entry.executable);
            return false;
        }
    }
    plan.argv.push_back(entry.executable);
    plan.workingFolder = fs::pathFolder(entry.executable);
    lastStart_ = plan;
    if (dryRun_) return true;
    const auto startedAt = std::chrono::system_clock::now();
    const std::optional<int> pid = context_.processes().start(plan.argv, plan.workingFolder);
    if (!pid) {
        log.error(kStartFailed);
        lastStart_.reset();
        return false;
    }
    const EmulatorSession run = startedRun(*pid, LaunchRequest{}, startedAt);
    watchInBackground(run);
    log.line(kFinished);
    waitIfAsked(run);
    return true;
}

bool LaunchExecutor::startOtherSoftware(const std::string& name, int folderNumber) {
    lastStart_.reset();
    context_.windows().hide(ModelessWindow::Registration);
    if (name.empty() || folderNumber < 0 || folderNumber >= kRomFolderCount) return false;
    const std::string program =
        context_.folders().romFolderPaths[static_cast<std::size_t>(folderNumber)];
    LaunchLog log(context_);
    log.clear();
    log.line(name + " を起動します。");
    log.line("> " + program);
    if (program.empty() || !fs::pathExists(program)) {
        log.error(name + " が見つかりません。");
        return false;
    }
    // A program is run in its own folder (a Windows one through Wine); anything else is opened
    // with the desktop.
    const bool windows = fs::fileExists(program) && isWindowsProgram(program);
    std::vector<std::string> argv;
    if (windows) {
        argv = wineCommand(context_.wine());
        if (argv.empty()) {
            log.error(kWineNeeded);
            log.line("> " + program);
            return false;
        }
    }
    argv.push_back(program);
    const bool runnable =
        windows || (fs::fileExists(program) && ::access(program.c_str(), X_OK) == 0);
    bool started = false;
    if (dryRun_) {
        lastStart_ = StartPlan{};
        lastStart_->argv = argv;
        lastStart_->workingFolder = fs::pathFolder(program);
        started = true;
    } else if (runnable) {
        started = context_.processes().start(argv, fs::pathFolder(program)).has_value();
    } else {
        started = context_.desktop().open(program);
    }
    // A dry run started nothing: its plan is shown instead of a finish line.
    if (!started)
        log.error(kStartFailed);
    else if (!dryRun_)
        log.line(kFinished);
    context_.setLastLaunchedFile(fs::pathTitle(program));
    return started;
}

}  // namespace romshelf
