#include "core/launch/DefaultEmulatorTable.h"

#include <gtest/gtest.h>

#include <map>

using namespace romshelf;

namespace {

struct Spot {
    const char* code;
    int slot;
    const char* name;
    const char* executable;
    const char* flags;
};

std::string flagsOf(const DefaultEmulator& row) {
    std::string f;
    if (row.specialStart)
        f += 'S';
    if (row.zipPassAllowed)
        f += 'Z';
    if (row.quoteAllowed)
        f += 'Q';
    return f;
}

void expectUserSlot(const DefaultEmulator& row, const std::string& name) {
    EXPECT_EQ(row.defaultName, name);
    EXPECT_EQ(row.executableName, "*.exe");
    EXPECT_EQ(flagsOf(row), "ZQ") << name;
}

}  // namespace

TEST(DefaultEmulatorTable, RowsOfSeveralHardware) {
    const Spot spots[] = {
        {"FC", 0, "VirtuaNES", "VirtuaNES.exe", "ZQ"},
        {"FC", 4, "SMYNES", "smynes.exe", "S"},
        {"FC", 5, "Nesticle95", "Nestcl95.exe", ""},
        {"FC", 15, "Unofficial nester", "nester.exe", "Q"},
        {"FC", 23, "Yame", "yamme.exe", "ZQ"},
        {"FC", 25, "Pretendo", "Pretendo.exe", ""},
        {"SFC", 12, "SNESGT", "SNESGT.exe", "SZ"},
        {"N64", 1, "UltraHLE", "Ultra.exe", "S"},
        {"PCE", 8, "HU-GO!", "hu-go.exe", ""},
        {"PCE", 12, "PCE", "pce.exe", ""},
        {"MSYS", 4, "Kega Lazarus SE", "Kega Lazarus SE.exe", "SZ"},
        {"MD", 6, "retroDrive", "retroDrive.exe", "SZ"},
        {"GB", 5, "NO$GMB", "No$gmb.exe", "Q"},
        {"GB", 6, "?\?\?(NoName)", "Noname.exe", "S"},
        {"GB", 11, "カスタムGB", "カスタムＧＢ.exe", "Z"},
        {"GB", 20, "DreamGBC", "DreamGBC.exe", ""},
        {"GBA", 1, "BoycottAdvance", "BoycottAdvance.exe", "ZQ"},
        {"WS", 2, "Cygne DOS", "Cygne.exe", "Z"},
        {"NGP", 3, "R.A.P.E.?", "Rape.exe", "S"},
        {"LYNX", 1, "Handy", "handy.exe", ""},
        {"MAME", 0, "MAME 01", "mame.exe", ""},
        {"MAME", 9, "MAME 10", "mame.exe", ""},
        {"MSX", 1, "RuMSX", "Msx.exe", "SQ"},
        {"X68", 0, "EX68", "Ex68.exe", ""},
        {"PC88", 2, "X88000", "x88000.exe", ""},
        {"PC98", 0, "Anex86", "anex86.exe", "S"},
        {"PC98", 1, "Neko Project II", "np2.exe", "S"},
    };
    for (const auto& s : spots) {
        const DefaultEmulatorTable table(s.code);
        const DefaultEmulator& row = table.row(s.slot);
        EXPECT_EQ(row.defaultName, s.name) << s.code << " " << s.slot;
        EXPECT_EQ(row.executableName, s.executable) << s.code << " " << s.slot;
        EXPECT_EQ(flagsOf(row), s.flags) << s.code << " " << s.slot;
    }
}

TEST(DefaultEmulatorTable, NamedRowsRunWithoutGapsThenTheUserSlots) {
    const std::map<std::string, int> named = {
        {"FC", 26}, {"SFC", 13}, {"N64", 3},  {"PCE", 13}, {"MSYS", 5}, {"MD", 9},    {"GB", 21},
        {"GBA", 5}, {"WS", 3},   {"GG", 5},   {"NGP", 5},  {"LYNX", 2}, {"MAME", 10}, {"MSX", 2},
        {"X68", 1}, {"PC88", 3}, {"PC98", 3}, {"GC", 0},   {"FX", 0},   {"SAT", 0},   {"DC", 0},
        {"PS", 0},  {"PS2", 0},  {"HARD", 0}, {"", 0},     {"fc", 0},
    };
    for (const auto& [code, count] : named) {
        DefaultEmulatorTable table(code);
        const auto& offered = table.offeredSlots();
        ASSERT_EQ(offered.size(), static_cast<std::size_t>(count + 5)) << code;
        for (int i = 0; i < count; ++i) {
            EXPECT_EQ(offered[static_cast<std::size_t>(i)], i) << code;
            EXPECT_FALSE(table.row(i).executableName.empty()) << code << " " << i;
        }
        for (int slot = count; slot < 59; ++slot) {
            EXPECT_TRUE(table.row(slot) == DefaultEmulator{}) << code << " " << slot;
        }
        for (int k = 0; k < 5; ++k) {
            EXPECT_EQ(offered[static_cast<std::size_t>(count + k)], 59 + k) << code;
            expectUserSlot(table.row(59 + k), "ユーザ設定エミュレータ " + std::to_string(k + 1));
        }
    }
}

TEST(DefaultEmulatorTable, UserHardwareOffersAllSixtyFourSlots) {
    for (const char* code : {"USER1", "USER3", "USER5"}) {
        DefaultEmulatorTable table(code);
        ASSERT_EQ(table.offeredSlots().size(), 64u) << code;
        for (int slot = 0; slot < 64; ++slot) {
            EXPECT_EQ(table.offeredSlots()[static_cast<std::size_t>(slot)], slot);
            expectUserSlot(table.row(slot), "ユーザ設定 " + std::to_string(slot + 1));
        }
    }
}

TEST(DefaultEmulatorTable, SharedEmulatorsAgreeAcrossHardware) {
    // Master System and Game Gear list the same five emulators.
    DefaultEmulatorTable msys("MSYS"), gg("GG");
    for (int slot = 0; slot < 64; ++slot)
        EXPECT_TRUE(msys.row(slot) == gg.row(slot)) << slot;
}
