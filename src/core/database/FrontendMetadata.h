#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace romshelf {

// One game as another frontend describes it (ES-DE/EmulationStation gamelist.xml, Pegasus
// metadata files), in the terms of this program's records.
struct FrontendGame {
    std::vector<std::string> paths;  // as written: "./x.zip", "sub/x.zip", "x.zip"
    std::string name, description, genre;
    std::optional<int> stars;  // 0-5
    std::optional<bool> favourite;
    std::optional<int> playCount;
    std::string lastPlayed;  // as written (ES-DE: 20231005T120000)
    bool operator==(const FrontendGame&) const = default;
};

enum class FrontendFormat { EsDe, Pegasus };

// A gamelist.xml: <gameList> of <game> with <path>, <name>, <desc>, <rating> (0-1), <genre>,
// <favorite>, <playcount>, <lastplayed>; <folder> entries are no games. nullopt and `error` for
// what is no such file (or declares entities).
std::optional<std::vector<FrontendGame>> readEsdeGamelist(std::string bytes, std::string& error);

// A Pegasus metadata file: "key: value" lines, a value going on over indented lines (joined with
// spaces, a line of a single dot making a line break), '#' comments; "game:" starts a game, with
// "file:"/"files:" (one a line), "description:", "rating:" (a percentage), "genre:"; the
// collection's keys before the first game are not used.
std::optional<std::vector<FrontendGame>> readPegasusMetadata(std::string_view text,
                                                             std::string& error);

// Which of the two a file's bytes are: XML is a gamelist, anything else Pegasus.
FrontendFormat detectFrontendFormat(std::string_view bytes);

}  // namespace romshelf
