#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace romshelf {

// What tells two ROM files apart without their names: the length, the CRC-32 and three sums of
// 32 signed bytes at offsets 0, 256 and 512. Stored as signed 32-bit integers, so a CRC or a
// length of 2 GiB and more keeps its bit pattern.
struct FileIdentity {
    std::int32_t size = 0;
    std::int32_t crc = 0;
    std::int32_t sum1 = 0;
    std::int32_t sum2 = 1;
    std::int32_t sum3 = 2;

    bool operator==(const FileIdentity&) const = default;
};

// Files of at most this many bytes carry the fixed sums 0, 1, 2 instead of real ones.
inline constexpr std::int64_t kProbeMinimumSize = 560;

// The identity of the file at `path`, from one pass over it. Something that is not a regular
// file (a FIFO, a device, nothing at all) is never opened and counts as an empty file; a regular
// file that cannot be read keeps its size, with CRC 0 and sums of -1 when it would have real ones.
FileIdentity fileIdentity(const std::string& path);

// As fileIdentity, but nullopt when the file is no regular file, cannot be opened, or stops
// answering before its end: such a file has no identity worth matching on.
std::optional<FileIdentity> readFileIdentity(const std::string& path);

// As fileIdentity, but nullopt for what is no regular file (a FIFO, a device, nothing at all):
// the one look at the path tells both.
std::optional<FileIdentity> regularFileIdentity(const std::string& path);

}  // namespace romshelf
