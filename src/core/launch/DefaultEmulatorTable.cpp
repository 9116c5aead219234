#include "core/launch/DefaultEmulatorTable.h"

#include <span>

namespace romshelf {

namespace {

// A named row; the flags are the letters S, Z and Q of the capabilities that are on.
struct NamedRow {
    std::string_view name;
    std::string_view executable;
    std::string_view flags;
};

constexpr NamedRow kFcRows[] = {
    {"VirtuaNES", "VirtuaNES.exe", "ZQ"},
    {"Nester", "nester.exe", "ZQ"},
    {"NesterJ", "nesterJ.exe", "ZQ"},
    {"NNNesterJ", "nnnesterJ.exe", "ZQ"},
    {"SMYNES", "smynes.exe", "S"},
    {"Nesticle95", "Nestcl95.exe", ""},
    {"Nesticle DOS", "Nesticle.exe", ""},
    {"BioNES", "BioNES.exe", "S"},
    {"Famtasia", "Famtasia.exe", ""},
    {"loopyNES", "loopynes.exe", ""},
    {"Jnes", "Jnes.exe", ""},
    {"InfoNES", "InfoNES.exe", ""},
    {"GNES", "nesemu2.exe", ""},
    {"iNES", "iNES.exe", ""},
    {"TNES", "TNes.exe", "S"},
    {"Unofficial nester", "nester.exe", "Q"},
    {"fwNES", "fwnes.exe", ""},
    {"FCE Ultra WIN", "fceu.exe", "Q"},
    {"FCE Ultra DOS", "fceu.exe", ""},
    {"RockNES", "Rocknes.exe", ""},
    {"RockNES X", "RockNESX.exe", ""},
    {"DarcNES", "darcnes.exe", ""},
    {"NESten", "nesten.exe", "Q"},
    {"Yame", "yamme.exe", "ZQ"},
    {"Family Emulator", "Fe.exe", ""},
    {"Pretendo", "Pretendo.exe", ""},
};

constexpr NamedRow kSfcRows[] = {
    {"SNEShout", "SNEShout.exe", "ZQ"},
    {"SNES9X WIN", "Snes9XW.exe", "ZQ"},
    {"SNES9X DOS", "Snes9x.exe", "ZQ"},
    {"Unofficial Snes9x", "Snes9XW.exe", "ZQ"},
    {"Snes9xpp SE", "Snes9xpj.exe", "ZQ"},
    {"ZSNES WIN", "zsnesw.exe", "ZQ"},
    {"ZSNES C", "Zsnes.exe", "ZQ"},
    {"ZSNES ASM", "Zsnes.exe", "ZQ"},
    {"Unofficial ZSNES", "zsnesw.exe", "ZQ"},
    {"SNEeSe", "Sneese.exe", ""},
    {"NLKE", "Nlke.exe", ""},
    {"SNEmul", "Snemul.exe", ""},
    {"SNESGT", "SNESGT.exe", "SZ"},
};

constexpr NamedRow kN64Rows[] = {
    {"Project64", "Project64.exe", "SZ"},
    {"UltraHLE", "Ultra.exe", "S"},
    {"Nemu64", "Nemu.exe", ""},
};

constexpr NamedRow kPceRows[] = {
    {"MAGIC-ENGINE WIN", "pce.exe", "Q"},
    {"MAGIC-ENGINE DOS", "Pce.exe", ""},
    {"Yame", "Yame.exe", "ZQ"},
    {"npce", "npce.exe", "Z"},
    {"XPCE", "xpce.exe", "SZ"},
    {"tgemu WIN", "tgemuw.exe", "S"},
    {"tgemu DOS", "pce.exe", ""},
    {"DarcNES", "darcnes.exe", ""},
    {"HU-GO!", "hu-go.exe", ""},
    {"rew.", "rew.exe", "S"},
    {"Hu6280 WIN", "Hudx.exe", "S"},
    {"Hu6280 DOS", "Hu6280.exe", ""},
    {"PCE", "pce.exe", ""},
};

constexpr NamedRow kMsysRows[] = {
    {"Meka", "Meka.exe", ""},
    {"SMS Plus", "Sp.exe", ""},
    {"DEGA", "dega.exe", ""},
    {"Past-O-Rama", "pastorama.exe", "Z"},
    {"Kega Lazarus SE", "Kega Lazarus SE.exe", "SZ"},
};

constexpr NamedRow kMdRows[] = {
    {"GENS", "Gens.exe", "Z"},
    {"DGEN", "dgen.exe", "Z"},
    {"MEGASIS", "megasis.exe", "Z"},
    {"XEGA", "Xega.exe", "SZ"},
    {"Kega Lazarus SE", "Kega Lazarus SE.exe", "SZ"},
    {"WinAGES", "Ages.exe", "S"},
    {"retroDrive", "retroDrive.exe", "SZ"},
    {"GENECYST", "Genecyst.exe", ""},
    {"KGEN98", "Kgen98.exe", ""},
};

constexpr NamedRow kGbRows[] = {
    {"TGB Dual", "TGB_Dual.exe", "ZQ"},
    {"VisualBoyAdvance", "VisualBoyAdvance.exe", "ZQ"},
    {"rew.", "rew.exe", "S"},
    {"SMYGB", "smygb.exe", ""},
    {"D-BOY", "Dboy.exe", "Z"},
    {"NO$GMB", "No$gmb.exe", "Q"},
    {"\?\?\?(NoName)", "Noname.exe", "S"},
    {"HeboWin", "HeboWin.exe", ""},
    {"BGB", "bgb.exe", "Z"},
    {"WinGBC", "WinGBC.exe", "S"},
    {"WinGBC2ND", "WinGBC2ND.exe", "S"},
    {"カスタムGB", "カスタムＧＢ.exe", "Z"},
    {"helloGAMEBOY", "hgb.exe", "Q"},
    {"GemuBoy", "GemuBoy.exe", "Q"},
    {"VGB", "VGB.exe", ""},
    {"Gameboy98", "EmuGb.exe", ""},
    {"VISUAL BOY", "GB.exe", "Z"},
    {"GBEmu", "GBEmu.exe", "S"},
    {"Virtual Game Boy Color", "vgbc.exe", "Q"},
    {"Yame", "Yame.exe", "ZQ"},
    {"DreamGBC", "DreamGBC.exe", ""},
};

constexpr NamedRow kGbaRows[] = {
    {"VisualBoyAdvance", "VisualBoyAdvance.exe", "ZQ"},
    {"BoycottAdvance", "BoycottAdvance.exe", "ZQ"},
    {"Virtual GameBoy Advance", "Vgba.exe", ""},
    {"iGBA", "Igba.exe", ""},
    {"DreamGBA", "DreamGBA.exe", ""},
};

constexpr NamedRow kWsRows[] = {
    {"WSCamp", "WSCamp.exe", "S"},
    {"Cygne WIN", "Cygne.exe", "SZ"},
    {"Cygne DOS", "Cygne.exe", "Z"},
};

constexpr NamedRow kGgRows[] = {
    {"Meka", "Meka.exe", ""},
    {"SMS Plus", "Sp.exe", ""},
    {"DEGA", "dega.exe", ""},
    {"Past-O-Rama", "pastorama.exe", "Z"},
    {"Kega Lazarus SE", "Kega Lazarus SE.exe", "SZ"},
};

constexpr NamedRow kNgpRows[] = {
    {"NGpocket", "Ngpocket.exe", ""},     {"NeoPocott", "NeoPocott.exe", "S"},
    {"NeoPop", "NeoPop-Win32.exe", "ZQ"}, {"R.A.P.E.?", "Rape.exe", "S"},
    {"koyote", "koyote.exe", "Z"},
};

constexpr NamedRow kLynxRows[] = {
    {"MetaLynx", "metalynx.exe", ""},
    {"Handy", "handy.exe", ""},
};

constexpr NamedRow kMameRows[] = {
    {"MAME 01", "mame.exe", ""}, {"MAME 02", "mame.exe", ""}, {"MAME 03", "mame.exe", ""},
    {"MAME 04", "mame.exe", ""}, {"MAME 05", "mame.exe", ""}, {"MAME 06", "mame.exe", ""},
    {"MAME 07", "mame.exe", ""}, {"MAME 08", "mame.exe", ""}, {"MAME 09", "mame.exe", ""},
    {"MAME 10", "mame.exe", ""},
};

constexpr NamedRow kMsxRows[] = {
    {"fMSX DOS", "fmsx-dos.exe", ""},
    {"RuMSX", "Msx.exe", "SQ"},
};

constexpr NamedRow kX68Rows[] = {
    {"EX68", "Ex68.exe", ""},
};

constexpr NamedRow kPc88Rows[] = {
    {"M88", "M88.exe", ""},
    {"PC88WIN", "Pc88win.exe", ""},
    {"X88000", "x88000.exe", ""},
};

constexpr NamedRow kPc98Rows[] = {
    {"Anex86", "anex86.exe", "S"},
    {"Neko Project II", "np2.exe", "S"},
    {"VIRTUAL98", "Virtual98.exe", ""},
};

struct HardwareRows {
    std::string_view code;
    std::span<const NamedRow> rows;
};

// Hardware not listed here (GC, FX, SAT, DC, PS, PS2, HARD) has no named emulators.
constexpr HardwareRows kNamedRows[] = {
    {"FC", kFcRows},     {"SFC", kSfcRows}, {"N64", kN64Rows}, {"PCE", kPceRows},
    {"MSYS", kMsysRows}, {"MD", kMdRows},   {"GB", kGbRows},   {"GBA", kGbaRows},
    {"WS", kWsRows},     {"GG", kGgRows},   {"NGP", kNgpRows}, {"LYNX", kLynxRows},
    {"MAME", kMameRows}, {"MSX", kMsxRows}, {"X68", kX68Rows}, {"PC88", kPc88Rows},
    {"PC98", kPc98Rows},
};

DefaultEmulator userRow(std::string name) {
    DefaultEmulator row;
    row.defaultName = std::move(name);
    row.executableName = "*.exe";
    row.zipPassAllowed = true;
    row.quoteAllowed = true;
    return row;
}

}  // namespace

DefaultEmulatorTable::DefaultEmulatorTable(std::string_view code) {
    for (const auto& hardware : kNamedRows) {
        if (hardware.code != code) continue;
        for (std::size_t slot = 0; slot < hardware.rows.size(); ++slot) {
            const NamedRow& named = hardware.rows[slot];
            DefaultEmulator& row = rows_[slot];
            row.defaultName = named.name;
            row.executableName = named.executable;
            row.specialStart = named.flags.find('S') != std::string_view::npos;
            row.zipPassAllowed = named.flags.find('Z') != std::string_view::npos;
            row.quoteAllowed = named.flags.find('Q') != std::string_view::npos;
        }
    }
    if (code.starts_with("USER")) {
        // A user hardware has nothing built in: every slot is a user slot.
        for (int slot = 0; slot < kEmulatorCount; ++slot)
            rows_[static_cast<std::size_t>(slot)] =
                userRow("ユーザ設定 " + std::to_string(slot + 1));
    } else {
        for (int k = 0; k < kUserEmulatorSlotCount; ++k)
            rows_[static_cast<std::size_t>(kFirstUserEmulatorSlot + k)] =
                userRow("ユーザ設定エミュレータ " + std::to_string(k + 1));
    }
    for (int slot = 0; slot < kEmulatorCount; ++slot)
        if (!row(slot).defaultName.empty()) offered_.push_back(slot);
}

}  // namespace romshelf
