#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace romshelf::cli {

// `verify --hardware CODE --dat FILE [--report FILE.csv] [--fixdat FILE.dat]`: every listed file
// of the hardware (archive members too, read without unpacking) against a DAT of either format;
// the counts of each class on stdout, the report and the fixdat written when asked. Only reads
// the user's files. 2 when the DAT cannot be read, 1 when a file could not be written.
int verifyCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace romshelf::cli
