#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace romshelf::cli {

// `set [--program-folder DIR] --hardware CODE FILE [--name TEXT] [--reading TEXT] [--rating N]
// [--category K TEXT] [--class TEXT] [--comment TEXT] [--favourite yes|no] [--emulator NAME]
// [--rename NEWTITLE] [--clear] [--yes]`: the registration dialog's "データの更新" (or
// "情報の初期化" with --clear) for FILE (a file name as list prints it), saved at once; the row
// is printed as list prints it. Exit status 0 done, 1 refused (a rename refused or answered no,
// the clear answered no, no such file), 2 no such hardware set up, 64 wrong arguments.
int setFileInfo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace romshelf::cli
