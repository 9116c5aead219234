#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/rename/RenameData.h"

namespace romshelf {

class Application;

// What the rename commands share: the rename data files they read and write, with the user's
// messages, and the listed files their loops work on.

inline constexpr const char* kWarning = "警告";
inline constexpr const char* kCreateFailed = "リネームデータの作成に失敗しました。";

// A listed file the loops work on, taken before the loop: the list is rebuilt only after it.
struct LoopFile {
    std::string name;  // as shown: file name with extension
    std::string path;  // on disk
    int recordIndex = -1;
};

// The rows the rename loops look at, in display order; rows without a file (the placeholder,
// unowned titles) and archives are left out and counted nowhere.
struct LoopFiles {
    int total = 0;                                // every row, for the progress range
    std::vector<std::pair<int, LoopFile>> files;  // (row number, file)
};
LoopFiles listedFiles(const Application& app);

// The hardware's rename data file name, or the warning and empty.
std::string renameFileOrWarn(Application& app);
// The save picker for rename data and the overwrite question; the chosen path or nothing.
std::optional<std::string> chooseRenameDataTarget(Application& app, const std::string& fileName);
bool writeOrWarn(Application& app, const std::string& path, const RenameData& data);
// The DAT the hardware's rename data were cut from, as the settings keep it; empty when none.
std::string keptRenameDat(const Application& app);
// Keeps `dat` as the DAT of the hardware's rename data, or forgets it when empty.
void keepRenameDat(Application& app, const std::string& dat);
// Loads a rename data file for merging or applying; its own messages on a refusal, `missing`
// when it cannot be read at all.
std::optional<RenameData> loadOrWarn(Application& app, const std::string& path,
                                     const std::string& missing, std::size_t limit);
// The names refused as file titles, listed under the counts (at most ten, then a count).
std::string unusableNamesText(const std::vector<std::string>& names, const char* heading);

}  // namespace romshelf
