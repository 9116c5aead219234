#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace romshelf::test::bmp {

// One field of a valid test picture (tests/data/bmp) overwritten, little-endian, so that the
// reader must refuse the file. Shared by the reader's tests and the fuzz seeds.
struct Mutation {
    const char* file;
    std::size_t at;
    int bytes;
    std::uint32_t value;
};

// In order: not "BM"; header sizes; widths and heights (also with a row size past 32 bits);
// > 64 Mi pixels (13 wide), nothing else wrong; planes; depths (a 4-bit file read as 8 bits
// misses rows); JPEG inside; compressions that do not fit the depth; top-down RLE; pixels
// inside the header or past the end; no room for a palette; a bit-field mask in pieces or
// past 16 bits.
inline constexpr Mutation kMalformed[] = {
    {"rgb24.bmp", 0, 2, 0x4142},      {"rgb24.bmp", 14, 4, 0},
    {"rgb24.bmp", 14, 4, 100000},     {"rgb24.bmp", 18, 4, 0},
    {"rgb24.bmp", 18, 4, 0xFFFFFFF3}, {"rgb24.bmp", 22, 4, 0},
    {"rgb24.bmp", 22, 4, 0x80000000}, {"rgb24.bmp", 18, 4, 0x7FFFFFFF},
    {"rgb24.bmp", 22, 4, 0x7FFFFFFF}, {"os2-24.bmp", 20, 2, 0},
    {"rle8.bmp", 22, 4, 5162221},     {"rgb24.bmp", 26, 2, 2},
    {"rgb24.bmp", 28, 2, 7},          {"argb32.bmp", 28, 2, 24},
    {"pal4.bmp", 28, 2, 8},           {"rgb24.bmp", 30, 4, 4},
    {"rgb24.bmp", 30, 4, 1},          {"pal8.bmp", 30, 4, 2},
    {"rle8.bmp", 22, 4, 0xFFFFFFF9},  {"rgb24.bmp", 10, 4, 20},
    {"rgb24.bmp", 10, 4, 0xFFFFFFFF}, {"pal8.bmp", 10, 4, 54},
    {"fields565.bmp", 54, 4, 0x0F0F}, {"fields565.bmp", 58, 4, 0x1F0000},
};

// `bytes` with the mutation written over them.
inline std::string mutated(std::string bytes, const Mutation& m) {
    for (int i = 0; i < m.bytes; ++i)
        bytes[m.at + static_cast<std::size_t>(i)] = static_cast<char>(m.value >> (8 * i));
    return bytes;
}

}  // namespace romshelf::test::bmp
