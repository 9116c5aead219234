// The demo catalogue: what it writes, that the program reads it, that a second run keeps the
// user's changes; the first steps' hint and the first start's side-by-side layout.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <tuple>

#include "AppChecks.h"
#include "demo/DemoCatalogue.h"
#include "core/app/FirstSteps.h"
#include "core/rename/FileIdentity.h"
#include "core/pictures/DibPicture.h"
#include "core/roms/RomHeader.h"

using namespace romshelf;
using namespace romshelf::test;

namespace {

struct DemoCatalogue : AppChecks {
    TempFolder bin;  // where the search for emulators looks
    EmulatorSearchPlaces places() const {
        EmulatorSearchPlaces p;
        p.pathFolders = {bin.path()};
        return p;
    }
    DemoReport make() { return makeDemoCatalogue(ProgramFolder(dir.path()), prompter, places()); }
    bool lists(const DemoReport& r, const std::string& file) const {
        return std::ranges::count(r.written, file) > 0;
    }
};

}  // namespace

TEST_F(DemoCatalogue, WritesRomsWithValidHeadersAndTheProgramListsThemWithTheirRecordsAndSnaps) {
    const DemoReport report = make();
    ASSERT_TRUE(report.ok()) << report.failed.front();
    EXPECT_EQ(report.codes, (std::vector<std::string>{"FC", "GB", "MD"}));
    // Each image's CRC-32 and the checksums its header must carry, from Python 3 once over the
    // images written: zlib.crc32, and the cartridges' rules by hand (Game Boy: the header bytes
    // $134-$14C each taken away with one more, and every byte but $14E-$14F added; Mega Drive:
    // the big-endian words from $200 added). NES images carry none.
    using V = std::vector<std::string>;
    const auto gb = [](const std::string& header, const std::string& global) {
        return V{"ヘッダチェックサム: $" + header + " (一致)",
                 "グローバルチェックサム: $" + global + " (計算値 $" + global + "、一致)"};
    };
    const auto md = [](const std::string& sum) {
        return V{"チェックサム: $" + sum + " (計算値 $" + sum + "、一致)"};
    };
    const std::tuple<const char*, RomHeaderKind, std::uint32_t, V> images[] = {
        {"FC/Hoshizora Demo (J).nes", RomHeaderKind::Nes, 0xf2d730e6, {}},
        {"FC/Midori no Mori (J).nes", RomHeaderKind::Nes, 0xe80c3468, {}},
        {"FC/Yuuyake Puzzle (J).nes", RomHeaderKind::Nes, 0x5f152c95, {}},
        {"GB/Kaze no Uta (J).gb", RomHeaderKind::GameBoy, 0x8fcc41be, gb("59", "34C9")},
        {"GB/Pocket Kaeru (J).gb", RomHeaderKind::GameBoy, 0xf97d0595, gb("D6", "35C9")},
        {"GB/Tsuki Akari (J).gb", RomHeaderKind::GameBoy, 0xea44e29e, gb("13", "34C5")},
        {"MD/Hanabi Taikai (J).md", RomHeaderKind::MegaDrive, 0x1aa2d9ed, md("E6AD")},
        {"MD/Tetsu no Shiro (J).md", RomHeaderKind::MegaDrive, 0x2f69a5bb, md("E2D3")},
        {"MD/Umi no Soko (J).md", RomHeaderKind::MegaDrive, 0xaefa348c, md("EF25")},
    };
    for (const auto& [name, kind, crc, sums] : images) {
        const std::string file = "roms/" + std::string(name);
        SCOPED_TRACE(file);
        EXPECT_TRUE(lists(report, file));
        EXPECT_EQ(static_cast<std::uint32_t>(fileIdentity(dir.file(file)).crc), crc);
        const HeaderReport header = readRomHeaderFile(kind, dir.file(file));
        EXPECT_TRUE(header.valid);
        for (const std::string& line : sums)
            EXPECT_EQ(std::ranges::count(header.lines, line), 1) << line;
    }
    // No emulator installed where the search looks: no emulator file to fill in later.
    EXPECT_FALSE(has("data/Emulator_FC.slb"));

    start("FC");
    ASSERT_EQ(app.fileList().rows().size(), 3u);
    const RomTable& table = app.romTable();
    const int i = table.findRecordByTitle("Hoshizora Demo (J)");
    ASSERT_GE(i, 0);
    EXPECT_EQ(std::tie(table[i].gameName, table[i].reading, table[i].rating, table[i].favourite),
              std::tuple("星空デモ", "ほしぞらでも", 5, true));
    EXPECT_FALSE(table[i].comment.empty());
    EXPECT_TRUE(firstStepsHint(app).empty());
    // The lists offer what the records use: every hardware's categories, and the class.
    const CategoryLists& lists = app.categoryLists();
    EXPECT_EQ(lists.items[0], (V{"アクション", "パズル", "アドベンチャー", "シューティング"}));
    EXPECT_EQ(lists.items[1], V{"自作"});
    EXPECT_EQ(lists.items[kHardwareClassList], V{"ROM"});
    for (const char* picture :
         {"snap/FC/Hoshizora Demo (J).bmp", "media/FC/Hoshizora Demo (J).bmp"}) {
        DibPicture p;
        ASSERT_TRUE(p.create(320, 240));
        EXPECT_TRUE(p.loadBmp(dir.file(picture), false, false)) << picture;
    }
}

