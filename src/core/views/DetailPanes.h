#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/database/CategoryLists.h"
#include "core/database/RomTable.h"
#include "core/settings/FolderSettings.h"
#include "core/storage/PlayHistory.h"
#include "core/views/FileListRow.h"

namespace romshelf {

// What the detail windows need besides the row: the current hardware's folders and records,
// the six category names (categories 1-5, then the hardware class) and two settings.
struct DetailSources {
    const LoadedFolders& folders;
    const RomTable& records;
    std::array<std::string, kCategoryListCount> categoryNames;
    bool otherSoftware = false;      // the rows are the other-software list
    bool showCategoryNames = false;  // "分類名 : 値" in the file-information window
};

// What joins the file's name and its size in the status line.
inline constexpr std::string_view kStatusSizeLabel = " - ファイルサイズ : ";

// The nine texts of the file-information window.
struct FileInfoTexts {
    std::string gameName;
    std::string status;  // "name - ファイルサイズ : size", empty for rows without a file
    std::string rating;
    std::array<std::string, kCategoryListCount> categories;

    bool operator==(const FileInfoTexts&) const = default;
};

// The file a row stands for: an other-software row's location, else the row's file in its ROM
// folder. Empty for the placeholder and unowned rows (no ROM folder).
std::string rowFilePath(const FileListRow& row, const DetailSources& s);

// The bytes of the row's file; a disc set's row counts every disc. 0 for a file that cannot be
// examined (and for rows without a file). `discs` tells how many discs were counted.
std::uint64_t rowFileSize(const FileListRow& row, const DetailSources& s,
                          std::size_t* discs = nullptr);

// The file-information window's texts for a row. Linux has no 8.3 names: the status line names
// the file as it is.
FileInfoTexts fileInfoTexts(const FileListRow& row, const DetailSources& s);

// The database window's text: the comment of the row's record; empty for an unregistered row.
std::string databaseText(const FileListRow& row, const RomTable& records);
// What the window shows above the comment for a game that was played: how often, how long, when
// last (a blank line before the comment); empty for one never played.
std::string playedText(const PlayStats& plays);

}  // namespace romshelf
