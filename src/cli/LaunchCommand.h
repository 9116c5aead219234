#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace romshelf::cli {

// `launch [--program-folder DIR] [--hardware CODE] [--emulator NAME] [--dry-run] [--wait]
//         (--folder N FILE | --row N [list mode…])`: runs the launch sequence headless and prints
// its log lines; with --dry-run it stops before starting any process and prints the argv it would
// use, one argument per line. --row counts the rows of `list` (all files, sorted); --folder's FILE
// is a name as `list` prints it (escaped). Returns the exit status (0 started, 1 the launch
// failed); with --wait it waits for the emulator and returns its status (128 + the signal that
// ended it), telling a failure on `err` as the log does. While it waits the program folder is not
// held, and Ctrl+C or SIGTERM are passed on to the emulator, whose end is then told and recorded
// as any other (main makes the status 130 or 143).
int launchFile(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace romshelf::cli
