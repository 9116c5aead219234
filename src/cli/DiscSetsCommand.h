#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace romshelf::cli {

// `disc-sets [--program-folder DIR] [--hardware CODE] [on|off]`: the environment dialog's disc-set
// option, set and saved (on, off) or printed as it stands. Exit status 0 done, 1 not saved, 2 no
// such hardware set up, 64 wrong arguments.
int discSetsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace romshelf::cli
