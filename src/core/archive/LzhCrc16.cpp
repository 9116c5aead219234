#include "core/archive/LzhCrc16.h"

#include <array>

namespace romshelf::archive {

namespace {

constexpr std::array<std::uint16_t, 256> makeTable() {
    std::array<std::uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned r = i;
        for (int bit = 0; bit < 8; ++bit) r = (r & 1) ? (r >> 1) ^ 0xA001u : r >> 1;
        table[i] = static_cast<std::uint16_t>(r);
    }
    return table;
}

constexpr std::array<std::uint16_t, 256> kTable = makeTable();

}  // namespace

std::uint16_t lzhCrc16(const void* data, std::size_t size, std::uint16_t crc) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    unsigned r = crc;
    for (std::size_t i = 0; i < size; ++i) r = kTable[(r ^ p[i]) & 0xFF] ^ (r >> 8);
    return static_cast<std::uint16_t>(r);
}

}  // namespace romshelf::archive
