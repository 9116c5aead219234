#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/settings/PlusSettings.h"

namespace romshelf {

// The names RetroArch's game databases give a hardware's systems ("Nintendo - Nintendo
// Entertainment System", its disk system …), the main one first; empty for a hardware without
// (the user's own hardware, other software).
std::vector<std::string> gameDatabaseNames(std::string_view code);

// Where RetroArch keeps its game databases on this machine, in the order looked through: the
// folder `content_database_path` of each retroarch.cfg names (a leading `~` is the home folder),
// then the usual folder of the distribution's RetroArch and of the Flatpak one. Only folders that
// exist. `home` and `configHome` stand for $HOME and $XDG_CONFIG_HOME (empty: ~/.config).
std::vector<std::string> retroArchDatabaseFolders(const std::string& home,
                                                  const std::string& configHome);
// The same for this user, from the environment.
std::vector<std::string> retroArchDatabaseFolders();

// The database files of hardware `code` in `sources` (folders and files): a file named is taken
// as it is; in a folder, <name>.rdb for each of the hardware's database names, and the per-field
// DATs <name>.dat there or in its subfolders two levels down (metadat/genre/<name>.dat). The
// hardware's own choice in the settings (`gameDatabase.<code>=`, names or paths separated by
// '|') replaces the names, its paths join the files. In source order, each file once.
std::vector<std::string> gameDatabaseFiles(std::string_view code,
                                           const std::vector<std::string>& sources,
                                           const PlusSettings& settings);

// The settings' choice for `code`: the names and paths it lists; empty when it has none.
std::vector<std::string> chosenGameDatabases(std::string_view code, const PlusSettings& settings);
// Sets (or, with an empty list, removes) the choice for `code`.
void chooseGameDatabases(std::string_view code, const std::vector<std::string>& namesOrPaths,
                         PlusSettings& settings);

}  // namespace romshelf
