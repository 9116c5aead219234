#include "demo/DemoCatalogue.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

#include "core/database/CategoryLists.h"
#include "demo/DemoFrontendFiles.h"
#include "demo/DemoImages.h"
#include "core/database/RomTable.h"
#include "core/launch/DefaultEmulatorTable.h"
#include "core/launch/EmulatorEntry.h"
#include "core/platform/FileSystem.h"
#include "core/settings/FolderSettings.h"
#include "core/storage/DataStream.h"
#include "core/pictures/DibPicture.h"

namespace romshelf {

namespace {

// One game of the demo: its file, its record and the two colours its image draws in, in the
// hardware's own terms (see DemoImages.h).
struct DemoGame {
    const char* file;
    const char* name;
    const char* reading;
    int rating;
    const char* category;
    const char* comment;
    bool favourite;
    unsigned backdrop;
    unsigned accent;
};

struct DemoHardware {
    const char* code;
    const char* folderName;
    int snapWidth, snapHeight;  // the screen, a multiple of the 8x8 tiles
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
        "背景を夜空の色に塗って星を並べるだけの自作プログラム。", true, 0x01, 0x38},
       {"Yuuyake Puzzle (J).nes", "夕焼けパズル", "ゆうやけぱずる", 3, "パズル",
        "夕焼け色の画面。パズルは未実装です。", false, 0x16, 0x28},
       {"Midori no Mori (J).nes", "緑の森", "みどりのもり", 4, "アドベンチャー",
        "森の緑一色。コメント欄には攻略メモを書けます。", false, 0x2A, 0x0A}}}},
    {"GB",
     "デモ",
     160,
     144,
     {{{"Pocket Kaeru (J).gb", "ポケットかえる", "ぽけっとかえる", 4, "アクション",
        "自作のゲームボーイ用イメージ。ヘッダとチェックサムは本物どおりです。", false, 0, 3},
       {"Tsuki Akari (J).gb", "月あかり", "つきあかり", 2, "パズル",
        "パレットを暗くして夜の画面に。", false, 2, 1},
       {"Kaze no Uta (J).gb", "風のうた", "かぜのうた", 0, "", "まだ評価していないゲーム。", false,
        1, 2}}}},
    {"MD",
     "デモ",
     320,
     224,
     {{{"Umi no Soko (J).md", "海の底", "うみのそこ", 3, "シューティング",
        "メガドライブのヘッダとチェックサムを持つ小さなイメージ。", false, 0x0840, 0x0EC6},
       {"Tetsu no Shiro (J).md", "鉄の城", "てつのしろ", 5, "アクション",
        "お気に入りに登録した例。", true, 0x0666, 0x044E},
       {"Hanabi Taikai (J).md", "花火大会", "はなびたいかい", 1, "パズル", "夜空に花火。評価は1。",
        false, 0x0200, 0x0C8E}}}},
}};

// How an emulator shows a colour of the hardware: the NES entries the demo uses as mednafen's
// palette has them, the Game Boy's four shades of green, the Mega Drive's three bits a channel
// in steps of 34 (as mednafen scales them).
Colour shownColour(const DemoHardware& hw, unsigned colour) {
    const std::string code = hw.code;
    if (code == "FC") {
        static constexpr std::array<std::pair<unsigned, Colour>, 6> kNes = {
            {{0x01, {36, 24, 140}},
             {0x38, {252, 228, 160}},
             {0x16, {216, 40, 0}},
             {0x28, {240, 188, 60}},
             {0x2A, {76, 220, 72}},
             {0x0A, {0, 80, 0}}}};
        const auto* found = std::ranges::find(kNes, colour, &std::pair<unsigned, Colour>::first);
        return found == kNes.end() ? Colour{} : found->second;
    }
    if (code == "GB") {
        static constexpr std::array<Colour, 4> kShades = {
            {{155, 188, 15}, {139, 172, 15}, {48, 98, 48}, {15, 56, 15}}};
        return kShades[colour & 3];
    }
    const auto channel = [colour](int shift) {
        return static_cast<std::uint8_t>((colour >> shift & 7) * 34);
    };
    return Colour{channel(1), channel(5), channel(9)};
}

