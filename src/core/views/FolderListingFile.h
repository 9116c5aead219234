#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/platform/FolderListings.h"

namespace romshelf {

// What tells whether a folder's names may have changed. Adding, removing or renaming a name moves
// the folder's change time, which no program can set back (a modification time can be: `touch`,
// `rsync -a`), and replacing the folder changes its inode.
struct FolderStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t mtimeNs = 0;
    std::int64_t ctimeNs = 0;

    static FolderStamp of(const struct stat& st);
    bool operator==(const FolderStamp&) const = default;
    // Whether names read at `nowSeconds` (wall clock) can stand for the folder for as long as its
    // stamp stays the same: its last change lies at least kSettleSeconds before. A change in the
    // same clock tick as the one the stamp shows, after the names were read, would leave the
    // stamp as it is; one made later than that cannot.
    static constexpr std::int64_t kSettleSeconds = fs::FolderListings::kSettleSeconds;
    bool settledAt(std::int64_t nowSeconds) const;
};

// The names of a hardware's ROM folders as the last listing found them, kept between runs in the
// cache folder: reading the folders is most of what listing a large collection costs, and they
// rarely change. A folder's names are taken from the file only while its stamp is the one kept,
// and only folders on local file systems are kept (see FileScanner::listFolder). Only a cache: a
// file that is missing, damaged or made on another machine is ignored, and the folders are read.
//
// Layout, numbers in the machine's byte order:
//   "RSFOLD01"; u32 host size; u32 folder count; u64 index size (the bytes from the end of this
//   header to the first names); u64 file size; u32 CRC-32 of the header's first 32 bytes and the
//   index; u32 zero;
//   the index: the host name, zeros to a multiple of eight bytes; then per folder u64 device,
//   u64 inode, i64 modification and i64 change time (ns), u64 hash and u64 size of the names as
//   read, u64 offset of its names in the file, u32 size of its names, u32 CRC-32 of them, u32
//   name count, u32 folder path size, the path and zeros to a multiple of eight bytes;
//   each folder's names: every name as the list shows it, in the list's order, ended by a NUL.
// Nothing may follow the last names.
inline constexpr std::string_view kFolderListingMagic = "RSFOLD01";

struct FolderListing {
    std::string_view folder;
    FolderStamp stamp;
    std::uint64_t readHash = 0;  // as FolderHits keeps them
    std::uint64_t readSize = 0;
    std::string_view names;  // each ended by a NUL
    std::uint32_t nameCount = 0;
};

class FolderListingFile {
public:
    FolderListingFile() = default;
    // The listings of `path` when it is a whole listing file made on `host`; else none.
    static FolderListingFile open(const std::string& path, std::string_view host);
    ~FolderListingFile();
    FolderListingFile(FolderListingFile&& o) noexcept;
    FolderListingFile& operator=(FolderListingFile&& o) noexcept;
    FolderListingFile(const FolderListingFile&) = delete;
    FolderListingFile& operator=(const FolderListingFile&) = delete;

    std::size_t size() const { return entries_.size(); }
    // Whether the file lists `folder` with `stamp`.
    bool lists(const std::string& folder, const FolderStamp& stamp) const;
    // The names the file keeps for `folder` with `stamp`, into `names` (replaced), with their hash
    // and size as read; false when it keeps none or they are not whole (then `names` is empty).
    // Each name is checked to be one: not empty, no '/', not "." or "..", valid UTF-8. Safe to
    // call from several threads at once.
    bool readNames(const std::string& folder, const FolderStamp& stamp, std::string& names,
                   std::uint64_t& readHash, std::uint64_t& readSize) const;

private:
    struct Entry {
        FolderStamp stamp;
        std::uint64_t readHash = 0;
        std::uint64_t readSize = 0;
        std::uint64_t namesAt = 0;
        std::uint32_t namesSize = 0;
        std::uint32_t namesCrc = 0;
        std::uint32_t nameCount = 0;
    };
    const Entry* find(const std::string& folder, const FolderStamp& stamp) const;
    int fd_ = -1;
    std::unordered_map<std::string, Entry> entries_;
};

// Whether `names` are `count` names, each ended by a NUL, none of them empty, "." or "..", with a
// '/' (that could lead out of its folder) or not UTF-8: what a listing file gives back.
bool keepableNames(std::string_view names, std::uint32_t count);

// The bytes of a listing file of `listings` made on `host` (tests read them back).
std::string folderListingBytes(std::string_view host, std::span<const FolderListing> listings);
// Writes the listing file atomically, in parts (the names are not copied into one buffer); its
// folder is made when missing. False when it could not be written: no one's concern but the next
// listing's speed.
bool saveFolderListingFile(const std::string& path, std::string_view host,
                           std::span<const FolderListing> listings);

}  // namespace romshelf
