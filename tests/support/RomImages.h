#pragma once

#include <cstdint>
#include <string>

// ROM images with known header fields, written the way each cartridge's header is laid out, for
// the header readers' tests and fuzz seeds.
namespace romshelf::test::rom {

inline void put(std::string& image, std::size_t at, const std::string& bytes) {
    image.replace(at, bytes.size(), bytes);
}
inline void put8(std::string& image, std::size_t at, unsigned value) {
    image[at] = static_cast<char>(value & 0xFF);
}
inline void putLe16(std::string& image, std::size_t at, unsigned value) {
    put8(image, at, value), put8(image, at + 1, value >> 8);
}
inline void putBe16(std::string& image, std::size_t at, unsigned value) {
    put8(image, at, value >> 8), put8(image, at + 1, value);
}

// iNES: `prgBanks` x 16 KB, `chrBanks` x 8 KB, mapper, flags 6's low nibble (mirroring,
// battery, trainer, four-screen).
inline std::string ines(unsigned prgBanks, unsigned chrBanks, unsigned mapper, unsigned flags6,
                        bool nes2 = false) {
    std::string image(16 + ((flags6 & 4) ? 512 : 0) + prgBanks * 16384 + chrBanks * 8192, '\xEA');
    put(image, 0, std::string("NES\x1A", 4));
    put8(image, 4, prgBanks), put8(image, 5, chrBanks);
    put8(image, 6, (mapper & 0x0F) << 4 | (flags6 & 0x0F));
    put8(image, 7, (mapper & 0xF0) | (nes2 ? 0x08 : 0));
    for (std::size_t i = 8; i < 16; ++i) put8(image, i, 0);
    if (nes2) put8(image, 8, (mapper >> 8) & 0x0F);
    return image;
}

// SNES: a `kb` KB image with its internal header at $7FC0 (LoROM) or $FFC0 (HiROM), checksum
// and complement right, and a 512-byte copier header in front when asked.
inline std::string snes(bool hiRom, std::size_t kb, bool copier, const std::string& title) {
    std::string image(kb * 1024, '\0');
    for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<char>(i * 7);
    const std::size_t h = hiRom ? 0xFFC0 : 0x7FC0;
    put(image, h, (title + std::string(21, ' ')).substr(0, 21));
    put8(image, h + 0x15, hiRom ? 0x31 : 0x20);
    put8(image, h + 0x16, 0x02);
    put8(image, h + 0x17, kb >= 1024 ? 0x0A : 0x09);
    put8(image, h + 0x18, 0x03);
    put8(image, h + 0x19, 0x00);
    put8(image, h + 0x1A, 0x01);
    put8(image, h + 0x1B, 0x00);
    putLe16(image, h + 0x3C, 0x8000);
    putLe16(image, h + 0x1C, 0xFFFF), putLe16(image, h + 0x1E, 0);
    // With complement + checksum = $FFFF, the four bytes add up to $1FE whatever the checksum.
    std::uint32_t sum = 0;
    for (unsigned char c : image) sum += c;
    putLe16(image, h + 0x1E, sum & 0xFFFF), putLe16(image, h + 0x1C, ~sum & 0xFFFF);
    return copier ? std::string(512, '\0') + image : image;
}

// Mega Drive: the Sega header at $100 and the word sum of everything from $200 as checksum.
inline std::string megaDrive(std::size_t kb, const std::string& title) {
    std::string image(kb * 1024, '\0');
    for (std::size_t i = 0x200; i < image.size(); ++i) image[i] = static_cast<char>(i * 13);
    put(image, 0x100, "SEGA MEGA DRIVE (C)SEGA 1991.APR");
    put(image, 0x120, (title + std::string(48, ' ')).substr(0, 48));
    put(image, 0x150, (title + std::string(48, ' ')).substr(0, 48));
    put(image, 0x180, "GM 00001009-00");
    put(image, 0x190, "J               ");
    put(image, 0x1F0, "JUE");
    std::uint32_t sum = 0;
    for (std::size_t i = 0x200; i + 1 < image.size(); i += 2)
        sum += static_cast<unsigned char>(image[i]) << 8 | static_cast<unsigned char>(image[i + 1]);
    putBe16(image, 0x18E, sum & 0xFFFF);
    return image;
}

// Master System: 32 KB, "TMR SEGA" at $7FF0, product 7012, version 3, SMS Japan, the sum of the
// bytes before the header.
inline std::string masterSystem() {
    std::string image(32768, '\0');
    for (std::size_t i = 0; i < 0x7FF0; ++i) image[i] = static_cast<char>(i * 5);
    put(image, 0x7FF0, "TMR SEGA");
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < 0x7FF0; ++i) sum += static_cast<unsigned char>(image[i]);
    putLe16(image, 0x7FFA, sum & 0xFFFF);
    putLe16(image, 0x7FFC, 0x7012);
    put8(image, 0x7FFE, 0x03), put8(image, 0x7FFF, 0x3C);
    return image;
}

// Game Boy: the logo, both checksums right, cartridge type MBC1+RAM+BATTERY, 64 KB.
inline std::string gameBoy(const std::string& title) {
    static const unsigned char logo[48] = {
        0xCE, 0xED, 0x66, 0x66, 0xCC, 0x0D, 0x00, 0x0B, 0x03, 0x73, 0x00, 0x83,
        0x00, 0x0C, 0x00, 0x0D, 0x00, 0x08, 0x11, 0x1F, 0x88, 0x89, 0x00, 0x0E,
        0xDC, 0xCC, 0x6E, 0xE6, 0xDD, 0xDD, 0xD9, 0x99, 0xBB, 0xBB, 0x67, 0x63,
        0x6E, 0x0E, 0xEC, 0xCC, 0xDD, 0xDC, 0x99, 0x9F, 0xBB, 0xB9, 0x33, 0x3E};
    std::string image(64 * 1024, '\0');
    for (std::size_t i = 0x150; i < image.size(); ++i) image[i] = static_cast<char>(i * 3);
    put(image, 0x104, std::string(reinterpret_cast<const char*>(logo), 48));
    put(image, 0x134, (title + std::string(16, '\0')).substr(0, 16));
    put8(image, 0x147, 0x03), put8(image, 0x148, 0x01), put8(image, 0x149, 0x02);
    put8(image, 0x14B, 0x01);
    unsigned header = 0;
    for (std::size_t i = 0x134; i <= 0x14C; ++i)
        header = header - static_cast<unsigned char>(image[i]) - 1;
    put8(image, 0x14D, header);
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < image.size(); ++i)
        if (i != 0x14E && i != 0x14F) sum += static_cast<unsigned char>(image[i]);
    putBe16(image, 0x14E, sum & 0xFFFF);
    return image;
}

// Game Boy Advance: title, game code, maker, the fixed byte and the complement.
inline std::string gameBoyAdvance(const std::string& title, const std::string& code) {
    std::string image(4096, '\0');
    put(image, 0xA0, (title + std::string(12, '\0')).substr(0, 12));
    put(image, 0xAC, code.substr(0, 4));
    put(image, 0xB0, "01");
    put8(image, 0xB2, 0x96);
    put8(image, 0xBC, 0x01);
    unsigned sum = 0;
    for (std::size_t i = 0xA0; i <= 0xBC; ++i) sum += static_cast<unsigned char>(image[i]);
    put8(image, 0xBD, 0u - sum - 0x19);
    return image;
}

}  // namespace romshelf::test::rom
