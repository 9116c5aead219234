#include "core/app/DemoCatalogue.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>

#include "core/database/CategoryLists.h"
#include "core/app/DemoFrontendFiles.h"
#include "core/database/RomTable.h"
#include "core/launch/EmulatorEntry.h"
#include "core/platform/FileSystem.h"
#include "core/settings/FolderSettings.h"
#include "core/storage/DataStream.h"
#include "core/views/DibPicture.h"

namespace romshelf {

namespace {

void put(std::string& image, std::size_t at, std::string_view bytes) {
    image.replace(at, bytes.size(), bytes);
}
void put8(std::string& image, std::size_t at, unsigned value) {
    image[at] = static_cast<char>(value & 0xFF);
}
void putBytes(std::string& image, std::size_t at, std::span<const std::uint8_t> bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) put8(image, at + i, bytes[i]);
}

// One game of the demo: its file, its record and the colours its snap is drawn in.
struct DemoGame {
    const char* file;
    const char* name;
    const char* reading;
    int rating;
    const char* category;
    const char* comment;
    bool favourite;
    Colour backdrop;
    Colour accent;
    unsigned romColour;  // the NES palette entry, or the Game Boy's palette byte
};

struct DemoHardware {
    const char* code;
    const char* folderName;
    int snapWidth, snapHeight;
    std::array<DemoGame, 3> games;
};

// What every demo record has besides its game's own category: its second category and its class.
constexpr const char* kDemoSecondCategory = "自作";
constexpr const char* kDemoClass = "ROM";

// Names, readings and comments are the program's own demo texts.
const std::array<DemoHardware, 3> kDemo = {{
    {"FC",
     "デモ",
     256,
     240,
     {{{"Hoshizora Demo (J).nes", "星空デモ", "ほしぞらでも", 5, "アクション",
        "背景を夜空の色に塗るだけの自作プログラム。星はスナップの中だけに出ます。", true,
        Colour{20, 18, 110}, Colour{250, 240, 160}, 0x01},
       {"Yuuyake Puzzle (J).nes", "夕焼けパズル", "ゆうやけぱずる", 3, "パズル",
        "夕焼け色の画面。パズルは未実装です。", false, Colour{200, 70, 40}, Colour{250, 200, 90},
        0x16},
       {"Midori no Mori (J).nes", "緑の森", "みどりのもり", 4, "アドベンチャー",
        "森の緑一色。コメント欄には攻略メモを書けます。", false, Colour{60, 170, 70},
        Colour{20, 90, 30}, 0x2A}}}},
    {"GB",
     "デモ",
     160,
     144,
     {{{"Pocket Kaeru (J).gb", "ポケットかえる", "ぽけっとかえる", 4, "アクション",
        "自作のゲームボーイ用イメージ。ヘッダとチェックサムは本物どおりです。", false,
        Colour{155, 188, 15}, Colour{15, 56, 15}, 0xE4},
       {"Tsuki Akari (J).gb", "月あかり", "つきあかり", 2, "パズル",
        "パレットを暗くして夜の画面に。", false, Colour{48, 98, 48}, Colour{139, 172, 15}, 0x1B},
       {"Kaze no Uta (J).gb", "風のうた", "かぜのうた", 0, "", "まだ評価していないゲーム。", false,
        Colour{139, 172, 15}, Colour{48, 98, 48}, 0x00}}}},
    {"MD",
     "デモ",
     320,
     224,
     {{{"Umi no Soko (J).md", "海の底", "うみのそこ", 3, "シューティング",
        "メガドライブのヘッダとチェックサムを持つ小さなイメージ。", false, Colour{10, 60, 140},
        Colour{120, 220, 240}, 0},
       {"Tetsu no Shiro (J).md", "鉄の城", "てつのしろ", 5, "アクション",
        "お気に入りに登録した例。", true, Colour{90, 90, 100}, Colour{230, 60, 60}, 0},
       {"Hanabi Taikai (J).md", "花火大会", "はなびたいかい", 1, "パズル", "夜空に花火。評価は1。",
        false, Colour{10, 10, 30}, Colour{250, 120, 200}, 0}}}},
}};

std::string demoImage(const DemoHardware& hw, const DemoGame& game) {
    const std::string code = hw.code;
    const std::string title = fs::pathTitle(game.file);
    if (code == "FC") return demoNesImage(game.romColour);
    if (code == "GB") return demoGameBoyImage(title, game.romColour);
    return demoMegaDriveImage(title);
}

// The game's screen as a picture: its backdrop with a few blocks of its accent colour, placed
// from the file name so that every snap differs.
DibPicture demoSnap(const DemoHardware& hw, const DemoGame& game) {
    DibPicture picture;
    picture.create(hw.snapWidth, hw.snapHeight);
    picture.fill({0, 0, hw.snapWidth, hw.snapHeight}, game.backdrop);
    unsigned seed = 0;
    for (const char* c = game.file; *c != 0; ++c) seed = seed * 31 + static_cast<unsigned char>(*c);
    const int block = hw.snapWidth / 16;
    for (int i = 0; i < 12; ++i) {
        seed = seed * 1103515245u + 12345u;
        const int x = static_cast<int>((seed >> 8) % static_cast<unsigned>(hw.snapWidth - block));
        const int y = static_cast<int>((seed >> 20) % static_cast<unsigned>(hw.snapHeight * 2 / 3));
        const int size = i % 3 == 0 ? block : block / 3 + 1;
        picture.fill({x, y, size, size}, game.accent);
    }
    // The ground line along the bottom third.
    picture.fill({0, hw.snapHeight * 3 / 4, hw.snapWidth, hw.snapHeight / 4}, game.accent);
    return picture;
}

// A box-art picture for the first game: bands of its colours under a lighter sky.
DibPicture demoMediaPicture(const DemoGame& game) {
    DibPicture picture;
    picture.create(DibPicture::kWindowSize.width, DibPicture::kWindowSize.height);
    const int w = picture.width(), h = picture.height();
    for (int band = 0; band < 8; ++band) {
        const auto mix = [band](std::uint8_t a, std::uint8_t b) {
            return static_cast<std::uint8_t>((a * (8 - band) + b * band) / 8);
        };
        const Colour c{mix(game.backdrop.r, game.accent.r), mix(game.backdrop.g, game.accent.g),
                       mix(game.backdrop.b, game.accent.b)};
        picture.fill({0, band * h / 8, w, h / 8 + 1}, c);
    }
    picture.fill({w / 2 - 40, h / 4, 80, 80}, Colour{250, 250, 250});
    picture.fill({w / 2 - 30, h / 4 + 10, 60, 60}, game.accent);
    return picture;
}

class DemoWriter {
public:
    DemoWriter(const ProgramFolder& folder, Prompter& prompter, DemoReport& report)
        : folder_(folder), prompter_(prompter), report_(report) {}

