#pragma once

#include <string>
#include <vector>

namespace romshelf {

// The files of a TEMP folder that survive a clean: save data and settings the emulators keep
// beside the unpacked file.
bool keptInTemp(const std::string& name);

// The folders the user keeps (the program, data, ROM, snap and media folders, the home folder)
// with their links and dots resolved, as holdsKeptFolder() compares them; those that do not
// exist are left out.
std::vector<std::string> resolvedFolders(const std::vector<std::string>& kept);

// True when emptying `temp` could remove something the user keeps: `temp` is, or holds, one of
// `resolvedKept` (from resolvedFolders()). Paths are compared with their links resolved.
bool holdsKeptFolder(const std::string& temp, const std::vector<std::string>& resolvedKept);

// The files of `folder` a clean removes: every file but the kept ones; sub-folders are neither
// entered nor removed.
std::vector<std::string> removableInTemp(const std::string& folder);

// Removes `names` from `folder`. Returns how many were removed.
int removeFromTemp(const std::string& folder, const std::vector<std::string>& names);

}  // namespace romshelf
