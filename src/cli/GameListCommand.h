#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace romshelf::cli {

// `gamelist [LIST OPTIONS] [--csv] [--items file,size,rating,cat1,...,cat5,class] [--blank-lines]
// [--second-line] [--out FOLDER]`: writes the rows `list` would print with the same options as
// the game list gamelist_<code>.txt (or .csv) into FOLDER (the program folder without --out) and
// prints its path. Exit status 0 when written, 1 when not, 64 for wrong arguments.
int gameListCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// `import-csv [--program-folder DIR] --hardware CODE FILE [--old-format] [--yes]`: replaces the
// hardware's file information with a CSV file's (the game list's layout, or the older program's
// with --old-format), after saving the old records to a copy; prints the number of records read
// and the copy's path. The question is answered by --yes. Exit status 0 when imported, 1 when
// not, 64 for wrong arguments.
int importCsvCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace romshelf::cli
