#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>

#include "core/settings/MainSettings.h"

namespace romshelf {

using RecentFileExists = std::function<bool(const RecentLaunch&)>;

// Records a launch in one hardware's list: an entry with the same file name moves to the top
// (taking the new name and folder), otherwise the list moves down and the oldest is dropped;
// entries whose file is gone are cleared and the gaps closed by one upward pass.
// Returns false when the launch was already the newest entry (the menu needs no rebuild).
bool addRecentLaunch(RecentLaunches& list, const RecentLaunch& launch,
                     const RecentFileExists& exists);

// Clears every entry whose file no longer exists.
void clearMissingRecentLaunches(RecentLaunches& list, const RecentFileExists& exists);

// The File menu's recent-file labels: "&1 name" … "&5 name", nullopt for an empty entry.
std::array<std::optional<std::string>, kRecentLaunchCount> recentFileLabels(
    const RecentLaunches& list);

}  // namespace romshelf
