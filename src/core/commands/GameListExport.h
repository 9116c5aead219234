#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/database/RomRecord.h"

namespace romshelf {

class Application;

// What "ゲームリストの作成" asks for: the items added after each game name, the layout, CSV
// instead of text, and the folder the list goes to.
struct GameListOptions {
    bool fileName = false;
    bool fileSize = false;
    bool rating = false;
    std::array<bool, kRecordClassCount> categories{};
    bool hardwareClass = false;
    bool blankLines = false;  // an empty line after each entry
    bool secondLine = false;  // the items on a second, indented line
    bool csv = false;         // every field of the records; the options above are not used
    bool utf8 = false;        // UTF-8 instead of CP932
    std::string folder;

    bool anyItem() const;
};

// Whether the command does anything: a hardware is current and the list has rows (the
// placeholder row of an empty list counts).
bool canCreateGameList(const Application& app);

// The options as the dialog opens: nothing on, the program folder without its trailing '/'.
GameListOptions initialGameListOptions(const Application& app);

// "gamelist_" + the code in lower case + ".csv" or ".txt" in `folder` (one '/' between).
std::string gameListPath(std::string_view folder, std::string_view code, bool csv);

// The list's contents before encoding, each line ended by "\n". CSV values are written as
// RFC 4180 has them (a quote inside a quoted value doubled), so that every record comes back
// whole through the import.
std::string gameListContents(Application& app, const GameListOptions& options);

// Writes the shown list as the options say and tells the user how it went; the path written,
// or nullopt when nothing was (no list, or "リストの作成に失敗しました。"). `waiting`, when
// given, hears when the writing starts (true) and ends (false), for a wait cursor.
std::optional<std::string> createGameList(Application& app, const GameListOptions& options,
                                          const std::function<void(bool)>& waiting = {});

inline constexpr const char* kGameListFolderTitle =
    "ゲームリストを作成するフォルダを指定してください。";

}  // namespace romshelf
