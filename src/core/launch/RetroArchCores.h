#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace romshelf {

// The fields of a libretro core's .info file (`key = "value"` lines), by key.
using CoreInfo = std::map<std::string, std::string, std::less<>>;

// Reads the text of a .info file as RetroArch does: `key = "value"` or `key = value` per line,
// '#' lines are comments, a later key replaces an earlier one. Lines it cannot read are skipped;
// any bytes at all give some result.
CoreInfo parseCoreInfo(std::string_view text);

// The hardware codes of this program that the core plays, from its `database` field (libretro's
// system names, "Nintendo - Nintendo Entertainment System|..."), or from `systemname` when it
// has none. Systems this program has no hardware for give nothing, and so do arcade sets: this
// program hands an arcade emulator a set name, which a core cannot load.
std::vector<std::string> coreHardware(const CoreInfo& info);

// libretro's database names of the systems whose files hardware `code` plays, in table order
// (the main system first); empty for a hardware none plays.
std::vector<std::string> retroArchDatabaseNames(std::string_view code);

// The core's name in a list: its `corename` ("Nestopia"), else the part in brackets at the end of
// its `display_name`, else `fallback`; without control characters and at most 64 bytes.
std::string coreName(const CoreInfo& info, std::string_view fallback);

// Where one RetroArch finds its cores and their .info files, in the order looked through.
struct RetroArchFolders {
    std::vector<std::string> cores;
    std::vector<std::string> infos;
};

struct InstalledCore {
    std::string path;  // the core's shared library
    std::string name;
    std::vector<std::string> hardware;
};

// The cores (`*_libretro.so`) in the folders, each described by the .info file of its name beside
// it or else in the first info folder that has one. A core without a readable .info is left out:
// what it plays is unknown. A core file name found in an earlier folder hides later ones.
std::vector<InstalledCore> findCores(const RetroArchFolders& folders);

}  // namespace romshelf
