#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace romshelf {

// The `entry` file beside each image of the unpack cache: a text file of key=value lines after a
// magic line, names escaped (\\ and \n) so that any file name fits on its line.
inline constexpr const char* kEntryFile = "entry";

// What `entry` says: the archive the image came from, and the image as it was made.
struct EntryFile {
    std::string archivePath;
    std::uint64_t archiveSize = 0;
    std::int64_t archiveMtimeNs = 0;
    std::string member;
    std::uint64_t size = 0;
    std::uint64_t inode = 0;
    std::int64_t mtimeNs = 0;
    // The image's CRC-32 as unpacked: an emulator may rewrite it in place and leave its size and
    // time as they were. Entries of an older version have none and are never handed out.
    std::optional<std::uint32_t> crc;
};

std::string entryText(const EntryFile& e);
// A name the cache may have made an image under: one part, not `entry`, not a pending file's.
bool isMemberName(const std::string& name);
// The entry file at `path`; nullopt when it is missing, damaged or lacks a field.
std::optional<EntryFile> readEntryFile(const std::string& path);

}  // namespace romshelf
