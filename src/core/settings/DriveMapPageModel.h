#pragma once

#include <string>
#include <utility>
#include <vector>

#include "core/settings/DriveMap.h"

namespace romshelf {

// One row of the drive map page.
struct DriveRow {
    std::string root;    // "D:", "\\NAS\games"
    std::string folder;  // where it leads; empty: "未設定"
    std::string source;  // where that comes from ("設定", "Wineプレフィックス", ...)
    bool used = false;   // the settings have paths on it
    bool own = false;    // the user's mapping (it can be dropped)
};

// The environment dialog's "ドライブ" page: the drive letters and shares the settings use, each
// with its folder or "未設定", then the other mappings found; the user maps a root to a folder,
// drops the mapping, or adds a root of their own. The widget only displays it.
class DriveMapPageModel {
public:
    // `usedRoots`: those the stored paths use; `found`: what this machine gives without asking;
    // `user`: the user's mappings as kept.
    DriveMapPageModel(std::vector<std::string> usedRoots, std::vector<DriveMapping> found,
                      std::vector<std::pair<std::string, std::string>> user);

    const std::vector<DriveRow>& rows() const { return rows_; }
    // Maps row `row`'s root to `folder` (an absolute folder).
    void setFolder(int row, const std::string& folder);
    // Drops the user's mapping of row `row`; what was found for it shows again.
    void unset(int row);
    // A root the user types ("E:", "\\srv\share"): its row, new or already listed; -1 when the
    // text names no drive or share.
    int addRoot(const std::string& text);

    // The user's mappings as they are to be kept.
    const std::vector<std::pair<std::string, std::string>>& userMappings() const { return user_; }

private:
    void rebuild();

    std::vector<std::string> used_;
    std::vector<std::string> added_;
    std::vector<DriveMapping> found_;
    std::vector<std::pair<std::string, std::string>> user_;
    std::vector<DriveRow> rows_;
};

}  // namespace romshelf
