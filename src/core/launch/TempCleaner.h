#pragma once

#include <string>
#include <vector>

namespace romshelf {

// The files of a TEMP folder that survive a clean: save data and settings the emulators keep
// beside the unpacked file.
bool keptInTemp(const std::string& name);

// True when emptying `temp` could remove something the user keeps: `temp` is, or holds, one of
// `kept` (the program, data, ROM, snap and media folders, the home folder). Paths are compared
// with their links resolved.
bool holdsKeptFolder(const std::string& temp, const std::vector<std::string>& kept);

// Removes every file of `folder` but the kept ones; sub-folders are neither entered nor removed.
// Returns how many files were removed.
int cleanTempFolder(const std::string& folder);

}  // namespace romshelf
