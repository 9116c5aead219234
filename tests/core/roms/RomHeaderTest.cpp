#include "core/roms/RomHeader.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <tuple>

#include "RomImages.h"
#include "TempFolder.h"

using namespace romshelf;
namespace rom = romshelf::test::rom;

namespace {

// The report's lines, each followed by a newline.
std::string joined(const HeaderReport& r) {
    std::string all;
    for (const std::string& l : r.lines) all += l + "\n";
    return all;
}

}  // namespace

TEST(RomHeader, ReadsTheFieldsOfImagesWithKnownHeaders) {
    std::string mdSmd = rom::megaDrive(32, "SONIC");
    {
        // The same image as a .smd dump: copier header, each 16 KB block's odd bytes first.
        std::string smd(512, '\0');
        smd[8] = '\xAA', smd[9] = '\xBB';
        for (std::size_t block = 0; block < mdSmd.size(); block += 16384) {
            for (std::size_t i = 0; i < 8192; ++i) smd += mdSmd[block + 2 * i + 1];
            for (std::size_t i = 0; i < 8192; ++i) smd += mdSmd[block + 2 * i];
        }
        mdSmd = smd;
    }
    using K = RomHeaderKind;
    // Kind, image, and lines ('|' between them) that must each be among the report's. The sums
    // come from Python 3, worked once over these images by the cartridges' rules: SNES every byte
    // after any copier header added, Mega Drive the big-endian words from $200, Master System
    // the bytes before its header at $7FF0, Game Boy the header bytes $134-$14C each taken away
    // with one more and every byte but $14E-$14F added, GBA -(bytes $A0-$BC + $19).
    const std::tuple<RomHeaderKind, std::string, std::string> cases[] = {
        {K::Nes, rom::ines(8, 16, 4, 0x03),
         "形式: iNES|マッパー: 4|PRG-ROM: 128 KB|CHR-ROM: 128 KB|ミラーリング: 垂直|"
         "バッテリー: あり|トレーナー: なし"},
        {K::Nes, rom::ines(2, 0, 1, 0x0C),
         "マッパー: 1|CHR-ROM: なし (CHR-RAM)|ミラーリング: 4画面|トレーナー: あり"},
        {K::Nes, rom::ines(2, 1, 0x1A5, 0, true),
         "形式: NES 2.0|マッパー: 421|サブマッパー: 0|タイミング: NTSC"},
        {K::Snes, rom::snes(false, 512, false, "SUPER GAME"),
         "形式: LoROM|コピアヘッダ: なし|タイトル: SUPER GAME|マップモード: $20 (SlowROM)|"
         "ROMサイズ: 512 KB|SRAMサイズ: 8 KB|地域: 日本 ($00)|"
         "チェックサム: $F377 (計算値 $F377、一致)|補数: $0C88"},
        {K::Snes, rom::snes(false, 512, true, "SUPER GAME"),
         "形式: LoROM|コピアヘッダ: あり (512バイト)|タイトル: SUPER GAME|"
         "チェックサム: $F377 (計算値 $F377、一致)"},
        {K::Snes, rom::snes(true, 1024, false, "HI GAME"),
         "形式: HiROM|コピアヘッダ: なし|マップモード: $31 (FastROM)|ROMサイズ: 1024 KB|"
         "チェックサム: $F2EB (計算値 $F2EB、一致)|補数: $0D14"},
        {K::Snes, rom::snes(true, 1024, true, "HI GAME"),
         "形式: HiROM|コピアヘッダ: あり (512バイト)|タイトル: HI GAME|"
         "チェックサム: $F2EB (計算値 $F2EB、一致)"},
        {K::MegaDrive, rom::megaDrive(32, "SONIC"),
         "機種: SEGA MEGA DRIVE|著作権: (C)SEGA 1991.APR|国内名: SONIC|"
         "製品番号: GM 00001009-00|地域: JUE|ファイルサイズ: 32 KB|"
         "チェックサム: $8000 (計算値 $8000、一致)"},
        {K::MegaDrive, mdSmd,
         "形式: SMD (インターリーブ、512バイトのヘッダ)|国内名: SONIC|"
         "チェックサム: $8000 (計算値 $8000、一致)"},
        {K::MasterSystem, rom::masterSystem(),
         "製品番号: 7012|バージョン: 3|地域: SMS 日本 ($3)|ROMサイズ: 32 KB|"
         "チェックサム: $B2A8 (計算値 $B2A8、一致)"},
        {K::GameBoy, rom::gameBoy("TETRIS"),
         "タイトル: TETRIS|カラー対応: なし|カートリッジ種別: MBC1+RAM+BATTERY ($03)|"
         "ROMサイズ: 64 KB|RAMサイズ: 8 KB|地域: 日本|ライセンシー: $01|"
         "ヘッダチェックサム: $05 (一致)|グローバルチェックサム: $F2A5 (計算値 $F2A5、一致)"},
        {K::GameBoyAdvance, rom::gameBoyAdvance("POKEMON RUBY", "AXVJ"),
         "タイトル: POKEMON RUBY|ゲームコード: AXVJ|地域: 日本|メーカー: 01|バージョン: 1|"
         "補数チェック: $3B (一致)"},
    };
    for (const auto& [kind, image, lines] : cases) {
        const HeaderReport r = readRomHeader(kind, image);
        SCOPED_TRACE(joined(r));
        EXPECT_TRUE(r.valid);
        for (std::size_t from = 0, to = 0; from < lines.size(); from = to + 1) {
            to = std::min(lines.find('|', from), lines.size());
            EXPECT_EQ(std::ranges::count(r.lines, lines.substr(from, to - from)), 1)
                << lines.substr(from, to - from);
        }
    }
}

