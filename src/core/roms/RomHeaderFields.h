#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/roms/RomHeader.h"

// The pieces every cartridge header reader is made of: numbers at an offset, and the report's
// lines.
namespace romshelf::romheader {

// Bounds are checked by each reader before it reads a field; these never see an offset past
// the image.
inline unsigned byteAt(std::string_view b, std::size_t off) {
    return static_cast<unsigned char>(b[off]);
}
inline unsigned le16(std::string_view b, std::size_t off) {
    return byteAt(b, off) | byteAt(b, off + 1) << 8;
}
inline unsigned be16(std::string_view b, std::size_t off) {
    return byteAt(b, off) << 8 | byteAt(b, off + 1);
}
inline std::uint32_t be32(std::string_view b, std::size_t off) {
    return static_cast<std::uint32_t>(be16(b, off)) << 16 | be16(b, off + 2);
}

// "$0A3F": `digits` hexadecimal digits at least.
std::string hex(std::uint64_t value, int digits);
std::string number(std::uint64_t value);
// "512 KB", or "1000 バイト" for a size of no whole kilobytes.
std::string sizeText(std::uint64_t bytes);
// A header's text field: CP932 (titles may hold kana), blanks and NULs trimmed at the end,
// control bytes shown as blanks; bytes that are not CP932 become '?'.
std::string textField(std::string_view b, std::size_t off, std::size_t length);
// "label: value", a line of the report.
std::string field(std::string_view label, const std::string& value);
// A checksum as stored, then as computed and whether they agree.
std::string compared(std::uint64_t stored, std::uint64_t computed, int digits);
// The report of a header that is not valid: what it is not, and why.
HeaderReport invalid(std::string_view name, std::string reason);
inline const char* yesNo(bool on) { return on ? "あり" : "なし"; }

}  // namespace romshelf::romheader
