#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace romshelf::cli {

// `fill --hardware CODE [--from DIR|FILE]… [--dry-run] [--map genre=1,…] [--overwrite]
// [--genre-names original] [--yes]`: the records of the listed files filled from the hardware's
// game databases (RetroArch's .rdb files and per-field DATs).
int fillCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace romshelf::cli
