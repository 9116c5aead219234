#pragma once

#include <string>
#include <string_view>

namespace romshelf {

// A data file that is refused (or read with bytes it did not use) is rewritten at the next save;
// its original bytes are kept beside it first, as <name>.broken-<date>-<time>, never over an
// earlier copy. A copy with the same bytes already there serves again. Returns the copy's path,
// or "" when none could be written.
std::string keepRefusedCopy(const std::string& path, std::string_view bytes);

// Moves a refused file aside under the same kind of name, never over another file, with the
// companions a database keeps beside it (`path`-journal, -wal, -shm: each follows under the new
// name). Returns the new path, or "" when the file could not be moved (it is left as it was).
std::string moveRefusedFileAside(const std::string& path);

}  // namespace romshelf
