#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace romshelf::cli {

// `import-metadata --hardware CODE (--esde gamelist.xml | --pegasus metadata.pegasus.txt)
// [--overwrite] [--yes]`: another frontend's metadata into the records of the listed files.
int importMetadataCommand(const std::vector<std::string>& args, std::ostream& out,
                          std::ostream& err);

}  // namespace romshelf::cli
