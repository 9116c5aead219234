#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace romshelf::cli {

// `optimise [--program-folder DIR] --hardware CODE [--yes]`: "ファイル情報の最適化" of the
// hardware, saved at once. Exit status 0 optimised (the count on `out`), 1 not run (the answer
// was no, or a ROM folder cannot be seen: nothing is deleted), 2 no such hardware set up.
int optimise(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace romshelf::cli
