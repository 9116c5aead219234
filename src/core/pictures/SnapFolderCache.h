#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace romshelf {

// The listings of the snap folders, kept between lookups: a snap is found by its base name with
// any extension and the ASCII case ignored, which only a listing of the folder tells, and a
// folder of a whole collection's snaps holds tens of thousands of files (on a share, each listing
// is many round trips). A lookup looks at the folder (one stat) and lists it again only when it
// changed; a listing made within a second or two of the folder's last change is not trusted (a
// file system that keeps whole seconds could change it again unseen) and is made again next time.
class SnapFolderCache {
public:
    // The file of `folder` (ending in '/') named `baseName` + ".*" (ASCII case ignored, the base
    // name taken literally) that comes first in byte order, passing over `fileName` itself and
    // folders; empty when there is none. As a listing of the folder would find it.
    std::string find(const std::string& folder, std::string_view baseName,
                     std::string_view fileName);
    // Every listing is made again at its next lookup (the program wrote a snap).
    void forget() { folders_.clear(); }

private:
    struct File {
        std::string key;  // the name with ASCII letters in lower case
        std::string name;
    };
    struct Listing {
        dev_t device = 0;
        ino_t inode = 0;
        std::int64_t mtimeNs = 0;
        bool settled = false;     // made well after the folder's last change
        std::vector<File> files;  // by key
    };
    // The folder's listing, made again when it changed; nullptr when it cannot be looked at.
    const Listing* listing(const std::string& folder);

    std::unordered_map<std::string, Listing> folders_;
};

}  // namespace romshelf
