#pragma once

#include <string>

namespace romshelf::archive {

// Adds one file to a CAB archive, creating the archive when it does not exist; the same member
// rules and the same all-or-nothing rewrite as addFileToZip. Every member is packed with MSZIP:
// libgcab writes no LZX, so the three CAB levels give the same result.
bool addFileToCab(const std::string& archivePath, const std::string& filePath,
                  bool flushToDisk = true);

}  // namespace romshelf::archive
