#pragma once

#include <array>
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

// Why a file was or was not renamed. Each is counted apart and named in the report.
enum class RenameReason {
    Renamed,       // moved to its canonical name
    AlreadyNamed,  // carrying it already
    Duplicate,     // its canonical name was taken: moved to the duplicate folder
    SameName,      // its canonical name was taken and there is no duplicate folder: left in place
    Unknown,       // no record matches it
    TooLarge,      // 4 GiB or more: identities hold 32-bit sizes
    Unreadable,    // it could not be read whole
    NameTooLong,   // the new name would be longer than 255 bytes: left in place
    BadCharacter,  // the record's name is no file title (a path, a control character, "."):
                   // left in place
    Failed,        // the move itself failed
};
inline constexpr int kRenameReasonCount = 10;
// The reason as the command line prints it: "renamed", "already named", …
const char* renameReasonWord(RenameReason reason);

// One file the rename looked at, for the report.
struct RenameRow {
    std::string file;    // its path before the rename
    std::string target;  // the name it took or would have taken (empty when nothing matched)
    RenameReason reason = RenameReason::Unknown;
};

struct RenameCounts {
    std::array<int, kRenameReasonCount> byReason{};
    int count(RenameReason r) const { return byReason[static_cast<std::size_t>(r)]; }
    int bySizeAndCrc = 0;   // of the renamed and duplicates: matched a DAT record on size and CRC
    int withoutHeader = 0;  // of those: matched by the bytes after the file's header
    std::vector<RenameRow> rows;  // every file looked at, in list order
    bool aborted = false;
    std::vector<std::string> companionsLeft;  // companion files whose new name was taken
    // The records came from a whole DAT (no cap) rather than the hardware's rename data.
    std::string datPath;
};

// "リネームの開始": gives the listed files their names from the hardware's rename data, sorts
// them into the OK, duplicate and failed folders with their snaps, TEMP and save files, and
// offers the list of the records no file answers to. nullopt when it did not run.
// With `datPath`, or when the hardware's rename data hold only the first records of a DAT whose
// path the settings keep, the records are the whole DAT's, however many.
std::optional<RenameCounts> applyRenameData(Application& app, const std::string& datPath = {});

// The report of a rename as CSV (UTF-8 with a BOM, CR LF, quoted as needed): file, target name,
// reason.
std::string renameReportCsv(const RenameCounts& counts);

// What a merge did with the second file's records.
struct MergeCounts {
    int added = 0;          // of an identity the first file lacked
    int renamed = 0;        // of one it had: its name taken
    int refused = 0;        // no usable file name
    std::size_t total = 0;  // records of the merged file
};

// "リネームデータの結合": the records of a second file added to a first one, a record of the
// same identity taking the second file's name. nullopt when nothing was written.
std::optional<MergeCounts> mergeRenameData(Application& app);

// "DATファイルからリネームデータを作成": the ROM entries of a DAT file (size, CRC-32, SHA-1)
// written as the hardware's rename data. The file keeps its layout and its limit of
// kRenameTableLimit records, so that the other program reads it: a larger DAT has its first
// records written, the user is told that the rest are only in the DAT, and (when the file is the
// data folder's own) the DAT's path is kept in the settings for renaming. The number of records
// written, or nullopt.
std::optional<int> createRenameDataFromDat(Application& app);

}  // namespace romshelf