TEST(RomHeader, TellsWrongChecksumsAndSizes) {
    // A byte flipped past the Game Boy header (so its header checksum still holds) and in a Mega
    // Drive image (their sums after the flip from Python 3, as above), and a cut iNES image: a
    // line that starts so and says so.
    std::string gb = rom::gameBoy("TETRIS"), md = rom::megaDrive(32, "SONIC");
    gb[0x2000] ^= 1;
    md[0x300] ^= 1;
    const std::string nes = rom::ines(8, 16, 4, 0);
    const std::tuple<RomHeaderKind, std::string, const char*, const char*> cases[] = {
        {RomHeaderKind::GameBoy, gb, "グローバルチェックサム: ", "$F2A5 (計算値 $F2A6、不一致)"},
        {RomHeaderKind::MegaDrive, md, "チェックサム: ", "$8000 (計算値 $8100、不一致)"},
        {RomHeaderKind::Nes, nes.substr(0, nes.size() - 100), "ファイルが短すぎます", ""}};
    for (const auto& [kind, image, start, saying] : cases) {
        const HeaderReport r = readRomHeader(kind, image);
        EXPECT_TRUE(r.valid) << start;
        EXPECT_TRUE(std::ranges::any_of(r.lines, [&](const std::string& l) {
            return l.starts_with(start) && l.ends_with(saying);
        })) << joined(r);
    }
}

TEST(RomHeader, RefusesTruncatedAndHostileImages) {
    std::string gbBadSum = rom::gameBoy("TETRIS");
    gbBadSum[0x14D] ^= 0x55;
    std::string gbaBadComplement = rom::gameBoyAdvance("GAME", "AAAJ");
    gbaBadComplement[0xBD] ^= 1;
    std::string snesNoMode = rom::snes(false, 512, false, "GAME");
    snesNoMode[0x7FC0 + 0x15] = '\x00';
    std::string nesHugeExponent = rom::ines(1, 0, 0, 0, true);
    nesHugeExponent[9] = '\x0F', nesHugeExponent[4] = '\xFC';  // 2^63 bytes of PRG-ROM
    const std::tuple<const char*, RomHeaderKind, std::string> cases[] = {
        {"empty NES", RomHeaderKind::Nes, ""},
        {"NES magic only", RomHeaderKind::Nes, std::string("NES\x1A", 4)},
        {"no PRG", RomHeaderKind::Nes, rom::ines(0, 1, 0, 0)},
        {"huge NES 2.0 size", RomHeaderKind::Nes, nesHugeExponent},
        {"SNES too short", RomHeaderKind::Snes, std::string(0x7FC0 + 0x20, '\x20')},
        {"SNES zeros", RomHeaderKind::Snes, std::string(65536, '\0')},
        {"SNES without map mode", RomHeaderKind::Snes, snesNoMode},
        {"SNES header cut", RomHeaderKind::Snes,
         rom::snes(true, 1024, false, "X").substr(0, 0xFFD0)},
        {"MD short", RomHeaderKind::MegaDrive, rom::megaDrive(32, "X").substr(0, 0x1FF)},
        {"MD no SEGA", RomHeaderKind::MegaDrive, std::string(4096, 'S')},
        {"fake SMD", RomHeaderKind::MegaDrive, std::string(512, '\xAA') + std::string(16384, '\0')},
        {"MSYS without TMR SEGA", RomHeaderKind::MasterSystem, std::string(32768, '\xFF')},
        {"GB short", RomHeaderKind::GameBoy, rom::gameBoy("X").substr(0, 0x14F)},
        {"GB header checksum", RomHeaderKind::GameBoy, gbBadSum},
        {"GB no logo", RomHeaderKind::GameBoy, std::string(0x8000, '\0')},
        {"GBA short", RomHeaderKind::GameBoyAdvance,
         rom::gameBoyAdvance("X", "AAAJ").substr(0, 0xBF)},
        {"GBA complement", RomHeaderKind::GameBoyAdvance, gbaBadComplement},
    };
    for (const auto& [name, kind, image] : cases) {
        const HeaderReport r = readRomHeader(kind, image);
        EXPECT_FALSE(r.valid) << name << "\n" << joined(r);
        ASSERT_FALSE(r.lines.empty()) << name;
        EXPECT_NE(r.lines[0].find("ヘッダが正しくありません"), std::string::npos) << name;
    }
}

TEST(RomHeader, ReadsFilesBoundedAndKindsByHardwareAndExtension) {
    test::TempFolder dir;
    dir.write("game.gb", rom::gameBoy("TETRIS"));
    EXPECT_TRUE(readRomHeaderFile(RomHeaderKind::GameBoy, dir.file("game.gb")).valid);
    // A folder, a missing file and a FIFO are refused without reading or waiting.
    dir.makeFolder("folder.gb");
    ASSERT_EQ(::mkfifo(dir.file("pipe.gb").c_str(), 0600), 0);
    for (const char* name : {"folder.gb", "missing.gb", "pipe.gb"}) {
        const HeaderReport r = readRomHeaderFile(RomHeaderKind::GameBoy, dir.file(name));
        EXPECT_FALSE(r.valid) << name;
        EXPECT_EQ(r.lines.size(), 1u) << name;
    }
    EXPECT_EQ(headerKindOf("MSYS"), RomHeaderKind::MasterSystem);
    EXPECT_EQ(headerKindOf("PCE"), std::nullopt);
    EXPECT_EQ(headerKindOfFile("a/Game (J).SMC"), RomHeaderKind::Snes);
    EXPECT_EQ(headerKindOfFile("x.gbc"), RomHeaderKind::GameBoy);
    EXPECT_EQ(headerKindOfFile("x.pce"), std::nullopt);
}
