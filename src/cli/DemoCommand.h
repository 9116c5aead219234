#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace romshelf::cli {

// `demo DIR`: makes the demo catalogue in DIR (or fills in what is missing from it), as
// `romshelf --demo DIR` does before it starts, and prints the files it wrote. Exit status 0 done,
// 1 some file could not be written (named on err), 64 no DIR.
int makeDemo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace romshelf::cli
