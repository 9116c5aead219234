#include "core/views/SnapModel.h"

#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

#include "AppFixture.h"
#include "core/platform/FileSystem.h"

using namespace romshelf;

namespace {

// A solid picture of `w` x `h` as a BMP file.
std::string bmp(Colour colour, int w = 8, int h = 8) {
    DibPicture p;
    p.create(w, h);
    p.fill({0, 0, w, h}, colour);
    return p.bmpBytes();
}

// Snap slots s0..s4 (those listed in `unused` left empty) holding `files` ("s1/game.bmp").
struct Slots {
    test::TempFolder dir;
    SnapSettings settings;
    Slots(const std::string& files, const std::string& unused = "") {
        for (int i = 0; i < kSnapFolderCount; ++i)
            if (unused.find(char('0' + i)) == std::string::npos)
                settings.paths[i] = dir.makeFolder("s" + std::to_string(i));
        std::istringstream in(files);
        for (std::string f; in >> f;)
            f.back() == '/' ? (void)dir.makeFolder(f) : (void)dir.write(f, "x");
    }
};

constexpr Colour kRed{255, 0, 0}, kBlue{0, 0, 255};

}  // namespace

TEST(SnapLookupTest, SlotOrderOptionsAndTheRomItself) {
    struct Case {
        const char* files;
        const char* selected;
        int folder, slot;
        bool all, same;
        const char* expected;
        const char* unused = "";
    } cases[] = {
        {"s0/game.7z s0/game.png", "game.7z", 0, 0, false, false, "s0/game.png"},  // ROM first
        {"s0/game.zip", "game.zip", 0, 0, false, false, ""},
        {"s0/game.a/ s0/game.b", "game.zip", 0, 0, false, false, "s0/game.b"},
        {"s0/game2.png s0/GAME.Bmp", "game.zip", 0, 0, false, false, "s0/GAME.Bmp"},
        {"s3/game.png", "game.zip", 0, 1, false, false, ""},
        {"s0/game.png s3/game.png", "game.zip", 0, 1, true, false, "s3/game.png"},
        {"s0/game.png s1/game.png", "game.zip", 0, 3, true, false, "s0/game.png"},  // wraps
        {"s0/game.png s2/game.png", "game.zip", 2, 0, false, true, "s2/game.png"},
        {"s0/game.png s3/game.png", "game.zip", 2, 0, false, true, ""},
        {"s0/game.png s2/game.png", "game.zip", 5, 0, false, true, "s0/game.png"},
        {"s1/game.png s2/game.png", "game.zip", -1, 1, false, true, "s1/game.png"},
        {"s3/game.png", "game.zip", 0, 1, true, false, "s3/game.png", "12"},
        {"s1/game.png", "game.zip", 0, 1, false, false, "", "1"},
        {"s0/game.png", "", 0, 0, true, false, ""},  // nothing selected
        {"s0/game.png", "g?me.zip", 0, 0, true, false, ""},
        {"s0/game.png s0/Game.BMP s0/gamE.", "game.zip", 0, 0, false, false, "s0/Game.BMP"},
        {"s0/gamepng s0/game_.png s0/gam.png", "game.zip", 0, 0, false, false, ""},
        // Only ASCII letters are folded.
        {"s0/\xEF\xBC\xA7.png", "\xEF\xBD\x87.zip", 0, 0, false, false, ""},
        {"s0/\xC3\x89t\xC3\xA9.png", "\xC3\x89T\xC3\xA9.nes", 0, 0, false, false,
         "s0/\xC3\x89t\xC3\xA9.png"},
    };
    // The same answers with the folders' listings kept between lookups, asked twice.
    for (const Case& c : cases) {
        Slots s(c.files, c.unused);
        s.settings.searchAll = c.all;
        s.settings.preferSameNumber = c.same;
        const SnapQuery query{fs::pathTitle(c.selected), c.selected, c.folder, c.slot, {}};
        fs::FolderListings listings;
        for (fs::FolderListings* kept :
             {static_cast<fs::FolderListings*>(nullptr), &listings, &listings}) {
            const std::string found = lookUpSnap(s.settings, query, kept);
            EXPECT_EQ(found.empty() ? "" : found.substr(s.dir.path().size()), c.expected)
                << c.files << (kept ? " (kept)" : "");
        }
    }
}

// Picture collections made for other frontends name snaps by the game, libretro's with each of
// &*/:`<>?\|" made '_'; the file's own title still comes first, in any slot searched.
TEST(SnapLookupTest, TheGameNameFindsSnapsNamedForOtherFrontends) {
    EXPECT_EQ(thumbnailName("Mario & Co: Part 2 <\"Re*\"> a/b\\c?|`"),
              "Mario _ Co_ Part 2 __Re___ a_b_c___");
    Slots s("s0/Zelda.png");
    s.dir.write("s1/Mario _ Co_ Part 2.png", "a thumbnail");
    s.settings.searchAll = true;
    auto found = [&](const std::string& file, std::vector<std::string> names) {
        const std::string path =
            lookUpSnap(s.settings, {fs::pathTitle(file), file, 0, 0, std::move(names)});
        return path.empty() ? path : path.substr(s.dir.path().size());
    };
    EXPECT_EQ(found("mario2.nes", {"Mario & Co: Part 2"}), "s1/Mario _ Co_ Part 2.png");
    EXPECT_EQ(found("mario2.nes", {}), "");
    s.dir.write("s2/mario2.jpg", "the file's own");
    EXPECT_EQ(found("mario2.nes", {"Mario & Co: Part 2"}), "s2/mario2.jpg");
    EXPECT_EQ(found("z.nes", {"Zelda"}), "s0/Zelda.png");
}

