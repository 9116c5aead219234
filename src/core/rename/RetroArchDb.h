#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/rename/GameFacts.h"

namespace romshelf {

// RetroArch database files larger than this are refused before they are read (the largest
// system's file is a few tens of megabytes).
inline constexpr std::uint64_t kRetroArchDbSizeLimit = 256ull * 1024 * 1024;

// Reads a RetroArch database file (.rdb): the 8 bytes "RARCHDB\0", the offset of the metadata
// (8 bytes, big-endian), one MessagePack map per game with text keys (crc, md5 and sha1 as
// binary; size, users, releaseyear and releasemonth as integers), a nil, then the metadata map
// whose `count` is the number of games. Keys this program does not use are passed over.
// nullopt, with `error` a sentence naming the file, for a file that is not one, is truncated,
// has a value of the wrong type, an offset or count that does not agree with the games, or a
// map or text larger than any real database holds (refused before anything of that size is
// allocated).
std::optional<std::vector<GameFacts>> readRetroArchDb(const std::string& path, std::string& error);

// The bytes of a database in memory, read as readRetroArchDb reads a file (`shown`: its name in
// messages).
std::optional<std::vector<GameFacts>> parseRetroArchDb(std::string_view bytes,
                                                       const std::string& shown,
                                                       std::string& error);

}  // namespace romshelf
