#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace romshelf::cli {

// `backup [--program-folder DIR]`: copies the data folder into backup/, as
// "データのバックアップ" does (without asking: the command is the answer). Exit status 0 all
// copied, 1 some file could not be copied (named on err), 2 no data folder.
int backUp(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace romshelf::cli
