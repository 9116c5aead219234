#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace romshelf::cli {

// `compress|decompress|move|copy|delete [--program-folder DIR] --hardware CODE (FILE... | --all)
// [--to FOLDER_NO] [--output PATH] [--delete-source] [--permanent] [--yes]`: the batch file
// operations of the program on the listed files called FILE (a name as `list` prints it, or a
// path), or on every listed file. move takes --to (a ROM folder number as `list` prints it), copy
// one FILE and --output (a folder, or a path ending in '/': that folder under the file's own name;
// a file already there is replaced only with --yes). Progress goes to stderr, the counts to `out`,
// and recent launches that followed a file's new name are saved. Exit status 0 done, 1 not run or
// something failed (said on `err`), 2 no such file listed or no such hardware set up, 64 a usage
// error.
int fileOperation(const std::string& operation, const std::vector<std::string>& args,
                  std::ostream& out, std::ostream& err);

}  // namespace romshelf::cli
