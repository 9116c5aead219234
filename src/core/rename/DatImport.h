#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/rename/RenameData.h"

namespace romshelf {

// The ROM entries of a DAT file as rename records.
struct DatImport {
    std::vector<RenameRecord> records;  // file order, one per <rom> entry with size and crc
    int skipped = 0;                    // rom entries without a usable size/crc (or a name)
    // The skipped entries' names as the DAT writes them, in file order; those marked nodump
    // (expected to lack a CRC) and those without a name are only counted.
    std::vector<std::string> skippedNames;
    std::string datName;  // the DAT's <header><name>, if any
};

// DAT files larger than this are refused before they are read.
inline constexpr std::uint64_t kDatSizeLimit = 512ull * 1024 * 1024;

// Reads a Logiqx-XML DAT (<datafile> of <game>s, or a <mame> list of <machine>s, each holding
// <rom name=… size=… crc=… sha1=…/> entries). A record's name is the rom's name without its
// folder and its last extension; its size is stored in 32 bits as FileIdentity stores it; its
// sums are all kUnknownProbeSum, so it matches on size and CRC (and the SHA-1 when the DAT gives
// a 40-digit one). Roms marked status="nodump", or lacking a name, a decimal size below 4 GiB or
// an 8-digit CRC, are counted in `skipped`, never stored with a wrapped value.
// nullopt with `error` set (a sentence for the user) when the file cannot be read, is too
// large, is not XML, is not such a DAT, or declares entities.
std::optional<DatImport> readLogiqxDat(const std::string& path, std::string& error);

// The line naming the first `shown` skipped entries for the import's message ("" when none is
// named), the number of the others after them.
std::string skippedRomNamesText(const DatImport& dat, std::size_t shown = 10);

}  // namespace romshelf
