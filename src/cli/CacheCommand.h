#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace romshelf::cli {

// `cache [--program-folder DIR] list | clear | --max SIZE`: the images kept from unpacked
// archives. list prints each (archive, member, bytes, last use) and the total against the cap;
// clear deletes them (only the cache's own files); --max sets the cap (512M, 4G or bytes; 0
// turns the cache off) and deletes the least recently used down to it.
int cacheCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace romshelf::cli
