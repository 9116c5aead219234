#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace romshelf {

// What a game database (RetroArch's .rdb files, the per-field DATs) tells of one game: how its
// file is recognised (size and CRC-32, serial, name) and the facts a record can be filled from.
// Every field may be missing; texts are as the database wrote them (UTF-8).
struct GameFacts {
    std::string name;     // the game's name ("Super Mario Bros. (World)"); a field DAT's comment
    std::string romName;  // the file's name in the database, extension and all
    std::string description;
    std::string genre, developer, publisher, franchise;
    std::string serial;
    std::optional<std::uint64_t> size;
    std::optional<std::uint32_t> crc;
    std::optional<int> releaseYear, releaseMonth, users;

    bool operator==(const GameFacts&) const = default;
};

}  // namespace romshelf
