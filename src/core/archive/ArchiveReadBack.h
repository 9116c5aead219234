#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace romshelf::archive {

// A stretch of bytes told by its length and CRC-32.
struct ByteSum {
    std::uint64_t size = 0;
    std::uint32_t crc = 0;
    bool operator==(const ByteSum&) const = default;
};

// The length and CRC-32 of the regular file at `path`, read once; nullopt when it cannot be read.
std::optional<ByteSum> fileSum(const std::string& path);

// Reads the member called `name` (its last path part) back out of the archive and sums its
// decompressed bytes; the last such member when there are several. nullopt when the archive
// cannot be read to that member's end, or holds no such member.
std::optional<ByteSum> memberSum(const std::string& archivePath, const std::string& name);

}  // namespace romshelf::archive
