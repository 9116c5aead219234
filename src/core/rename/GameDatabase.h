#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/rename/GameFacts.h"

namespace romshelf {

// One hardware's games from all its database files, looked up by contents and by name through
// hash maps. A later file's facts fill what an earlier one left empty for the same game (same
// CRC-32 and size, else same serial, else same name).
class GameDatabase {
public:
    void add(std::vector<GameFacts> games);
    std::size_t size() const { return games_.size(); }
    // The game of a file of `size` bytes and this CRC-32 (a game without a size matches any).
    const GameFacts* findByContents(std::uint64_t size, std::uint32_t crc) const;
    // The game whose name, or whose file name without its extension, is `title`.
    const GameFacts* findByTitle(std::string_view title) const;
    // Whether some game may be `size` bytes long: a file is read for a header only when the
    // bytes after it could be a game's.
    bool mayHaveSize(std::uint64_t size) const { return anyWithoutSize_ || sizes_.contains(size); }

private:
    std::optional<std::size_t> sameGame(const GameFacts& game) const;
    void index(std::size_t i);
    std::vector<GameFacts> games_;
    std::unordered_multimap<std::uint32_t, std::size_t> byCrc_;
    std::unordered_map<std::string, std::size_t> bySerial_, byTitle_;
    std::unordered_set<std::uint64_t> sizes_;
    bool anyWithoutSize_ = false;
};

// Reads each file (.rdb as RetroArch's database, anything else as a field DAT) into one
// database. nullopt, with the file's message in `error`, when one of them cannot be read:
// nothing is filled from a half-read source.
std::optional<GameDatabase> loadGameDatabase(const std::vector<std::string>& files,
                                             std::string& error);

}  // namespace romshelf
