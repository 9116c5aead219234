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
    SnesCopier = 5,  // 512 bytes, when the size is 512 more than a multiple of 32 KiB
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

// A word for the report ("iNES", "FDS", "Lynx", "Atari 7800", "SNES copier").
std::string_view headerKindName(HeaderKind kind);

}  // namespace romshelf
