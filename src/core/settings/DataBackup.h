#pragma once

#include <string>
#include <vector>

#include "core/settings/ProgramFolder.h"

namespace romshelf {

// Copies every file of the data folder into the backup folder (made when absent), replacing
// older copies; sub-folders are left out, and copies of files gone from data stay. Each copy is
// written under a temporary name and renamed, so backup/ never holds half a file. Returns the
// names that could not be copied (the rest are copied all the same).
std::vector<std::string> backUpDataFolder(const ProgramFolder& folder);

}  // namespace romshelf
