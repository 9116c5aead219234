#include "core/platform/FolderListings.h"

#include <sys/stat.h>

#include <algorithm>
#include <ctime>

#include "core/platform/AsciiCase.h"
#include "core/platform/FileSystem.h"

namespace romshelf::fs {

namespace {

// More folders than a window looks in means old ones lie about: they go.
constexpr std::size_t kMostFolders = 64;

}  // namespace

const FolderListings::Listing* FolderListings::listing(const std::string& folder) {
    struct stat st {};
    if (::stat(folder.empty() ? "." : folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
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
    for (DirEntry& e : listDirectory(folder))
        fresh.names.push_back({ascii::lower(e.name), std::move(e.name), e.isDirectory});
    std::sort(fresh.names.begin(), fresh.names.end(),
              [](const Name& a, const Name& b) { return a.key < b.key; });
    return &(folders_[folder] = std::move(fresh));
}

std::vector<FolderListings::Entry> FolderListings::startingWith(const std::string& folder,
                                                                std::string_view prefix) {
    std::vector<Entry> found;
    const Listing* l = listing(folder);
    if (!l) return found;
    const std::string key = ascii::lower(prefix);
    auto it = std::lower_bound(l->names.begin(), l->names.end(), key,
                               [](const Name& n, const std::string& k) { return n.key < k; });
    for (; it != l->names.end() && it->key.starts_with(key); ++it)
        found.push_back({it->name, it->isDirectory});
    std::sort(found.begin(), found.end(),
              [](const Entry& a, const Entry& b) { return a.name < b.name; });
    return found;
}

}  // namespace romshelf::fs
