#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace romshelf {

class Application;

// The file that holds a hardware's rename data ("Rename_FC.dat"); empty for the hardware that
// have none.
std::string renameDataFileName(std::string_view code);

inline constexpr const char* kNoRenameDataMessage =
    "現在選択中の機種ではリネームデータの作成もリネームもできません。";

// "リネームデータの作成": the identities of the listed files (archives and rows without a file
// left out) written as the hardware's rename data to a file the user picks. The number of
// records written, or nullopt when nothing was written.
std::optional<int> createRenameData(Application& app);

struct RenameCounts {
    int done = 0;           // moved to its canonical name, or carrying it already
    int clash = 0;          // its canonical name was taken: moved to the duplicate folder
    int failed = 0;         // no record, or no free place
    int bySizeAndCrc = 0;   // of done and clash: matched a DAT record on size and CRC alone
    int withoutHeader = 0;  // of those: matched by the bytes after the file's header
    // Matched a record whose name is no usable file title (a path, a control character, "."):
    // the file stays where it is; the names are told in the final message.
    int unusable = 0;
    std::vector<std::string> unusableNames;
    bool aborted = false;
    std::vector<std::string> companionsLeft;  // companion files whose new name was taken
};

// "リネームの開始": gives the listed files their names from the hardware's rename data, sorts
// them into the OK, duplicate and failed folders with their snaps, TEMP and save files, and
// offers the list of the records no file answers to. nullopt when it did not run.
std::optional<RenameCounts> applyRenameData(Application& app);

// "リネームデータの結合": the records of a second file added to a first one, a record of the
// same identity taking the second file's name. False when nothing was written.
bool mergeRenameData(Application& app);

// "DATファイルからリネームデータを作成": the ROM entries of a DAT file (size, CRC-32, SHA-1)
// written as the hardware's rename data. The number of records written, or nullopt.
std::optional<int> createRenameDataFromDat(Application& app);

}  // namespace romshelf
