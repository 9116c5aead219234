#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace romshelf::cli {

// `drives [--program-folder DIR] [--set ROOT DIR | --unset ROOT]`: the drive map, a row per drive
// letter or network share (those the settings use first, then the others mapped): the root, the
// folder it leads to or "未設定", where the mapping comes from, and whether the settings use it.
// --set maps ROOT ("D:", "\\NAS\games") to DIR, --unset drops the user's mapping of ROOT; both
// save it in data/romshelf-plus.ini. Exit status 0 done, 1 not saved, 2 DIR is no folder, 64
// wrong arguments.
int drivesCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// `check-folder [--program-folder DIR] [--hardware CODE]`: every path the settings keep, a row
// each (hardware, what it is, the path as stored, where it leads or "未設定", and "ok" or
// "missing"). Exit status 0 when every path leads to something that exists, 1 otherwise.
int checkFolderCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// `wine [--program-folder DIR] [--program WINE] [--prefix FOLDER]`: the Wine that starts Windows
// programs, as set and as found ("wine\tSETTING\tPROGRAM", "prefix\tSETTING\tFOLDER"); --program
// and --prefix set them ("" for Wine on PATH and Wine's own prefix) in data/romshelf-plus.ini.
// Exit status 0 done (1 not saved); 3 when no Wine is found; 64 wrong arguments.
int wineCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace romshelf::cli