TEST(SnapModelTest, ComposesTheSnapOnTheFrameOrTheNoSnapPictureWithTheName) {
    Slots s("");
    const std::string frames = s.dir.makeFolder("frame");
    s.dir.write("frame/frame_SFC.bmp", bmp(kBlue, 320, 240));
    s.dir.write("s0/game.bmp", bmp(kRed, 256, 224));
    NoImageDecoder decoder;
    std::vector<std::string> captions;
    const CaptionPainter painter = [&](DibPicture&, const std::string& c) {
        captions.push_back(c);
    };
    auto compose = [&](std::string_view code, const std::string& file) {
        return SnapModel::compose(decoder, frames, code, s.settings, 0, file, 0, "ゲーム", painter);
    };
    DibPicture shown = compose("SFC", "game.zip"), frame, noSnap;
    for (auto [x, y, c] :
         {std::tuple{160, 120, kRed}, {32, 8, kRed}, {31, 8, kBlue}, {0, 0, kBlue}})
        EXPECT_EQ(shown.pixel(x, y), c) << x << "," << y;
    drawBuiltInFrame(frame);
    drawBuiltInNoSnap(noSnap);
    EXPECT_EQ(compose("FC", "game.zip").pixel(0, 0), frame.pixel(0, 0));  // no frame_FC.bmp
    s.settings.enlarge = true;
    EXPECT_EQ(compose("SFC", "game.zip").pixel(0, 0), kRed);
    EXPECT_TRUE(captions.empty());

    shown = compose("SFC", "other.zip");
    compose("SFC", "");  // nothing selected: no caption
    EXPECT_EQ(captions, std::vector<std::string>{"ゲーム"});
    for (auto [x, y] : {std::pair{0, 0}, {160, 20}, {300, 230}})
        EXPECT_EQ(shown.pixel(x, y), noSnap.pixel(x, y));
    EXPECT_NE(frame.pixel(160, 20), noSnap.pixel(160, 20));
    s.dir.write("frame/no_Snap.bmp", bmp(kBlue, 320, 240));  // the user's own, captioned too
    EXPECT_EQ(compose("SFC", "other.zip").pixel(160, 20), kBlue);
    EXPECT_EQ(captions.size(), 2u);
}

TEST(SnapModelTest, TheTimerSwitchesOnlyBetweenSlotsInUseWhileAFileIsSelected) {
    Slots s("", "13"), one("", "0134");
    s.dir.write("s0/game.bmp", bmp(kRed));
    NoImageDecoder decoder;
    SnapModel m(decoder, s.dir.path());
    m.startAutoSwitch();
    EXPECT_FALSE(m.tick(s.settings));  // nothing selected: the slot moves on alone
    EXPECT_EQ(m.slot(), 2);
    m.select("game.zip", 0, "", s.settings);
    EXPECT_TRUE(m.tick(s.settings) && m.tick(s.settings));  // to slot 4, then 0
    EXPECT_EQ(m.snapPath(), s.dir.file("s0/game.bmp"));
    m.setSlot(2);
    m.startAutoSwitch();
    EXPECT_FALSE(m.tick(one.settings));  // the only slot in use
}

using SnapDropTest = test::AppFixture;

TEST_F(SnapDropTest, APictureBecomesTheSnapNeverOverAnotherFile) {
    FolderSettings f;
    f.romFolderPaths[0] = f.snapFolderPaths[0] = "./snaps/";
    writeFolderSettings("SFC", f);
    start("SFC");
    const SnapSettings settings = snapSettingsOf(app.folders().folders, app.settings());
    for (const char* name : {"red.bmp", "blue.png", "blue.zip", "blue.mid", "blue.bmp"})
        dir.write(name, bmp(name[0] == 'r' ? kRed : kBlue));  // BMP files under any name
    dir.write("text.bmp", "no picture");
    dir.write("snaps/game.zip", "ROM");
    dir.write("snaps/game.mid", "MThd");
    SnapModel m(ports.images, app.programFolder().frameFolder());
    auto drop = [&](std::vector<std::string> names) {
        for (std::string& n : names) n = dir.file(n);
        return m.drop(names, settings);
    };
    EXPECT_FALSE(drop({"red.bmp"}));  // nothing selected
    m.select("game.zip", 0, "ゲーム", settings);
    EXPECT_FALSE(drop({"red.bmp", "blue.png"}));
    EXPECT_FALSE(drop({"text.bmp"}));
    EXPECT_FALSE(drop({"blue.zip"}));  // would be the ROM itself
    EXPECT_FALSE(drop({"blue.mid"}));  // would replace a file that is no picture
    EXPECT_EQ(dir.read("snaps/game.zip") + dir.read("snaps/game.mid"), "ROMMThd");
    EXPECT_EQ(m.snapPath(), "");

    EXPECT_TRUE(drop({"red.bmp"}));
    EXPECT_EQ(m.picture().pixel(160, 120), kRed);
    // The same file's snap is replaced, without a question; another extension stays beside it.
    EXPECT_TRUE(drop({"blue.png"}));
    EXPECT_TRUE(drop({"blue.bmp"}));
    EXPECT_EQ(m.snapPath(), dir.file("snaps/game.bmp"));
    EXPECT_EQ(m.picture().pixel(160, 120), kBlue);
    EXPECT_EQ(dir.read("snaps/game.png"), dir.read("blue.png"));
    EXPECT_TRUE(prompter.boxes().empty());
    m.setSlot(1);  // a slot not in use
    EXPECT_FALSE(drop({"red.bmp"}));
}
