#pragma once

#include <array>
#include <string>

namespace romshelf {

inline constexpr int kFileListColumns = 12;
inline constexpr int kColumnFolderNumber = 10;
inline constexpr int kColumnRecordIndex = 11;

// Folder numbers with a meaning of their own.
inline constexpr int kPlaceholderFolder = -1;  // "ファイルがありません": no file at all
inline constexpr int kUnownedFolder = -2;      // a file the user does not own

// One row of the file list: twelve texts, an icon number and the insertion number.
struct FileListRow {
    std::array<std::string, kFileListColumns> cells;
    int icon = 0;
    int param = 0;
    // Cells 10 and 11 as numbers, kept beside their texts.
    int folderNumber = kPlaceholderFolder;
    int recordIndex = -1;

    const std::string& gameName() const { return cells[0]; }
    const std::string& fileName() const { return cells[2]; }
};

// Which folder-window list narrows the current list.
enum FolderWindowKind : int {
    kKindNone = -1,
    kKindRomFolder = 0,
    kKindRating = 1,
    kKindCategory1 = 2,  // … kKindCategory1 + 4 = category 5
    kKindHardwareClass = 7,
    kKindFavourites = 8,
};

}  // namespace romshelf
