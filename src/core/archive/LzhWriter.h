#pragma once

#include <string>

namespace romshelf::archive {

// LZH compression methods our encoder writes.
enum class LzhMethod { Lh5, Lh6, Lh7 };

// Adds (or replaces) one file in an LZH archive, creating the archive when it does not exist.
// Other members of an existing archive are kept byte for byte. The member is stored under the
// file's own name (no folder). The archive is written atomically: on failure the old archive,
// if any, is left as it was; with `flushToDisk` it is on the disk before this returns. Returns
// true on success.
bool addFileToLzh(const std::string& archivePath, const std::string& filePath, LzhMethod method,
                  bool flushToDisk = true);

}  // namespace romshelf::archive
