#include "core/settings/DriveMapPageModel.h"

#include <algorithm>

#include "core/platform/AsciiCase.h"
#include "core/platform/FileSystem.h"

namespace romshelf {

namespace {

bool sameRoot(const std::string& a, const std::string& b) {
    return ascii::equalsIgnoringCase(normalisedWindowsRoot(a), normalisedWindowsRoot(b));
}

}  // namespace

DriveMapPageModel::DriveMapPageModel(std::vector<std::string> usedRoots,
                                     std::vector<DriveMapping> found,
                                     std::vector<std::pair<std::string, std::string>> user)
    : used_(std::move(usedRoots)), found_(std::move(found)), user_(std::move(user)) {
    rebuild();
}

void DriveMapPageModel::rebuild() {
    std::vector<DriveMapping> user;
    for (const auto& [root, folder] : user_) user.push_back({normalisedWindowsRoot(root), folder});
    const DriveMap drives(std::move(user), found_);
    rows_.clear();
    auto listed = [&](const std::string& root) {
        return std::any_of(rows_.begin(), rows_.end(),
                           [&](const DriveRow& r) { return sameRoot(r.root, root); });
    };
    auto add = [&](const std::string& root, bool used) {
        if (listed(root)) return;
        DriveRow row;
        row.root = root;
        row.used = used;
        if (const DriveMapping* m = drives.find(root)) {
            row.folder = m->folder;
            row.source = driveSourceName(m->source);
            row.own = m->source == DriveSource::User;
        }
        rows_.push_back(std::move(row));
    };
    for (const std::string& root : used_) add(root, true);
    for (const std::string& root : added_) add(root, false);
    for (const DriveMapping& m : drives.mappings()) add(m.root, false);
}

void DriveMapPageModel::setFolder(int row, const std::string& folder) {
    if (row < 0 || row >= static_cast<int>(rows_.size()) || folder.empty()) return;
    const std::string root = normalisedWindowsRoot(rows_[static_cast<std::size_t>(row)].root);
    const std::string f = fs::asFolder(folder);
    auto it = std::find_if(user_.begin(), user_.end(),
                           [&](const auto& m) { return sameRoot(m.first, root); });
    if (it != user_.end())
        it->second = f;
    else
        user_.emplace_back(root, f);
    rebuild();
}

void DriveMapPageModel::unset(int row) {
    if (row < 0 || row >= static_cast<int>(rows_.size())) return;
    const std::string root = rows_[static_cast<std::size_t>(row)].root;
    user_.erase(std::remove_if(user_.begin(), user_.end(),
                               [&](const auto& m) { return sameRoot(m.first, root); }),
                user_.end());
    rebuild();
}

int DriveMapPageModel::addRoot(const std::string& text) {
    const std::string root = normalisedWindowsRoot(text);
    if (root.empty()) return -1;
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (sameRoot(rows_[i].root, root)) return static_cast<int>(i);
    added_.push_back(root);
    rebuild();
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (sameRoot(rows_[i].root, root)) return static_cast<int>(i);
    return -1;
}

}  // namespace romshelf
