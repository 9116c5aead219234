#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace romshelf::cli {

// `rename create|apply [LIST OPTIONS] [--output FILE] [--unowned FILE] [--yes]`,
// `rename merge FILE1 FILE2 [--yes]` and `rename --dat FILE.dat --hardware CODE [--output FILE]
// [--yes]`: the rename tool's commands on the rows `list` would print with the same options.
// The file pickers take FILE arguments (create and --dat write the hardware's data file in the
// data folder without --output; apply writes no unowned-files list without --unowned). The
// questions are answered by --yes; the messages go to `err`. Exit status 0 when the command ran,
// 1 when it did not (refused, cancelled, failed), 64 for wrong arguments.
int renameCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace romshelf::cli
