#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/database/CsvRecordReader.h"
#include "core/database/RomRecord.h"

namespace romshelf {

class Application;

// The records a CSV file holds, as the import would take them.
struct CsvRecords {
    std::vector<RomRecord> records;  // 5000 at most
    int beyondCapacity = 0;          // records after the 5000th, left out
    int withoutTitle = 0;            // records without a file name, left out
};

// Reads a CSV file's bytes in either layout. A file the game list wrote reads field for field;
// an older file written without escapes reads as that program read it. nullopt, with the
// message in `error`, for a binary file, a quote never closed, a record of more than a
// megabyte or a record with the wrong number of fields: such a file changes nothing.
std::optional<CsvRecords> readCsvRecords(std::string_view bytes, CsvFormat format,
                                         std::string& error);

struct CsvImportResult {
    CsvRecords read;
    std::string backupPath;  // the replaced records' copy; empty when there were none
};

// "RomshelfPlus!!のCSVを読み込む" and "旧RomshelfのCSVを読み込む": asks, lets the user pick the
// file, saves the current hardware's records to a copy, replaces them with the file's and
// rebuilds the list. nullopt when nothing changed.
std::optional<CsvImportResult> importCsv(Application& app, CsvFormat format);

// Before an import replaces or fills the current hardware's records: writes them to a copy in the
// data folder under a name no file has yet ("RomData_<code>_<purpose>.slb", then "-2", "-3" …).
// The copy's path, "" when there are no records to keep, nullopt when it could not be written.
std::optional<std::string> copyRecordsAside(const Application& app, std::string_view purpose);

// A CSV file larger than this is refused unread.
inline constexpr std::uint64_t kCsvFileLimit = 128ull * 1024 * 1024;

}  // namespace romshelf