    // Makes the folders of a relative path (ending in '/').
    bool makeFolders(const std::string& relative) {
        std::string path = folder_.path();
        std::size_t start = 0;
        for (std::size_t slash; (slash = relative.find('/', start)) != std::string::npos;
             start = slash + 1) {
            path += relative.substr(start, slash + 1 - start);
            if (!fs::createDirectory(path)) return false;
        }
        return true;
    }

    // Writes a file that is not there yet; one that is stays as the user left it.
    template <class Write>
    void writeMissing(const std::string& relative, Write&& write) {
        const std::string path = folder_.path() + relative;
        if (fs::pathExists(path)) return;
        const bool done = makeFolders(fs::pathFolder(relative)) && write(path);
        (done ? report_.written : report_.failed).push_back(relative);
    }

    void hardware(const DemoHardware& hw, const EmulatorSearchPlaces& places) {
        const std::string code = hw.code;
        const std::string roms = "roms/" + code + "/", snaps = "snap/" + code + "/",
                          media = "media/" + code + "/";
        for (const DemoGame& game : hw.games) {
            writeMissing(roms + game.file, [&](const std::string& path) {
                return fs::writeFileAtomically(path, demoImage(hw, game));
            });
            writeMissing(snaps + fs::pathTitle(game.file) + ".bmp",
                         [&](const std::string& path) { return demoSnap(hw, game).saveBmp(path); });
        }
        const DemoGame& first = hw.games[0];
        writeMissing(media + fs::pathTitle(first.file) + ".bmp", [&](const std::string& path) {
            return demoMediaPicture(first).saveBmp(path);
        });
        // A second, empty ROM folder: somewhere to move files to.
        const std::string moreRoms = "roms/" + code + "-2/";
        makeFolders(roms), makeFolders(moreRoms), makeFolders(snaps), makeFolders(media);

        writeMissing("data/Folder_" + code + ".slb", [&](const std::string& path) {
            FolderSettings f;
            f.romFolderNames[0] = hw.folderName;
            f.romFolderPaths[0] = "./" + roms;
            f.romFolderNames[1] = "移動先";
            f.romFolderPaths[1] = "./" + moreRoms;
            f.snapFolderNames[0] = "スナップ";
            f.snapFolderPaths[0] = "./" + snaps;
            f.mediaFolderPaths[0] = "./" + media;
            return saveFolderSettingsFile(stream_, path, f);
        });
        records(hw);
        writeList(kHardwareClassList, code, {kDemoClass});
        emulators(code, places);
    }

