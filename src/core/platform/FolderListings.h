#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace romshelf::fs {

// The listings of the folders a window looks files up in by name at each selection (snaps,
// pictures, sounds: found by their base name with any extension, the ASCII case ignored, which
// only a listing tells), kept between lookups: a folder of a whole collection's pictures holds
// tens of thousands of files, and on a share each listing is many round trips. A lookup looks at
// the folder (one stat) and lists it again only when it changed; a listing made within a second or
// two of the folder's last change is not trusted (a file system that keeps whole seconds could
// change it again unseen) and is made again next time.
class FolderListings {
public:
    // A listing made this close to its folder's last change may miss a change made in the same
    // whole second (SFTP and FAT keep no more), so it is made again next time.
    static constexpr std::int64_t kSettleSeconds = 2;
    struct Entry {
        std::string_view name;
        bool isDirectory;
    };
    // The entries of `folder` whose names begin with `prefix`, ASCII case ignored, in byte order of
    // their names (empty when the folder cannot be listed). Valid until the next call.
    std::vector<Entry> startingWith(const std::string& folder, std::string_view prefix);
    // Every listing is made again at its next lookup (the program wrote into a folder).
    void forget() { folders_.clear(); }

private:
    struct Name {
        std::string key;  // the name with ASCII letters in lower case
        std::string name;
        bool isDirectory;
    };
    struct Listing {
        dev_t device = 0;
        ino_t inode = 0;
        std::int64_t mtimeNs = 0;
        bool settled = false;     // made well after the folder's last change
        std::vector<Name> names;  // by key
    };
    // The folder's listing, made again when it changed; nullptr when it cannot be looked at.
    const Listing* listing(const std::string& folder);

    std::unordered_map<std::string, Listing> folders_;
};

}  // namespace romshelf::fs
