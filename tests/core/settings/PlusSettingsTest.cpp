#include "core/settings/PlusSettings.h"

#include <gtest/gtest.h>

#include <cmath>

#include "TempFolder.h"
#include "core/platform/FileSystem.h"

namespace romshelf {
namespace {

TEST(PlusSettings, MissingFileGivesDefaultsAndAFileRoundTripsKeepingUnknownKeys) {
    test::TempFolder dir;
    const std::string path = dir.file("romshelf-plus.ini");
    PlusSettings s;
    s.discSets = true;
    ASSERT_TRUE(loadPlusSettings(path, s));
    EXPECT_FALSE(s.discSets);
    EXPECT_EQ(s.unpackCacheLimit, 4294967296ull);

    // As a newer version or a hand edit may leave it: comments, blanks, spaces, CRLF, a key
    // this version does not know, and a value that does not read.
    ASSERT_TRUE(fs::writeFileAtomically(path,
                                        "# mine\r\n discSets = 1 \r\n\nnewerThing=a=b\n"
                                        "unpackCacheLimit=12x\nno equals sign\n"));
    ASSERT_TRUE(loadPlusSettings(path, s));
    EXPECT_TRUE(s.discSets);
    EXPECT_EQ(s.unpackCacheLimit, 4294967296ull);
    ASSERT_EQ(s.unknown.size(), 1u);
    EXPECT_EQ(s.unknown[0].first, "newerThing");
    EXPECT_EQ(s.unknown[0].second, "a=b");

    s.unpackCacheLimit = 1048576;
    ASSERT_TRUE(savePlusSettings(path, s));
    EXPECT_EQ(fs::readFile(path).value_or(""),
              "discSets=1\nunpackCacheLimit=1048576\nnewerThing=a=b\n");
    PlusSettings again;
    ASSERT_TRUE(loadPlusSettings(path, again));
    EXPECT_EQ(again, s);
}

// The DAT each hardware's rename data were cut from, one key a hardware; a key without a code
// or a path is no such entry and is kept as it stands.
TEST(PlusSettings, RenameDatsRoundTrip) {
    test::TempFolder dir;
    const std::string path = dir.file("romshelf-plus.ini");
    ASSERT_TRUE(fs::writeFileAtomically(
        path,
        "renameDat.FC = /home/me/dats/Nintendo - NES (20261201).dat\nrenameDat.=x\n"
        "renameDat.MD=\nrenameDat.GB=/dats/gb.xml\n"));
    PlusSettings s;
    ASSERT_TRUE(loadPlusSettings(path, s));
    EXPECT_EQ(s.renameDats,
              (std::vector<std::pair<std::string, std::string>>{
                  {"FC", "/home/me/dats/Nintendo - NES (20261201).dat"}, {"GB", "/dats/gb.xml"}}));
    ASSERT_TRUE(savePlusSettings(path, s));
    EXPECT_EQ(fs::readFile(path).value_or(""),
              "discSets=0\nunpackCacheLimit=4294967296\n"
              "renameDat.FC=/home/me/dats/Nintendo - NES (20261201).dat\n"
              "renameDat.GB=/dats/gb.xml\nrenameDat.=x\nrenameDat.MD=\n");
}

// One file per game and the region order that picks it: written only when set, read back as
// written, blanks around the names aside.
TEST(PlusSettings, OnePerGameAndRegionOrderRoundTrip) {
    test::TempFolder dir;
    const std::string path = dir.file("romshelf-plus.ini");
    PlusSettings s;
    EXPECT_FALSE(s.onePerGame);
    EXPECT_EQ(s.regionOrder, (std::vector<std::string>{"Japan", "World", "USA", "Europe"}));
    ASSERT_TRUE(savePlusSettings(path, s));
    EXPECT_EQ(fs::readFile(path).value_or(""), "discSets=0\nunpackCacheLimit=4294967296\n");

    ASSERT_TRUE(fs::writeFileAtomically(path, "onePerGame=1\nregionOrder= USA , Europe,,Japan\n"));
    ASSERT_TRUE(loadPlusSettings(path, s));
    EXPECT_TRUE(s.onePerGame);
    EXPECT_EQ(s.regionOrder, (std::vector<std::string>{"USA", "Europe", "Japan"}));
    ASSERT_TRUE(savePlusSettings(path, s));
    EXPECT_EQ(fs::readFile(path).value_or(""),
              "discSets=0\nunpackCacheLimit=4294967296\nonePerGame=1\n"
              "regionOrder=USA,Europe,Japan\n");
    PlusSettings again;
    ASSERT_TRUE(loadPlusSettings(path, again));
    EXPECT_EQ(again, s);

    // A value that does not read keeps the default.
    ASSERT_TRUE(fs::writeFileAtomically(path, "onePerGame=yes\n"));
    ASSERT_TRUE(loadPlusSettings(path, s));
    EXPECT_FALSE(s.onePerGame);
}

// The list font's size is kept in pixels, as the shared files keep font sizes, and shown in
// points: a point is 1/72 inch, so 16 pixels at 96 dots per inch are 12 points, 14 are 10.5, and
// 21 pixels at 144 dots per inch are 10.5 points too.
TEST(PlusSettings, TheListFontHeightIsKeptInPixelsAndShownInPoints) {
    EXPECT_DOUBLE_EQ(pointsOfPixelHeight(16, 96), 12.0);
    EXPECT_DOUBLE_EQ(pointsOfPixelHeight(14, 96), 10.5);
    EXPECT_DOUBLE_EQ(pointsOfPixelHeight(21, 144), 10.5);
    EXPECT_DOUBLE_EQ(pointsOfPixelHeight(12, 72), 12.0);
    EXPECT_EQ(pixelHeightOfPoints(12.0, 96), 16);
    EXPECT_EQ(pixelHeightOfPoints(10.5, 144), 21);
    EXPECT_EQ(pixelHeightOfPoints(9.0, 120), 15);
    EXPECT_EQ(pixelHeightOfPoints(9.8, 96), 13);  // 13.07 pixels
    // Shown with one decimal, as the dialog shows it, a height comes back the same at the usual
    // resolutions (100 % to 300 %).
    for (const double dpi : {72.0, 96.0, 120.0, 144.0, 192.0, 288.0})
        for (int pixels = 6; pixels <= 96; ++pixels) {
            const double shown = std::round(pointsOfPixelHeight(pixels, dpi) * 10) / 10;
            EXPECT_EQ(pixelHeightOfPoints(shown, dpi), pixels) << pixels << " at " << dpi;
        }

    // Written only once chosen, and read back as written.
    test::TempFolder dir;
    const std::string path = dir.file("romshelf-plus.ini");
    PlusSettings s;
    EXPECT_EQ(s.listFontHeight, 0);
    s.listFontHeight = 16;
    ASSERT_TRUE(savePlusSettings(path, s));
    EXPECT_EQ(fs::readFile(path).value_or(""),
              "discSets=0\nunpackCacheLimit=4294967296\nlistFontHeight=16\n");
    PlusSettings again;
    ASSERT_TRUE(loadPlusSettings(path, again));
    EXPECT_EQ(again.listFontHeight, 16);
    ASSERT_TRUE(fs::writeFileAtomically(path, "listFontHeight=big\n"));
    ASSERT_TRUE(loadPlusSettings(path, again));
    EXPECT_EQ(again.listFontHeight, 0);
}

}  // namespace
}  // namespace romshelf

