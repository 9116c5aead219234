// The DAT reader over hostile XML and clrmamepro text: whatever it takes becomes rename data, as
// the import writes it.
#include <cstdint>
#include <cstdlib>

#include "FuzzSupport.h"
#include "core/rename/DatImport.h"

using namespace romshelf;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string error;
    const std::optional<DatImport> dat =
        readLogiqxDat(fuzz::writeInput("game.dat", data, size), error);
    if (!dat) {
        if (error.empty()) std::abort();  // a refusal always says why
        return 0;
    }
    // A record has a name and matches on size and CRC alone; a SHA-1, when kept, is whole.
    for (const RenameRecord& r : dat->records)
        if (r.name.empty() || !matchesOnSizeAndCrc(r.identity) ||
            (!r.sha1.empty() && r.sha1.size() != 40))
            std::abort();
    if (dat->skippedNames.size() > static_cast<std::size_t>(dat->skipped)) std::abort();
    // Every skip has its reason, and the reasons add up to the skips; no title is a path.
    if (dat->skippedReasons.size() != dat->skippedNames.size()) std::abort();
    int byReason = 0;
    for (const int n : dat->skips) byReason += n;
    if (byReason != dat->skipped) std::abort();
    for (const RenameRecord& r : dat->records)
        if (!isUsableRenameTitle(r.name)) std::abort();
    skippedRomNamesText(*dat);
    datImportNotesText(*dat);
    RenameData rename;
    rename.hardware = "FC";
    rename.records = dat->records;
    DataStream stream;
    saveRenameData(stream, fuzz::workFolder() + "Rename_FC.dat", rename);
    return 0;
}
