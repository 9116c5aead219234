#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace romshelf {

// The copier and emulator headers that DATs of headerless dumps leave out of their sums: a file
// with one matches the DAT by the bytes after it.
enum class HeaderKind : std::int32_t {
    None = 0,
    INes = 1,        // "NES\x1A", 16 bytes (iNES and NES 2.0)
    Fds = 2,         // "FDS\x1A", 16 bytes
    Lynx = 3,        // "LYNX", 64 bytes
    Atari7800 = 4,   // "ATARI7800" at offset 1, 128 bytes
    SnesCopier = 5,  // 512 bytes: see hasSnesCopierHeader
};

// How many bytes a header of `kind` takes (0 for None).
std::size_t headerLength(HeaderKind kind);

// The header the first bytes of a file of `size` bytes show. `head` holds at least the first
// 128 bytes when the file has them. With `expected` (what a DAT says its files carry) only that
// kind is looked for.
HeaderKind detectHeader(std::string_view head, std::uint64_t size,
                        HeaderKind expected = HeaderKind::None);

// The kind a DAT's skipper file names ("No-Intro_NES.xml", "No-Intro_FDS.xml", "No-Intro_LNX.xml",
// "No-Intro_A7800.xml", a SNES one); None for any other.
HeaderKind headerKindOfSkipper(std::string_view skipper);

// Whether a file of `size` bytes that starts with `head` (at least its first 30 bytes) carries a
// SNES copier's 512-byte header. The DAT groups' header file tells one by the eight bytes at
// 0x16: zeros (Pro Fighter and most copiers), AA BB 04 and zeros (Super Magicom, Super Wild
// Card), or "SUPERUFO". A game of zeros there is common enough, so the size must agree too: a
// whole number of kilobytes after the header. The one rule for matching DATs and for reading the
// ROM's own header.
bool hasSnesCopierHeader(std::string_view head, std::uint64_t size);

// A word for the report ("iNES", "FDS", "Lynx", "Atari 7800", "SNES copier").
std::string_view headerKindName(HeaderKind kind);

}  // namespace romshelf
