#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/launch/LaunchContext.h"

namespace romshelf {

// The first half of a launch, decided before anything is touched: the emulator and the file.
struct LaunchPlan {
    LaunchRequest request;
    int slot = -1;
    std::string romPath;  // the file in its ROM folder
    // What the command line gets: the set name, the file, or (after unpacking) the member.
    std::string path;
    bool unpack = false;  // unpack `romPath` into `tempFolder` first
    std::string tempFolder;
    std::vector<std::string> extraExtensions;
    // A disc set: its discs in the ROM folder, in order (`romPath` is the first), and what $M
    // gives, the set's .m3u in TEMP (empty: the file itself).
    std::vector<std::string> discs;
    std::string playlist;
    // A Windows emulator: the Wine command that starts it (empty for a Linux program).
    std::vector<std::string> wine;
};

// A line of an INI file that must be set before the start.
struct IniEdit {
    std::string path;
    std::string section;
    std::string key;
    std::string value;
};

// The second half, once the file to hand over is known: the argv, and what to prepare.
struct StartPlan {
    std::vector<std::string> argv;  // the executable as it is (after Wine's command), arguments
    std::string workingFolder;
    bool specialStart = false;
    std::vector<IniEdit> iniEdits;      // PC-98 emulators' disk settings, JoyToKey's setting
    std::vector<std::string> joyToKey;  // JoyToKey's argv (its path last); empty: not started
    // The built-in pad-to-keys profile (data/pad/<name>.ini) that maps the pad to keys for the
    // emulator while it runs; empty: none.
    std::string padProfile;
    // Anex86's disk settings in Wine's registry, set with `wine` (the emulator's Wine command).
    std::optional<RegistryEdit> registry;
    std::vector<std::string> wine;
    // The alternative start: the executable alone, without the file.
    bool alternativeStart = false;
    bool minimise = false;  // minimise the main window while the emulator runs
};

// The slot whose name is the emulator combo's text; -1 for "未設定" or no such slot.
int selectedEmulatorSlot(const LaunchContext& context);

// Tells which emulator starts and its executable; false (with the error) when it is missing.
bool announceEmulator(const EmulatorEntry& entry, LaunchLog& log);

// Chooses the emulator and checks the emulator and the file, telling each step in the log.
// nullopt (with the error in the log) when the launch cannot go on.
std::optional<LaunchPlan> planLaunch(const LaunchRequest& request, const LaunchContext& context,
                                     LaunchLog& log);

// Builds the command line for `plan.path` and lists what the start needs, telling the
// command line in the log.
StartPlan planStart(const LaunchPlan& plan, const LaunchContext& context, LaunchLog& log);

// The form in which the plan's emulator is given `path`: a Windows emulator gets the Windows form
// (through the drive map, else Wine's Z: drive), any other the path as it is.
std::string pathForEmulator(const LaunchPlan& plan, const LaunchContext& context,
                            const std::string& path);

// Path helpers of the launch: the short form of a path (on this system the path itself, when it
// exists) and the Anex86 second disk (title ending in 1, a or A → 2, b or B, when it exists).
std::string shortPath(const std::string& path);
std::string secondDisk(const std::string& path);

}  // namespace romshelf
