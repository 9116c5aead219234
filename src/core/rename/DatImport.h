#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/rename/DatFile.h"
#include "core/rename/RenameData.h"

namespace romshelf {

// Why a rom entry of a DAT gives no rename record.
enum class DatSkip {
    NoCrc,         // no size or no 8-digit CRC
    TooLarge,      // 4 GiB or more: sizes are held in 32 bits
    BadCharacter,  // a control character, or no file title once its extension is off
    NoDump,        // marked nodump: expected to lack a CRC
};
inline constexpr int kDatSkipCount = 4;

// '/' and '\\' inside a DAT's name are no folders of ours: the title takes this in their place.
inline constexpr char kSeparatorReplacement = '-';

// The ROM entries of a DAT file as rename records.
struct DatImport {
    std::vector<RenameRecord> records;       // file order, one per <rom> entry with size and crc
    int skipped = 0;                         // rom entries without a record, whatever the reason
    std::array<int, kDatSkipCount> skips{};  // of those, by reason
    // The skipped entries' names as the DAT writes them, in file order, and each one's reason;
    // those marked nodump (expected to lack a CRC) and those without a name are only counted.
    std::vector<std::string> skippedNames;
    std::vector<DatSkip> skippedReasons;
    // Of the skipped: entries that lack a size or CRC but carry a SHA-1 or MD5 (they serve a
    // verification with the DAT, not rename data).
    int verifyOnly = 0;
    // The entries whose names held '/' or '\\', as the DAT writes them: their titles have
    // kSeparatorReplacement in its place.
    std::vector<std::string> replacedSeparators;
    std::string datName;                   // the DAT's <header><name>, if any
    HeaderKind header = HeaderKind::None;  // the header its files carry before the summed bytes
};

// Reads a DAT (Logiqx XML or clrmamepro text, see readDatFile) as rename records. A record's
// name is the rom's name without its last extension, '/' and '\\' replaced by
// kSeparatorReplacement (an entry whose name is then no file title, such as "." or one with a
// control character, is skipped); its size is stored
// in 32 bits as FileIdentity stores it; its sums are all kUnknownProbeSum, so it matches on size
// and CRC (and the SHA-1 when the DAT gives one); its header is the DAT's skipper's. Roms marked
// nodump, or lacking a name, a size below 4 GiB or an 8-digit CRC, are counted in `skipped`,
// never stored with a wrapped value. nullopt with `error` set as readDatFile sets it.
std::optional<DatImport> readLogiqxDat(const std::string& path, std::string& error);
DatImport datImportOf(const DatFile& dat);

// The line naming the first `shown` skipped entries for the import's message ("" when none is
// named), the number of the others after them.
std::string skippedRomNamesText(const DatImport& dat, std::size_t shown = 10);

// What the import left out or changed, for the user: a line per reason that counts ("大きさか
// CRCがないため除いたROMの数 : 2"), the names left out, and the names whose separators were
// replaced (saying by what). "" when nothing was.
std::string datImportNotesText(const DatImport& dat, std::size_t shown = 10);

}  // namespace romshelf
