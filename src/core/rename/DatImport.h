#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/rename/DatFile.h"
#include "core/rename/RenameData.h"

namespace romshelf {

// The ROM entries of a DAT file as rename records.
struct DatImport {
    std::vector<RenameRecord> records;  // file order, one per <rom> entry with size and crc
    int skipped = 0;                    // rom entries without a usable size/crc (or a name)
    // The skipped entries' names as the DAT writes them, in file order; those marked nodump
    // (expected to lack a CRC) and those without a name are only counted.
    std::vector<std::string> skippedNames;
    // Of the skipped: entries that lack a size or CRC but carry a SHA-1 or MD5 (they serve a
    // verification with the DAT, not rename data).
    int verifyOnly = 0;
    std::string datName;                   // the DAT's <header><name>, if any
    HeaderKind header = HeaderKind::None;  // the header its files carry before the summed bytes
};

// Reads a DAT (Logiqx XML or clrmamepro text, see readDatFile) as rename records. A record's
// name is the rom's name without its folder and its last extension (an entry whose name is then
// no file title, such as "." or one with a control character, is skipped); its size is stored
// in 32 bits as FileIdentity stores it; its sums are all kUnknownProbeSum, so it matches on size
// and CRC (and the SHA-1 when the DAT gives one); its header is the DAT's skipper's. Roms marked
// nodump, or lacking a name, a size below 4 GiB or an 8-digit CRC, are counted in `skipped`,
// never stored with a wrapped value. nullopt with `error` set as readDatFile sets it.
std::optional<DatImport> readLogiqxDat(const std::string& path, std::string& error);
DatImport datImportOf(const DatFile& dat);

// The line naming the first `shown` skipped entries for the import's message ("" when none is
// named), the number of the others after them.
std::string skippedRomNamesText(const DatImport& dat, std::size_t shown = 10);

}  // namespace romshelf
