#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace romshelf::cli {

// `history [--program-folder DIR] [--hardware CODE] [--since YYYY-MM-DD]`: the play history, a
// game a line (hardware, title, play count, play time H:MM:SS, last played), the last played
// first. Reads only. Exit status 0, 64 for a wrong argument.
int historyCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace romshelf::cli
