#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace romshelf {

// The cartridge headers the program reads itself, for "ファイルの内部情報を表示" where no ROM
// checker is set.
enum class RomHeaderKind { Nes, Snes, MegaDrive, MasterSystem, GameBoy, GameBoyAdvance };

// The header of a hardware's ROMs (FC, SFC, MD, MSYS, GB, GBA); nullopt for the others.
std::optional<RomHeaderKind> headerKindOf(std::string_view hardwareCode);
// The header a file's extension suggests (".nes", ".sfc", ".md", ".gb" …); nullopt when none.
std::optional<RomHeaderKind> headerKindOfFile(std::string_view path);

struct HeaderReport {
    bool valid = false;
    // Lines for the system log: the fields, or why the header is not valid.
    std::vector<std::string> lines;
};

// No image larger than this is read: the largest cartridges are 8 MB (MD), 32 MB (GBA).
inline constexpr std::uint64_t kMaxHeaderImageBytes = 64ull * 1024 * 1024;

// Reads the header of a whole ROM image. Any bytes are safe: a short or inconsistent image gets
// an invalid report, never a read outside `image`.
HeaderReport readRomHeader(RomHeaderKind kind, std::string_view image);
// The same for a file: a regular file of at most kMaxHeaderImageBytes, else an invalid report.
HeaderReport readRomHeaderFile(RomHeaderKind kind, const std::string& path);

}  // namespace romshelf
