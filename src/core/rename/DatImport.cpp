#include "core/rename/DatImport.h"

#include <limits>
#include <string_view>

namespace romshelf {

namespace {

// "Game A/B (Japan).nes" -> "Game A-B (Japan)": a separator is part of the title, never a folder.
std::string recordName(std::string_view romName, bool& replaced) {
    const auto dot = romName.rfind('.');
    if (dot != std::string_view::npos &&
        romName.find_first_of("/\\", dot) == std::string_view::npos)
        romName = romName.substr(0, dot);
    std::string name(romName);
    replaced = false;
    for (char& c : name)
        if (c == '/' || c == '\\') c = kSeparatorReplacement, replaced = true;
    return name;
}

void skip(DatImport& dat, const DatRom& rom, DatSkip reason) {
    ++dat.skipped;
    ++dat.skips[static_cast<std::size_t>(reason)];
    if (reason != DatSkip::NoDump && (!rom.sha1.empty() || !rom.md5.empty())) ++dat.verifyOnly;
    // A rom known not to be dumped is left out as expected; any other is named.
    if (reason != DatSkip::NoDump && !rom.name.empty()) {
        dat.skippedNames.push_back(rom.name);
        dat.skippedReasons.push_back(reason);
    }
}

void readRom(const DatRom& rom, DatImport& dat) {
    bool replaced = false;
    std::string name = recordName(rom.name, replaced);
    // Sizes are kept in 32 bits: one of 4 GiB or more would wrap and match the wrong files
    // (exactly 4 GiB every empty one). What is left may still be no file title (".", "..", a
    // control character).
    if (rom.nodump) return skip(dat, rom, DatSkip::NoDump);
    if (!rom.size || !rom.crc) return skip(dat, rom, DatSkip::NoCrc);
    if (*rom.size > std::numeric_limits<std::uint32_t>::max())
        return skip(dat, rom, DatSkip::TooLarge);
    if (!isUsableRenameTitle(name)) return skip(dat, rom, DatSkip::BadCharacter);
    if (replaced) dat.replacedSeparators.push_back(rom.name);
    RenameRecord record;
    record.name = std::move(name);
    record.identity.size = static_cast<std::int32_t>(static_cast<std::uint32_t>(*rom.size));
    record.identity.crc = static_cast<std::int32_t>(*rom.crc);
    record.identity.sum1 = record.identity.sum2 = record.identity.sum3 = kUnknownProbeSum;
    record.sha1 = rom.sha1;
    record.header = static_cast<std::int32_t>(dat.header);
    dat.records.push_back(std::move(record));
}

std::string namesLine(const char* heading, const std::vector<std::string>& names,
                      std::size_t shown) {
    if (names.empty()) return {};
    std::string text = std::string("\n") + heading;
    for (std::size_t i = 0; i < names.size() && i < shown; ++i)
        text += (i > 0 ? "、" : "") + visibleText(names[i]);
    if (names.size() > shown) text += " ほか " + std::to_string(names.size() - shown) + " 件";
    return text;
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
    return namesLine("除いたROM : ", dat.skippedNames, shown);
}

std::string datImportNotesText(const DatImport& dat, std::size_t shown) {
    static constexpr const char* kLines[kDatSkipCount] = {
        "大きさかCRCがないため除いたROMの数 : ",
        "4GiB以上のため除いたROMの数 : ",
        "ファイル名に使えない文字があるため除いたROMの数 : ",
        "未ダンプ (nodump) のため除いたROMの数 : ",
    };
    std::string text;
    for (int r = 0; r < kDatSkipCount; ++r)
        if (const int n = dat.skips[static_cast<std::size_t>(r)]; n > 0)
            text += "\n" + std::string(kLines[r]) + std::to_string(n);
    text += skippedRomNamesText(dat, shown);
    if (!dat.replacedSeparators.empty())
        text += "\n名前の「/」と「\\」を「" + std::string(1, kSeparatorReplacement) +
                "」に置き換えたROMの数 : " + std::to_string(dat.replacedSeparators.size()) +
                namesLine("置き換えたROM : ", dat.replacedSeparators, shown);
    return text;
}

std::optional<DatImport> readLogiqxDat(const std::string& path, std::string& error) {
    const std::optional<DatFile> file = readDatFile(path, error);
    if (!file) return std::nullopt;
    return datImportOf(*file);
}

}  // namespace romshelf