    // The shared category lists with the items the demo records use, so that the registration
    // dialog and the folder window offer them.
    void sharedLists() {
        std::vector<std::string> categories;
        for (const DemoHardware& hw : kDemo)
            for (const DemoGame& game : hw.games)
                if (*game.category != 0 && std::ranges::count(categories, game.category) == 0)
                    categories.emplace_back(game.category);
        writeList(0, "", categories);
        writeList(1, "", {kDemoSecondCategory});
    }

private:
    // A category list file that is not there yet (one that is holds the user's items).
    void writeList(int list, const std::string& code, const std::vector<std::string>& items) {
        writeMissing("data/" + CategoryLists::fileName(list, code), [&](const std::string& path) {
            return saveDataFile(stream_, path, CategoryLists::kind(list), [&](DataStream& s) {
                DataWriter writer(s);
                transferCategoryItems(writer, items);
            });
        });
    }

    // Adds the demo records whose files have none; the others are the user's now.
    void records(const DemoHardware& hw) {
        const std::string relative = "data/RomData_" + std::string(hw.code) + ".slb";
        const std::string path = folder_.path() + relative;
        RomTable table;
        if (fs::pathExists(path) && table.load(stream_, path, prompter_) != LoadResult::Loaded)
            return;  // a file we cannot read is not replaced
        bool added = false;
        for (const DemoGame& game : hw.games) {
            RomRecord r;
            r.fileTitle = fs::pathTitle(game.file);
            if (table.findRecordByTitle(r.fileTitle) >= 0) continue;
            r.gameName = game.name;
            r.reading = game.reading;
            r.classes[0] = game.category;
            r.classes[1] = kDemoSecondCategory;
            r.hardwareClass = kDemoClass;
            r.comment = game.comment;
            r.favourite = game.favourite;
            r.rating = game.rating;
            added = table.append(std::move(r)) >= 0 || added;
        }
        if (!added) return;
        (table.save(stream_, path) ? report_.written : report_.failed).push_back(relative);
    }

