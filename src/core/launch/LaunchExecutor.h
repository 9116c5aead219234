#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "core/launch/LaunchPlanner.h"
#include "core/launch/SpecialStart.h"

namespace romshelf {

// How an emulator that failed ended, as the log tells it.
std::string emulatorEndLine(const ProcessEnd& end);

// Carries out launches: unpacking into TEMP, the files to prepare, JoyToKey, the start, and the
// after-steps once a waited-for emulator ends (from the event loop, so the window stays alive).
// Where the processes are watched from the event loop, every emulator's end is noticed: one that
// failed is told in the log, and the context hears of each end.
class LaunchExecutor {
public:
    explicit LaunchExecutor(LaunchContext& context) : context_(context) {}

    // In a dry run everything up to the first process start happens (unpacking included), and
    // the start is kept instead of carried out.
    void setDryRun(bool on) { dryRun_ = on; }
    // Each start waits for its emulator to end, even where waiting blocks (a program without an
    // event loop), so that its end is noticed as in the window.
    void setWaitForEmulator(bool on) { waitForEmulator_ = on; }
    // What the last launch started (or would have started, in a dry run).
    const std::optional<StartPlan>& lastStart() const { return lastStart_; }

    // True when the emulator was started (or planned, in a dry run).
    bool launch(const LaunchRequest& request);
    bool startEmulatorOnly();
    // Other software: a program is run, a document opened with the desktop.
    bool startOtherSoftware(const std::string& name, int folderNumber);

    // Whether an emulator started for the file `fileName` of ROM folder `folderNumber` of hardware
    // `hardwareIndex` is still running, as far as its end is watched for (the window's are).
    bool running(int hardwareIndex, int folderNumber, const std::string& fileName) const;

    // Whether an emulator the launcher watches is running (the pad is then the game's).
    bool emulatorRunning() const { return !watched_.empty(); }
    // Ends the emulator started last, for the pad's hotkey: its window is asked to close as its
    // close button would, it is asked to end (SIGTERM) 3 seconds later and killed 3 seconds
    // after that, unless it ended before. Its end is noticed and recorded as any other. False
    // when no watched emulator runs.
    bool endEmulator();

    // Launches still waiting for their emulator to end (minimise while running, JoyToKey).
    std::size_t pendingLaunches() const { return pending_.size(); }
    // At shut-down: JoyToKey is stopped and the launches are recorded, although their
    // emulators go on running.
    void finishPendingLaunches();

private:
    // Puts the archive's image into TEMP when the plan says so: from the unpack cache, else
    // unpacked (into the cache when it takes it); false (told in the log) when that failed.
    bool unpack(LaunchPlan& plan, LaunchLog& log);
    // A disc set for an entry that asks for $M: every disc (unpacked as the first was) into an
    // .m3u in TEMP. False (told in the log) when that failed.
    bool writePlaylist(LaunchPlan& plan, LaunchLog& log);
    bool start(const LaunchPlan& plan, const StartPlan& start, LaunchLog& log);
    // JoyToKey before the emulator, when the entry names it; its process, told in the log.
    std::optional<int> startJoyToKey(const StartPlan& start, LaunchLog& log);
    // The other way to start: the emulator alone, the special start's keys after a wait.
    bool startAlone(const LaunchPlan& plan, const StartPlan& start, LaunchLog& log);
    // The pad's keys sent to the emulator `pid` through the built-in profile the entry names.
    void mapPadToKeys(int pid, const StartPlan& start, LaunchLog& log);
    // The special start's job for the plan's emulator; nullopt when it is given no keys (told in
    // the log when this desktop cannot press keys).
    std::optional<SpecialStartJob> specialStartJob(const LaunchPlan& plan, LaunchLog& log);
    // Polls for the emulator's window, then types the job into it.
    void waitForWindow(int pid, SpecialStartJob job, int triesLeft, LaunchContext::BusyHold hold);
    // The log's lines after the keys: told when they could not be given.
    void keysDone(bool typed);
    // Once the emulator runs (and was given its keys): minimise, or wait for it, or finish.
    void afterStart(int pid);
    // The after-steps of a launch whose emulator has ended (or that the program leaves behind).
    void finishLaunch(int pid);

    // An emulator just started as `request` asked.
    // `startedAt` is taken before the start: the program may run (and a play be timed) before
    // the start call returns.
    EmulatorSession startedRun(int pid, const LaunchRequest& request,
                               std::chrono::system_clock::time_point startedAt) const;
    // Watches for the emulator's end: from the event loop, or, when asked to wait, right away
    // (blocking) where the runner cannot do otherwise.
    void watchInBackground(const EmulatorSession& run);
    void waitIfAsked(const EmulatorSession& run);
    void watch(EmulatorSession run);
    void emulatorEnded(EmulatorSession run);
    // The next step of endEmulator() for `pid`, when it still runs: 1 SIGTERM, 2 SIGKILL.
    void endingStep(int pid, std::chrono::system_clock::time_point started, int step);

    struct PendingLaunch {
        EmulatorSession run;
        bool minimised = false;
        std::optional<int> joyToKey;
    };

    LaunchContext& context_;
    bool dryRun_ = false;
    bool waitForEmulator_ = false;
    // Ends noticed after this executor is gone are dropped.
    std::shared_ptr<LaunchExecutor*> self_ = std::make_shared<LaunchExecutor*>(this);
    std::optional<StartPlan> lastStart_;
    std::map<int, PendingLaunch> pending_;    // by the emulator's process id
    std::map<int, EmulatorSession> watched_;  // runs whose end is watched for, by process id
};

}  // namespace romshelf
