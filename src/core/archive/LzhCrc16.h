#pragma once

#include <cstddef>
#include <cstdint>

namespace romshelf::archive {

// The CRC-16 of LZH archives (reflected polynomial 0xA001, initial value 0), used both for
// member data and for level-2 header checks. Feed data in pieces by passing the previous result.
std::uint16_t lzhCrc16(const void* data, std::size_t size, std::uint16_t crc = 0);

}  // namespace romshelf::archive
