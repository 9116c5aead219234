#include "core/settings/RecentLaunchList.h"

namespace romshelf {

bool addRecentLaunch(RecentLaunches& list, const RecentLaunch& launch,
                     const RecentFileExists& exists) {
    int match = -1;
    for (int k = 0; k < kRecentLaunchCount; ++k) {
        if (!list[k].fileName.empty() && list[k].fileName == launch.fileName) {
            list[k].displayName = launch.displayName;
            list[k].folderNumber = launch.folderNumber;
            if (match < 0) match = k;
        }
    }
    if (match == 0) return false;

    const int last = match > 0 ? match : kRecentLaunchCount - 1;
    for (int k = last; k > 0; --k) list[k] = list[k - 1];
    list[0] = launch;

    clearMissingRecentLaunches(list, exists);

    for (int k = kRecentLaunchCount - 1; k >= 1; --k) {
        if (list[k - 1].empty()) {
            list[k - 1] = list[k];
            list[k] = RecentLaunch{};
        }
    }
    return true;
}

void clearMissingRecentLaunches(RecentLaunches& list, const RecentFileExists& exists) {
    for (auto& entry : list) {
        if (entry.empty() || !exists(entry)) entry = RecentLaunch{};
    }
}

std::array<std::optional<std::string>, kRecentLaunchCount> recentFileLabels(
    const RecentLaunches& list) {
    std::array<std::optional<std::string>, kRecentLaunchCount> labels;
    for (int k = 0; k < kRecentLaunchCount; ++k) {
        if (list[k].fileName.empty()) continue;
        labels[k] = "&" + std::to_string(k + 1) + " " + list[k].displayName;
    }
    return labels;
}

}  // namespace romshelf
