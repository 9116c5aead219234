#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/database/RomTable.h"
#include "core/views/FileListRow.h"

namespace romshelf {

class Application;

// "ファイル情報の最適化": deletes the current hardware's records whose file is no longer in the
// list of all files, and those that hold nothing but their title. Asks first, shows its progress
// (the cancel button does not stop it: it is short) and says how many it deleted, then shows the
// start list again. The number deleted, or nullopt when it did not run: no hardware, the answer
// was no, or the files could not all be seen (a ROM folder that is missing or unreadable, no file
// at all), where going on would delete the records of files that still exist.
std::optional<int> optimiseFileInfo(Application& app);

inline constexpr const char* kOptimiseQuestion =
    "現在選択している機種のデータを最適化します。\n\nロムフォルダに入っているファイルと、"
    "登録したファイル情報を比べて\n存在しないファイルの情報を削除します。\n\n"
    "実行したら元に戻せませんが、実行しますか？";

// The records the optimisation deletes, in slot order: those whose title (in any letter case) is
// no row's file title, and those that hold only their title.
std::vector<int> uselessRecords(const RomTable& table, const FileListView& rows);

// What the user is told instead of an optimisation over a folder that cannot be seen.
std::string missingRomFolderMessage(int folderNumber, const std::string& path);

}  // namespace romshelf
