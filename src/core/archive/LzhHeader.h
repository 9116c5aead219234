#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace romshelf::archive {

// The fields of the level-2 member header we write.
struct LzhHeaderFields {
    std::string_view methodId;  // "-lh5-", "-lh0-", ...
    std::uint32_t packedSize = 0;
    std::uint32_t originalSize = 0;
    std::uint32_t unixTime = 0;
    std::uint16_t crc = 0;       // CRC-16 of the original data
    std::string storedName;      // the name bytes as stored (CP932 or UTF-8)
    std::uint32_t codePage = 0;  // 932 or 65001 for the name; 0 writes no code-page extension
    std::uint16_t unixMode = 0100644;
};

inline constexpr char kLzhOsUnix = 'U';

// A level-2 header: the fixed part followed by the extended headers (header CRC, file name,
// name code page, Unix permissions). Its length depends only on the name and code page, so a
// header can be rewritten in place once the sizes and CRC are known. Empty when the name is
// too long for a header.
std::string buildLzhLevel2Header(const LzhHeaderFields& fields);

}  // namespace romshelf::archive
