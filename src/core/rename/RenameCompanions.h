#pragma once

#include <string>
#include <vector>

#include "core/database/RomTable.h"
#include "core/settings/FolderSettings.h"
#include "core/settings/MainSettings.h"

namespace romshelf {

// The current hardware's state that follows a ROM file's name.
struct CompanionPlaces {
    // The loaded folders: absolute paths ending in '/', TEMP never empty.
    const FolderSettings& folders;
    RomTable& records;
    RecentLaunches& recent;  // the current hardware's recent launches
};

struct CompanionReport {
    int renamed = 0;                       // companion files renamed
    std::vector<std::string> leftInPlace;  // full paths of companions whose new name was taken
    std::vector<std::string> failed;       // full paths of companions that could not be moved
};

// A ROM file was renamed from `oldName` to `newName` (file names with extension): its record's
// key, its snaps, TEMP and save files ("<old base>.<anything>" in the five snap folders, TEMP and
// the save folder) and its recent launches take the new name. A companion whose new name is
// taken is left as it is, never overwritten. Nothing happens for equal or empty names or an
// empty base name. `recordIndex` -1: the file has no record.
CompanionReport renameCompanions(CompanionPlaces& places, const std::string& oldName,
                                 const std::string& newName, int recordIndex);

// The message that names the companions left with their old names (at most ten, then a count).
std::string companionsLeftMessage(const std::vector<std::string>& paths);

}  // namespace romshelf