// A snap is its image's screen: the accent colour on the tiles where the image's tile map names
// the solid tile 1, the backdrop elsewhere, in the colours mednafen showed for these images (the
// Game Boy's shades in green). Whole snaps by their CRC-32 (Python's zlib, once).
TEST_F(DemoCatalogue, EachSnapShowsTheTilesItsImageDrawsInItsColours) {
    ASSERT_TRUE(make().ok());
    // The game, where its image keeps the tile map, the map's width in entries and their size.
    const std::tuple<const char*, std::size_t, int, int, Colour, Colour, std::uint32_t> games[] = {
        {"FC/Hoshizora Demo (J).nes",
         16 + 0x400,
         32,
         1,
         {36, 24, 140},
         {252, 228, 160},
         0xfcc8b7f6},
        {"FC/Midori no Mori (J).nes", 16 + 0x400, 32, 1, {76, 220, 72}, {0, 80, 0}, 0xf30c2348},
        {"GB/Tsuki Akari (J).gb", 0x200, 32, 1, {48, 98, 48}, {139, 172, 15}, 0xce685271},
        {"GB/Pocket Kaeru (J).gb", 0x200, 32, 1, {155, 188, 15}, {15, 56, 15}, 0xd223b4e2},
        {"MD/Tetsu no Shiro (J).md", 0x2A8, 64, 2, {102, 102, 102}, {238, 68, 68}, 0xa0b477c9},
        {"MD/Umi no Soko (J).md", 0x2A8, 64, 2, {0, 68, 136}, {102, 204, 238}, 0x96bf7d04},
    };
    for (const auto& [name, map, mapWidth, entrySize, backdrop, accent, crc] : games) {
        SCOPED_TRACE(name);
        const std::string file = name, image = dir.read("roms/" + file);
        const std::string snapFile = "snap/" + file.substr(0, file.rfind('.')) + ".bmp";
        EXPECT_EQ(static_cast<std::uint32_t>(fileIdentity(dir.file(snapFile)).crc), crc);
        // A 24-bit BMP: its width and height at 18 and 22, rows from the bottom up.
        const std::string bmp = dir.read(snapFile);
        const auto number = [&bmp](std::size_t at) {
            return static_cast<unsigned char>(bmp[at]) | static_cast<unsigned char>(bmp[at + 1])
                                                             << 8;
        };
        const int width = number(18), height = number(22), offset = number(10);
        ASSERT_EQ(bmp.size(), static_cast<std::size_t>(offset + width * height * 3));
        int accents = 0, wrong = 0;
        for (int row = 0; row < height / 8; ++row)
            for (int column = 0; column < width / 8; ++column) {
                const std::size_t entry =
                    map + static_cast<std::size_t>((row * mapWidth + column + 1) * entrySize - 1);
                const bool block = image.at(entry) == 1;
                const std::size_t pixel = static_cast<std::size_t>(
                    offset + ((height - 1 - row * 8 - 4) * width + column * 8 + 4) * 3);
                const Colour seen{static_cast<std::uint8_t>(bmp[pixel + 2]),
                                  static_cast<std::uint8_t>(bmp[pixel + 1]),
                                  static_cast<std::uint8_t>(bmp[pixel])};
                accents += block;
                wrong += seen != (block ? accent : backdrop);
            }
        EXPECT_EQ(wrong, 0);
        // The ground alone is a quarter of the screen.
        EXPECT_GE(accents, width / 8 * height / 32);
    }
}

