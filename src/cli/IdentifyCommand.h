#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace romshelf::cli {

// `identify FILE...`: one line per file, the five integers the rename data stores for it (size,
// CRC-32, the three sums, as signed 32-bit numbers) and the file name, tab-separated, the name
// escaped as list escapes it. Exit status 0; 1 when some FILE is not a regular file (said on
// stderr, and no line printed for it); 64 without files.
int identifyFiles(const std::vector<std::string>& files, std::ostream& out, std::ostream& err);

}  // namespace romshelf::cli