// The game's screen: a few blocks of its accent colour (stars, fireworks) placed from the file
// name so that every screen differs, and the ground along the bottom quarter.
DemoScreen demoScreen(const DemoHardware& hw, const DemoGame& game) {
    DemoScreen screen{hw.snapWidth / 8, hw.snapHeight / 8, {}};
    screen.blocks.assign(static_cast<std::size_t>(screen.columns * screen.rows), false);
    const auto fill = [&screen](int column, int row, int width, int height) {
        for (int r = row; r < row + height; ++r)
            for (int c = column; c < column + width; ++c)
                screen.blocks[static_cast<std::size_t>(r * screen.columns + c)] = true;
    };
    unsigned seed = 0;
    for (const char* c = game.file; *c != 0; ++c) seed = seed * 31 + static_cast<unsigned char>(*c);
    for (int i = 0; i < 12; ++i) {
        seed = seed * 1103515245u + 12345u;
        const int size = i % 3 == 0 ? 2 : 1;
        const int x = static_cast<int>((seed >> 8) % static_cast<unsigned>(screen.columns - 1));
        const int y = static_cast<int>((seed >> 20) % static_cast<unsigned>(screen.rows * 2 / 3));
        fill(x, y, size, size);
    }
    const int ground = screen.rows * 3 / 4;
    fill(0, ground, screen.columns, screen.rows - ground);
    return screen;
}

std::string demoImage(const DemoHardware& hw, const DemoGame& game) {
    const std::string code = hw.code;
    const std::string title = fs::pathTitle(game.file);
    const DemoScreen screen = demoScreen(hw, game);
    if (code == "FC") return demoNesImage(game.backdrop, game.accent, screen);
    if (code == "GB") return demoGameBoyImage(title, game.backdrop, game.accent, screen);
    return demoMegaDriveImage(title, game.backdrop, game.accent, screen);
}

// The game's snap: what its image draws, tile for tile, in the colours an emulator shows.
DibPicture demoSnap(const DemoHardware& hw, const DemoGame& game) {
    const DemoScreen screen = demoScreen(hw, game);
    DibPicture picture;
    picture.create(hw.snapWidth, hw.snapHeight);
    picture.fill({0, 0, hw.snapWidth, hw.snapHeight}, shownColour(hw, game.backdrop));
    const Colour accent = shownColour(hw, game.accent);
    for (int row = 0; row < screen.rows; ++row)
        for (int column = 0; column < screen.columns; ++column)
            if (screen.block(column, row)) picture.fill({column * 8, row * 8, 8, 8}, accent);
    return picture;
}

// A box-art picture for the first game: bands of its colours under a lighter sky.
DibPicture demoMediaPicture(const DemoHardware& hw, const DemoGame& game) {
    const Colour backdrop = shownColour(hw, game.backdrop), accent = shownColour(hw, game.accent);
    DibPicture picture;
    picture.create(DibPicture::kWindowSize.width, DibPicture::kWindowSize.height);
    const int w = picture.width(), h = picture.height();
    for (int band = 0; band < 8; ++band) {
        const auto mix = [band](std::uint8_t a, std::uint8_t b) {
            return static_cast<std::uint8_t>((a * (8 - band) + b * band) / 8);
        };
        const Colour c{mix(backdrop.r, accent.r), mix(backdrop.g, accent.g),
                       mix(backdrop.b, accent.b)};
        picture.fill({0, band * h / 8, w, h / 8 + 1}, c);
    }
    picture.fill({w / 2 - 40, h / 4, 80, 80}, Colour{250, 250, 250});
    picture.fill({w / 2 - 30, h / 4 + 10, 60, 60}, accent);
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
            return demoMediaPicture(hw, first).saveBmp(path);
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

    // The emulators installed for the hardware, in the slots left to the user, so that the
    // slots of the hardware's own emulators stay as the table has them; nothing when none is
    // installed, so that a later run fills them in once one is.
    void emulators(const std::string& code, const EmulatorSearchPlaces& places) {
        const std::string relative = "data/Emulator_" + code + ".slb";
        if (fs::pathExists(folder_.path() + relative)) return;
        const std::vector<EmulatorSuggestion> found = suggestEmulators(code, places);
        if (found.empty()) return;
        const DefaultEmulatorTable table(code);
        EmulatorEntries entries{};
        auto next = found.begin();
        for (const int slot : table.offeredSlots()) {
            if (next == found.end()) break;
            // A user slot's "*.exe" names no program; the others are the named emulators'.
            if (table.row(slot).executableName.find('*') == std::string::npos) continue;
            EmulatorEntry& entry = entries[static_cast<std::size_t>(slot)];
            entry.name = next->name;
            entry.executable = next->executable;
            entry.commandLine = next->commandLine;
            ++next;
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