TEST_F(DemoCatalogue, ASecondRunKeepsTheUsersChangesAndOnlyFillsInWhatIsMissing) {
    ASSERT_TRUE(make().ok());
    // The user edits a record, replaces a snap and deletes a ROM and a record.
    start("FC");
    const int kept = app.romTable().findRecordByTitle("Yuuyake Puzzle (J)");
    app.editRecord(kept, [](RomRecord& r) { r.rating = 1, r.comment = "自分のメモ"; });
    app.deleteRecords({app.romTable().findRecordByTitle("Midori no Mori (J)")});
    ASSERT_TRUE(app.saveRecords());
    dir.write("snap/FC/Hoshizora Demo (J).bmp", "mine");
    std::filesystem::remove(dir.file("roms/GB/Pocket Kaeru (J).gb"));
    // Emulators are installed meanwhile.
    for (const char* program : {"mednafen", "fceux"}) {
        bin.write(program, "#!/bin/sh\n");
        ::chmod(bin.file(program).c_str(), 0755);
    }

    const DemoReport again = make();
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(again.written,
              (std::vector<std::string>{"data/RomData_FC.slb", "data/Emulator_FC.slb",
                                        "roms/GB/Pocket Kaeru (J).gb", "data/Emulator_GB.slb",
                                        "data/Emulator_MD.slb"}));
    EXPECT_EQ(dir.read("snap/FC/Hoshizora Demo (J).bmp"), "mine");
    const RomTable table = savedRecords("FC");
    const RomRecord& changed = table[table.findRecordByTitle("Yuuyake Puzzle (J)")];
    EXPECT_EQ(std::tie(changed.rating, changed.comment), std::tuple(1, "自分のメモ"));
    EXPECT_GE(table.findRecordByTitle("Midori no Mori (J)"), 0);
    // They go into the user's slots, ユーザ設定エミュレータ 1 and 2 (60 and 61 counted from 1),
    // the dedicated one first; VirtuaNES's slot and the other named ones stay empty.
    const auto emulators = stored(loadEmulatorFile, dir.file("data/Emulator_FC.slb"));
    EXPECT_EQ(std::tuple(emulators[59].name, emulators[59].executable),
              std::tuple("FCEUX", bin.file("fceux")));
    EXPECT_EQ(std::tuple(emulators[60].name, emulators[60].executable),
              std::tuple("mednafen", bin.file("mednafen")));
    for (int slot = 0; slot < 59; ++slot)
        EXPECT_EQ(emulators[static_cast<std::size_t>(slot)], EmulatorEntry{}) << slot;
    EXPECT_EQ(emulators[61], EmulatorEntry{});
}

TEST_F(AppFixture, FirstStepsHintNamesTheMenuPathsUntilAHardwareHasARomFolder) {
    start("");
    std::string hint = firstStepsHint(app);
    EXPECT_NE(hint.find("設定 > フォルダ設定 > 機種"), std::string::npos) << hint;
    EXPECT_NE(hint.find("設定 > エミュレータ設定 > 機種"), std::string::npos) << hint;

    FolderSettings noRomFolder;
    noRomFolder.snapFolderPaths[0] = "./snap/";
    writeFolderSettings("GB", noRomFolder);
    start("GB");
    hint = firstStepsHint(app);
    EXPECT_NE(hint.find("設定 > フォルダ設定 > 携帯ゲーム > ゲームボーイ"), std::string::npos)
        << hint;

    setUpHardware("GB");
    start("GB");
    EXPECT_EQ(firstStepsHint(app), "");
}

TEST(FirstStartLayout, ToolWindowsSitSideBySideInsideTheFrameOnTheScreen) {
    const ScreenArea screens[] = {
        {0, 0, 1280, 1024}, {0, 0, 1024, 768}, {1920, 0, 1920, 1050}, {0, 28, 800, 572}};
    for (const ScreenArea& screen : screens) {
        const auto slots = firstStartLayout(screen);
        const WindowSlot& frame = slots[kSlotMainFrame];
        EXPECT_EQ(std::tuple(frame.x, frame.y), std::tuple(screen.x, screen.y));
        EXPECT_TRUE(frame.width <= screen.width && frame.height <= screen.height);
        for (int a = 1; a < kWindowSlotCount; ++a) {
            const WindowSlot& w = slots[static_cast<std::size_t>(a)];
            SCOPED_TRACE(std::to_string(screen.width) + "x" + std::to_string(a));
            // Inside the frame above its bars, and big enough to use.
            EXPECT_TRUE(w.x >= 0 && w.y >= 0 && w.x + w.width <= frame.width &&
                        w.y + w.height <= frame.height - 64);
            EXPECT_TRUE(w.width >= 150 && w.height >= 60);
            for (int b = a + 1; b < kWindowSlotCount; ++b) {
                const WindowSlot& o = slots[static_cast<std::size_t>(b)];
                const bool apart = w.x + w.width <= o.x || o.x + o.width <= w.x ||
                                   w.y + w.height <= o.y || o.y + o.height <= w.y;
                EXPECT_TRUE(apart) << a << " overlaps " << b;
            }
        }
        // On a screen wide enough the snap window gets its picture's natural size.
        if (screen.width >= 1280) {
            EXPECT_EQ(slots[kSlotSnap].width, 328);
        }
    }
}
