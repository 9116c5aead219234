#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/launch/EmulatorEntry.h"

namespace romshelf {

class Application;

// What the file list (or a recent-file command) asks to start.
struct LaunchRequest {
    std::string gameName;
    std::string fileName;  // with extension, no folder
    int folderNumber = -1;  // ROM folder; negative: no file to start
    int row = -1;           // file-list row, -1 when the request does not come from the list
};

// What a launch starts, kept for a dry run and for the log.
struct LaunchPlan {
    std::vector<std::string> argv;
    std::string workingFolder;
};

// Turns a request into a running emulator, telling each step in the system log: the emulator
// choice, the checks, unpacking into TEMP, the command line, JoyToKey and the PC-98
// preparation, the start, the wait, and the recent-launch entry.
class Launcher {
public:
    explicit Launcher(Application& app) : app_(app) {}

    // In a dry run everything up to the first process start happens (unpacking included), and
    // the plan is kept instead of starting anything.
    void setDryRun(bool on) { dryRun_ = on; }
    const std::optional<LaunchPlan>& lastPlan() const { return plan_; }

    // True when the emulator was started (or planned, in a dry run).
    bool launch(const LaunchRequest& request);
    bool startEmulatorOnly();
    // Other software: a program is run, a document opened with the desktop.
    bool startOtherSoftware(const std::string& name, int folderNumber);

    // The slot whose name is the emulator combo's text; -1 for "未設定" or no such slot.
    int selectedEmulator() const;

    // Launches still waiting for their emulator to end (minimise while running, JoyToKey).
    std::size_t pendingLaunches() const { return pending_.size(); }
    // At shut-down: JoyToKey is stopped and the launches are recorded, although their
    // emulators go on running.
    void finishPendingLaunches();

private:
    void log(const std::string& line);
    void error(const std::string& message);
    // Logs the emulator and its executable; false (with the error) when the executable is missing.
    bool announce(const EmulatorEntry& entry, bool repeatPathWhenMissing);
    bool alternativeStart(int slot, const std::string& exe, const std::string& path);
    void preparePc98(int slot, const std::string& path);

    // The after-steps of a launch whose emulator has ended (or that the program leaves behind).
    void finishLaunch(int pid);

    struct PendingLaunch {
        LaunchRequest request;
        int hardwareIndex = -1;
        bool minimised = false;
        std::optional<int> joyToKey;
    };

    Application& app_;
    bool dryRun_ = false;
    std::optional<LaunchPlan> plan_;
    std::map<int, PendingLaunch> pending_;  // by the emulator's process id
};

// Path helpers of the launch: the short form of a path (on this system the path itself, when it
// exists) and the Anex86 second disk (title ending in 1, a or A → 2, b or B, when it exists).
std::string shortPath(const std::string& path);
std::string secondDisk(const std::string& path);

}  // namespace romshelf
