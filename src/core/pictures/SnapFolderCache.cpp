#include "core/pictures/SnapFolderCache.h"

#include <sys/stat.h>

#include <algorithm>
#include <ctime>

#include "core/platform/AsciiCase.h"
#include "core/platform/FileSystem.h"

namespace romshelf {

namespace {

// A listing made this close to its folder's last change may miss a change made in the same
// whole second (SFTP and FAT keep no more), so it is made again next time.
constexpr std::int64_t kSettleSeconds = 2;
// More folders than a hardware has snap slots means old ones lie about: they go.
constexpr std::size_t kMostFolders = 64;

}  // namespace

const SnapFolderCache::Listing* SnapFolderCache::listing(const std::string& folder) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        folders_.erase(folder);
        return nullptr;
    }
    const std::int64_t mtimeNs =
        static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
    if (auto it = folders_.find(folder); it != folders_.end()) {
        const Listing& l = it->second;
        if (l.settled && l.device == st.st_dev && l.inode == st.st_ino && l.mtimeNs == mtimeNs)
            return &l;
    }
    if (folders_.size() >= kMostFolders) folders_.clear();
    Listing fresh;
    fresh.device = st.st_dev;
    fresh.inode = st.st_ino;
    fresh.mtimeNs = mtimeNs;
    fresh.settled = static_cast<std::int64_t>(st.st_mtim.tv_sec) + kSettleSeconds <
                    static_cast<std::int64_t>(std::time(nullptr));
    for (fs::DirEntry& e : fs::listDirectory(folder))
        if (!e.isDirectory) fresh.files.push_back({ascii::lower(e.name), std::move(e.name)});
    std::sort(fresh.files.begin(), fresh.files.end(),
              [](const File& a, const File& b) { return a.key < b.key; });
    return &(folders_[folder] = std::move(fresh));
}

std::string SnapFolderCache::find(const std::string& folder, std::string_view baseName,
                                  std::string_view fileName) {
    if (baseName.empty()) return {};
    const Listing* l = listing(folder);
    if (!l) return {};
    const std::string prefix = ascii::lower(baseName) + ".";
    auto it = std::lower_bound(l->files.begin(), l->files.end(), prefix,
                               [](const File& f, const std::string& p) { return f.key < p; });
    const std::string* best = nullptr;
    for (; it != l->files.end() && it->key.starts_with(prefix); ++it)
        if (it->name != fileName && (!best || it->name < *best)) best = &it->name;
    return best ? folder + *best : std::string();
}

}  // namespace romshelf
