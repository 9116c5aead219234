#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace romshelf {

// Settings this program has beyond those of the shared data files, whose layout has no room for
// them: data/romshelf-plus.ini, one `key=value` per line. Lines this version does not know (a
// newer version's) are kept as they stand when the file is written again.
struct PlusSettings {
    // Disc and floppy sets show as one row of the set.
    bool discSets = false;
    // The unpack cache's size cap in bytes.
    std::uint64_t unpackCacheLimit = 4ull << 30;
    // The user's drive map (`drive.D:=/mnt/d/`, `drive.\\nas\games=/mnt/games/`), in file order;
    // what the Wine prefix and the desktop's mounts give is found at each start, not kept.
    std::vector<std::pair<std::string, std::string>> drives;
    // The Wine that starts Windows programs (empty: `wine` on PATH) and its prefix (empty: Wine's
    // own choice, $WINEPREFIX or ~/.wine).
    std::string wine;
    std::string winePrefix;

    // The DAT each hardware's rename data were made from when they hold only the first records
    // of it (`renameDat.FC=/path/nes.dat`): renaming reads the whole DAT instead.
    std::vector<std::pair<std::string, std::string>> renameDats;

    // The file list shows one file per game, the one the region order prefers
    // (`regionOrder=Japan,World,USA,Europe`: region names as file names write them, most wanted
    // first).
    bool onePerGame = false;
    std::vector<std::string> regionOrder = {"Japan", "World", "USA", "Europe"};

    // The file list's font size chosen in the environment dialog, kept as the shared layout's
    // settings keep font sizes: a height in pixels at the screen's resolution
    // (`listFontHeight=16`). 0: none chosen, the list follows the desktop's font.
    int listFontHeight = 0;

    // The game controller: read at all (`pad=0` leaves it alone), and the hotkey that ends the
    // running emulator: the controls held together, SDL's names joined by '+' (empty: no hotkey),
    // and for how long.
    bool pad = true;
    std::string padQuitButtons = "back+start";
    int padQuitHoldMs = 1000;

    std::vector<std::pair<std::string, std::string>> unknown;

    bool operator==(const PlusSettings&) const = default;
};

// A font height in pixels as the size the user reads, in points, at `dotsPerInch` (a point is a
// 72nd of an inch), and back, rounded to the nearest pixel.
double pointsOfPixelHeight(int pixels, double dotsPerInch);
int pixelHeightOfPoints(double points, double dotsPerInch);

inline constexpr const char* kPlusSettingsFile = "romshelf-plus.ini";

// A missing file gives the defaults; a value that does not read keeps its default. False only
// when the file exists but cannot be read.
bool loadPlusSettings(const std::string& path, PlusSettings& out);
bool savePlusSettings(const std::string& path, const PlusSettings& settings);

}  // namespace romshelf
