#include "core/rename/DatImport.h"

#include <limits>
#include <string_view>

namespace romshelf {

namespace {

// "dir\\sub/Game (Japan).nes" -> "Game (Japan)". DATs of disc sets use either separator.
std::string recordName(std::string_view romName) {
    const auto slash = romName.find_last_of("/\\");
    if (slash != std::string_view::npos) romName.remove_prefix(slash + 1);
    const auto dot = romName.rfind('.');
    if (dot != std::string_view::npos) romName = romName.substr(0, dot);
    return std::string(romName);
}

void readRom(const DatRom& rom, DatImport& dat) {
    std::string name = recordName(rom.name);
    // Sizes are kept in 32 bits: one of 4 GiB or more would wrap and match the wrong files
    // (exactly 4 GiB every empty one). What is left after the folders may still be no file title
    // (".", "..", a control character).
    const bool fits = rom.size && *rom.size <= std::numeric_limits<std::uint32_t>::max();
    if (rom.nodump || !fits || !rom.crc || !isUsableRenameTitle(name)) {
        ++dat.skipped;
        if (!rom.nodump && (!rom.sha1.empty() || !rom.md5.empty())) ++dat.verifyOnly;
        // A rom known not to be dumped is left out as expected; any other is named.
        if (!rom.nodump && !rom.name.empty()) dat.skippedNames.push_back(rom.name);
        return;
    }
    RenameRecord record;
    record.name = std::move(name);
    record.identity.size = static_cast<std::int32_t>(static_cast<std::uint32_t>(*rom.size));
    record.identity.crc = static_cast<std::int32_t>(*rom.crc);
    record.identity.sum1 = record.identity.sum2 = record.identity.sum3 = kUnknownProbeSum;
    record.sha1 = rom.sha1;
    record.header = static_cast<std::int32_t>(dat.header);
    dat.records.push_back(std::move(record));
}

}  // namespace

DatImport datImportOf(const DatFile& file) {
    DatImport dat;
    dat.datName = file.name;
    dat.header = file.header;
    for (const DatRom& rom : file.roms) readRom(rom, dat);
    return dat;
}

std::string skippedRomNamesText(const DatImport& dat, std::size_t shown) {
    if (dat.skippedNames.empty()) return {};
    std::string text = "\n除いたROM : ";
    for (std::size_t i = 0; i < dat.skippedNames.size() && i < shown; ++i)
        text += (i > 0 ? "、" : "") + dat.skippedNames[i];
    if (dat.skippedNames.size() > shown)
        text += " ほか " + std::to_string(dat.skippedNames.size() - shown) + " 件";
    return text;
}

std::optional<DatImport> readLogiqxDat(const std::string& path, std::string& error) {
    const std::optional<DatFile> file = readDatFile(path, error);
    if (!file) return std::nullopt;
    return datImportOf(*file);
}

}  // namespace romshelf
