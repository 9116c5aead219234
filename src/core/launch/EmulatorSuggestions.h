#pragma once

#include <string>
#include <vector>

#include "core/launch/RetroArchCores.h"

namespace romshelf {

// A Linux emulator found on this machine that can play a hardware's files, with a command line
// that works for it. Picking one fills an emulator slot as the user would have typed it.
struct EmulatorSuggestion {
    std::string name;         // shown in the list and given to the slot ("mednafen", "FCEUX")
    std::string executable;   // absolute path of the program found
    std::string commandLine;  // the slot's command-line text, with $P where the file goes
};

// Where emulators are looked for. The defaults are the real places; tests give their own.
struct EmulatorSearchPlaces {
    std::vector<std::string> pathFolders;     // $PATH, in order
    std::vector<std::string> extraFolders;    // /usr/games, /usr/local/games
    std::vector<std::string> flatpakFolders;  // the Flatpak export folders (system and user)
    // RetroArch's cores: those of a RetroArch on PATH (the user's, the distribution's) and those
    // of its Flatpak, which loads only cores of its own.
    RetroArchFolders retroArch = {};
    RetroArchFolders retroArchFlatpak = {};
    // The Wine prefix's drive_c, where Windows emulators are looked for; empty: none.
    std::string wineDriveC = {};

    static EmulatorSearchPlaces fromEnvironment();
};

// The emulators installed for `hardwareCode` (FC, SFC, GB, GBA, MSX, PC98, ...), best first,
// then RetroArch once per installed core that plays the hardware ("RetroArch (Nestopia)"), then the
// hardware's Windows emulators found in the Wine prefix ("VirtuaNES (Windows)"). Empty
// when none is installed or the hardware has no known Linux emulator. `romFolders` are the
// hardware's ROM folders: MAME gets them as its rompath, since it is handed set names only.
std::vector<EmulatorSuggestion> suggestEmulators(const std::string& hardwareCode,
                                                 const EmulatorSearchPlaces& places,
                                                 const std::vector<std::string>& romFolders = {});

// True for a regular file (or a link to one) that this user may execute.
bool isExecutableFile(const std::string& path);

}  // namespace romshelf
