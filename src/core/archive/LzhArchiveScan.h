#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace romshelf::archive {

// One member of an existing LZH archive: where its bytes (header and data) lie, and its name
// as stored (raw bytes; CP932 or whatever the writing tool used).
struct LzhMemberSpan {
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
    int level = 0;
    std::string methodId;
    std::string directory;  // from a level-1/2 directory extension; empty for none
    std::string name;       // for level 0 this may hold a whole path
};

// Reads `size` bytes at `offset`; false when they are not all there.
using LzhReadAt = std::function<bool(std::uint64_t offset, std::size_t size, std::uint8_t* out)>;

// Walks the member headers of an archive (levels 0, 1 and 2) without decoding any data. Stops
// at the end-of-archive byte or at the end of the file. nullopt when a header is damaged (bad
// checksum or CRC, impossible sizes), uses an unknown level, or a member runs past the end.
std::optional<std::vector<LzhMemberSpan>> scanLzhArchive(const LzhReadAt& readAt,
                                                         std::uint64_t fileSize);

}  // namespace romshelf::archive