    // The emulators installed for the hardware, in slot order; nothing when none is installed,
    // so that a later run fills them in once one is.
    void emulators(const std::string& code, const EmulatorSearchPlaces& places) {
        const std::string relative = "data/Emulator_" + code + ".slb";
        if (fs::pathExists(folder_.path() + relative)) return;
        const std::vector<EmulatorSuggestion> found = suggestEmulators(code, places);
        if (found.empty()) return;
        EmulatorEntries entries{};
        for (std::size_t i = 0; i < found.size() && i < entries.size(); ++i) {
            entries[i].name = found[i].name;
            entries[i].executable = found[i].executable;
            entries[i].commandLine = found[i].commandLine;
        }
        writeMissing(relative, [&](const std::string& path) {
            return saveEmulatorFile(stream_, path, entries);
        });
    }

    const ProgramFolder& folder_;
    Prompter& prompter_;
    DemoReport& report_;
    DataStream stream_;
};

}  // namespace

std::string demoNesImage(unsigned backdropColour) {
    // One 16 KB PRG bank (seen at $8000 and $C000) and one blank 8 KB CHR bank, mapper 0.
    std::string image(16 + 16384 + 8192, '\0');
    put(image, 0, std::string_view("NES\x1A", 4));
    put8(image, 4, 1), put8(image, 5, 1);
    // Reset: wait two frames for the PPU, write the backdrop entry of the palette, point the
    // PPU back at the name table and turn the background on; every tile is blank, so the
    // screen shows the backdrop. Then loop for ever.
    const std::uint8_t colour = static_cast<std::uint8_t>(backdropColour & 0x3F);
    const std::array<std::uint8_t, 44> code = {
        0x78, 0xD8,   0xA2, 0xFF, 0x9A,                    // sei; cld; ldx #$FF; txs
        0x2C, 0x02,   0x20, 0x10, 0xFB,                    // bit $2002; bpl *-3
        0x2C, 0x02,   0x20, 0x10, 0xFB,                    // again, the second frame
        0xA9, 0x3F,   0x8D, 0x06, 0x20,                    // lda #$3F; sta $2006
        0xA9, 0x00,   0x8D, 0x06, 0x20,                    // lda #$00; sta $2006
        0xA9, colour, 0x8D, 0x07, 0x20,                    // lda #colour; sta $2007
        0xA9, 0x00,   0x8D, 0x06, 0x20, 0x8D, 0x06, 0x20,  // lda #0; sta $2006 twice
        0x8D, 0x05,   0x20, 0x8D, 0x05, 0x20,              // sta $2005 twice (no scroll)
    };
    const std::array<std::uint8_t, 9> tail = {
        0xA9, 0x08, 0x8D, 0x01, 0x20,  // lda #$08; sta $2001
        0x4C, 0x31, 0xC0,              // jmp * (at $C031)
        0x40,                          // rti: the NMI and IRQ handler
    };
    putBytes(image, 16, code);
    putBytes(image, 16 + code.size(), tail);
    const unsigned rti = 0xC000 + code.size() + tail.size() - 1;
    const std::array<std::uint8_t, 6> vectors = {
        static_cast<std::uint8_t>(rti), static_cast<std::uint8_t>(rti >> 8), 0x00, 0xC0,
        static_cast<std::uint8_t>(rti), static_cast<std::uint8_t>(rti >> 8)};
    putBytes(image, 16 + 0x3FFA, vectors);
    return image;
}

