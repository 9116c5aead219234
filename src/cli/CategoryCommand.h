#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace romshelf::cli {

// `category [--program-folder DIR] [--hardware CODE] [--yes] OPERATION K ...`: the category
// organiser's operations on list K (1-5, or `class` for the hardware's own list), applied and
// saved as "項目の確定" does; prints the list's items afterwards, one a line. OPERATION is
// list, add TEXT..., rename OLD NEW, delete ITEM..., move ITEM up|down [N], sort or
// find-missing. Exit status 0 done, 1 refused (no such item, a name taken, a file not written),
// 2 no hardware set up, 64 wrong arguments.
int organiseCategory(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace romshelf::cli
