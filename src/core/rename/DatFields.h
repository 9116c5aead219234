#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/rename/GameFacts.h"

namespace romshelf {

// Reads a DAT of game facts in clrmamepro text, one field or several per game, as RetroArch's
// database sources publish them by field:
//   game ( comment "Title (Japan)" genre "Action" rom ( crc 44AA3EEB ) )
// with genre, developer, publisher, franchise, releaseyear, releasemonth, users and description,
// each game keyed by its rom's crc (and size) or by a serial (of the game or of its rom); the
// comment, or else the name, is the game's name. A game of several roms gives one entry per rom.
// Numbers that do not read are left absent. nullopt, with `error` naming the file, when it cannot
// be read or is no such text.
std::optional<std::vector<GameFacts>> readFieldDat(const std::string& path, std::string& error);

// The text of such a DAT in memory (`shown`: its name in messages).
std::optional<std::vector<GameFacts>> parseFieldDat(std::string_view text, const std::string& shown,
                                                    std::string& error);

}  // namespace romshelf
