#pragma once

// A No-Intro style DAT of 14,000 entries in clrmamepro text form, with its header skipper, and
// 40 ROM files that answer to entries spread across all of it: from the first to the last, most
// of them beyond the 5,000 records a rename data file holds.

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

namespace romshelf::test {

inline constexpr int kWholeDatEntries = 14000;
inline constexpr int kWholeDatFiles = 40;

// File k's bytes: 1024 of them, byte j being (j*7 + k*13 + 1) mod 256.
inline std::string wholeDatFileBytes(int k) {
    std::string bytes(1024, '\0');
    for (std::size_t j = 0; j < bytes.size(); ++j)
        bytes[j] = static_cast<char>((j * 7 + static_cast<std::size_t>(k) * 13 + 1) % 256);
    return bytes;
}

// Their CRC-32s, from Python: zlib.crc32(bytes(((j*7 + k*13 + 1) % 256) for j in range(1024))).
inline constexpr std::array<std::uint32_t, kWholeDatFiles> kWholeDatCrcs = {
    0x0e00d889, 0x7dee80f7, 0x305b721a, 0xec2b5a6c, 0x4e6a6106, 0x7b505fe8, 0x116597ed, 0x5fdd0aba,
    0xd7e7bf02, 0xc70e59f0, 0xc65656e3, 0x2ebf7ae1, 0xd961811a, 0x0ce37490, 0x94c5bbb7, 0xd431dcd5,
    0xf7e5e38a, 0xedb7cde5, 0x94566813, 0x7c0261d5, 0xce7dbd11, 0xf4413c96, 0xf6877792, 0x9996b2c4,
    0xb429fce0, 0x07440799, 0xdc12508e, 0x59fa7b1a, 0xb8827bc5, 0xd36f3991, 0x7b198f25, 0x27af0d1f,
    0x6ce5eddf, 0x6582bb41, 0xcfc6b594, 0x93bdb6ab, 0xa33a3dc0, 0x56e8de6b, 0x600bdcd1, 0xb850feca,
};

// The entry file k answers to: 0, 358, 717, … 13999.
inline int wholeDatEntryOf(int k) { return k * (kWholeDatEntries - 1) / (kWholeDatFiles - 1); }

// Entry i's game name.
inline std::string wholeDatTitle(int i) {
    char title[48];
    std::snprintf(title, sizeof title, "Title %05d (Japan)", i);
    return title;
}

// The DAT's text. The entries no file answers to are of 2048 bytes, which no file has.
inline std::string wholeDatText() {
    std::string text =
        "clrmamepro (\n\tname \"Nintendo - Nintendo Entertainment System (Headered)\"\n"
        "\tdescription \"Nintendo - Nintendo Entertainment System (Headered)\"\n"
        "\tversion 20261201-000000\n\tauthor \"tester\"\n\theader \"No-Intro_NES.xml\"\n)\n\n";
    int file = 0;
    for (int i = 0; i < kWholeDatEntries; ++i) {
        std::uint32_t crc = static_cast<std::uint32_t>(i) * 0x9E3779B1u;
        const char* size = "2048";
        if (file < kWholeDatFiles && wholeDatEntryOf(file) == i) {
            crc = kWholeDatCrcs[static_cast<std::size_t>(file++)];
            size = "1024";
        }
        char sums[48];
        std::snprintf(sums, sizeof sums, "size %s crc %08X", size, crc);
        const std::string title = wholeDatTitle(i);
        text += "game (\n\tname \"" + title + "\"\n\tdescription \"" + title +
                "\"\n\trom ( name \"" + title + ".nes\" " + sums + " )\n)\n\n";
    }
    return text;
}

}  // namespace romshelf::test