std::string demoGameBoyImage(const std::string& title, unsigned palette) {
    static constexpr std::array<std::uint8_t, 48> kLogo = {
        0xCE, 0xED, 0x66, 0x66, 0xCC, 0x0D, 0x00, 0x0B, 0x03, 0x73, 0x00, 0x83,
        0x00, 0x0C, 0x00, 0x0D, 0x00, 0x08, 0x11, 0x1F, 0x88, 0x89, 0x00, 0x0E,
        0xDC, 0xCC, 0x6E, 0xE6, 0xDD, 0xDD, 0xD9, 0x99, 0xBB, 0xBB, 0x67, 0x63,
        0x6E, 0x0E, 0xEC, 0xCC, 0xDD, 0xDC, 0x99, 0x9F, 0xBB, 0xB9, 0x33, 0x3E};
    std::string image(32 * 1024, '\0');
    // Entry: nop; jp $0150. There: di; set the background palette; loop for ever.
    putBytes(image, 0x100, std::array<std::uint8_t, 4>{0x00, 0xC3, 0x50, 0x01});
    putBytes(image, 0x104, kLogo);
    put(image, 0x134, (title + std::string(15, '\0')).substr(0, 15));
    put8(image, 0x147, 0x00), put8(image, 0x148, 0x00), put8(image, 0x149, 0x00);
    put8(image, 0x14A, 0x00), put8(image, 0x14B, 0x01);
    putBytes(image, 0x150,
             std::array<std::uint8_t, 7>{0xF3, 0x3E, static_cast<std::uint8_t>(palette), 0xE0, 0x47,
                                         0x18, 0xFE});
    unsigned header = 0;
    for (std::size_t i = 0x134; i <= 0x14C; ++i)
        header = header - static_cast<unsigned char>(image[i]) - 1;
    put8(image, 0x14D, header);
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < image.size(); ++i)
        if (i != 0x14E && i != 0x14F) sum += static_cast<unsigned char>(image[i]);
    put8(image, 0x14E, sum >> 8), put8(image, 0x14F, sum);
    return image;
}

std::string demoMegaDriveImage(const std::string& title) {
    std::string image(128 * 1024, '\0');
    // Vectors: the stack at the top of work RAM, the start at $200; every other vector points
    // at the same loop.
    for (std::size_t v = 0; v < 64; ++v)
        putBytes(image, v * 4, std::array<std::uint8_t, 4>{0x00, 0x00, 0x02, 0x00});
    putBytes(image, 0, std::array<std::uint8_t, 4>{0x00, 0xFF, 0xFE, 0x00});
    put(image, 0x100, "SEGA MEGA DRIVE ");
    put(image, 0x110, "(C)ROMS 2026.DEC");
    put(image, 0x120, (title + std::string(48, ' ')).substr(0, 48));
    put(image, 0x150, (title + std::string(48, ' ')).substr(0, 48));
    put(image, 0x180, "GM 00000000-00");
    put(image, 0x190, std::string(16, ' '));
    put(image, 0x190, "J");
    putBytes(image, 0x1A0, std::array<std::uint8_t, 8>{0, 0, 0, 0, 0, 1, 0xFF, 0xFF});
    putBytes(image, 0x1A8, std::array<std::uint8_t, 8>{0, 0xFF, 0, 0, 0, 0xFF, 0xFF, 0xFF});
    put(image, 0x1B0, std::string(12, ' '));
    put(image, 0x1BC, std::string(52, ' '));
    put(image, 0x1F0, "J               ");
    putBytes(image, 0x200, std::array<std::uint8_t, 2>{0x60, 0xFE});  // bra.s *
    std::uint32_t sum = 0;
    for (std::size_t i = 0x200; i + 1 < image.size(); i += 2)
        sum += static_cast<unsigned char>(image[i]) << 8 | static_cast<unsigned char>(image[i + 1]);
    put8(image, 0x18E, sum >> 8), put8(image, 0x18F, sum);
    return image;
}

DemoReport makeDemoCatalogue(const ProgramFolder& folder, Prompter& prompter,
                             const EmulatorSearchPlaces& places) {
    DemoReport report;
    if (!folder.createSubfolders()) {
        report.failed.push_back("data/");
        return report;
    }
    DemoWriter writer(folder, prompter, report);
    for (const DemoHardware& hw : kDemo) {
        report.codes.emplace_back(hw.code);
        writer.hardware(hw, places);
    }
    writer.sharedLists();
    writeDemoFrontendFiles(folder, report);
    return report;
}

}  // namespace romshelf