namespace romshelf {
namespace {

TEST(PlusSettings, ThePadsSettingsAreWrittenOnlyWhenChanged) {
    test::TempFolder dir;
    const std::string path = dir.file("romshelf-plus.ini");
    PlusSettings s;
    EXPECT_TRUE(s.pad);
    EXPECT_EQ(s.padQuitButtons, "back+start");
    EXPECT_EQ(s.padQuitHoldMs, 1000);
    ASSERT_TRUE(savePlusSettings(path, s));
    EXPECT_EQ(fs::readFile(path).value_or(""), "discSets=0\nunpackCacheLimit=4294967296\n");
    s.pad = false;
    s.padQuitButtons = "leftshoulder+rightshoulder";
    s.padQuitHoldMs = 0;
    ASSERT_TRUE(savePlusSettings(path, s));
    EXPECT_EQ(fs::readFile(path).value_or(""),
              "discSets=0\nunpackCacheLimit=4294967296\npad=0\n"
              "padQuitButtons=leftshoulder+rightshoulder\npadQuitHoldMs=0\n");
    PlusSettings again;
    ASSERT_TRUE(loadPlusSettings(path, again));
    EXPECT_EQ(again, s);
    // A time past a minute does not read, and keeps the default.
    ASSERT_TRUE(fs::writeFileAtomically(path, "padQuitHoldMs=60001\npad=2\n"));
    ASSERT_TRUE(loadPlusSettings(path, again));
    EXPECT_EQ(again.padQuitHoldMs, 1000);
    EXPECT_TRUE(again.pad);
}

}  // namespace
}  // namespace romshelf
