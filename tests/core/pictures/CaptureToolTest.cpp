#include "core/pictures/CaptureTool.h"

#include <gtest/gtest.h>

#include "RawBytes.h"
#include "TempFolder.h"
#include "core/pictures/BmpReader.h"

using namespace romshelf;

namespace {

struct FakeScreen : Desktop {
    std::optional<DecodedImage> window;
    int grabs = 0;
    bool open(const std::string&) override { return false; }
    std::optional<DecodedImage> grabForegroundWindow() override { return ++grabs, window; }
};

// A window whose rows are red, green, blue, red, … from the top.
DecodedImage striped(int width, int height) {
    DecodedImage image{width, height, {}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int k = 0; k < 3; ++k) image.rgb.push_back(k == y % 3 ? 255 : 0);
    return image;
}

TEST(CaptureTool, ShrinksOnlyAreasLargerThanTheWindowAndPreviewsTheirStart) {
    // Width, height, shrink option; saved width, height, stretched.
    const int cases[][6] = {{640, 400, 1, 320, 200, 1},  {640, 400, 0, 640, 400, 0},
                            {641, 400, 1, 320, 240, 1},  {800, 600, 1, 320, 240, 1},
                            {1000, 100, 1, 320, 100, 1}, {320, 241, 1, 320, 240, 1},
                            {320, 240, 1, 320, 240, 0},  {1, 1, 1, 1, 1, 0}};
    for (const auto& c : cases) {
        const CaptureSize s = captureSize(c[0], c[1], c[2]);
        EXPECT_EQ(s.size, (PictureSize{c[3], c[4]})) << c[0] << "x" << c[1];
        EXPECT_EQ(s.stretch, c[5] != 0) << c[0] << "x" << c[1];
    }
    EXPECT_EQ(previewSpan(640, 320, 320), (PreviewSpan{0, 0, 320}));
    EXPECT_EQ(previewSpan(255, 320, 320), (PreviewSpan{33, 0, 255}));
    EXPECT_EQ(previewSpan(300, 200, 320), (PreviewSpan{0, 50, 200}));  // cut on both sides
}

TEST(CaptureTool, SavesTheWindowAsTheLaunchedFilesSnap) {
    test::TempFolder dir;
    dir.makeFolder("snaps");
    const std::string slot = dir.file("snaps/");
    FakeScreen screen;
    screen.window = striped(3, 2);
    CaptureTool tool;
    tool.reset("game.nes");
    EXPECT_EQ(tool.status(), "game.nes 待機中");
    tool.reset("");  // the tool shown again
    EXPECT_EQ(tool.status(), "game.nes 待機中");

    // Nothing launched, no snap folder: no grab; a window that is gone or a folder that is not
    // there: failure too. Every failure leaves the preview grey.
    EXPECT_EQ(tool.capture(screen, slot, "", false), "");
    EXPECT_EQ(tool.capture(screen, "", "game.nes", false), "");
    EXPECT_EQ(screen.grabs, 0);
    EXPECT_EQ(tool.capture(screen, dir.file("gone/"), "game.nes", false), "");
    EXPECT_EQ(tool.status(), kCaptureFailed);
    EXPECT_EQ(tool.preview().visibleWidth(), 320);

    ASSERT_EQ(tool.capture(screen, slot, "Super Mario (J).nes", true),
              slot + "Super Mario (J).bmp");
    // Bottom-up rows of three pixels padded to 12 bytes: the blue row of the top first.
    test::RawBytes bmp;
    bmp.raw("BM").i32(54 + 24).i32(0).i32(54).i32(40).i32(3).i32(2).raw({"\1\0\x18\0", 4});
    bmp.i32(0).i32(24).i32s(4).raw({"\0\xFF\0\0\xFF\0\0\xFF\0\0\0\0", 12});
    bmp.raw({"\0\0\xFF\0\0\xFF\0\0\xFF\0\0\0", 12});
    EXPECT_TRUE(test::sameBytes(dir.read("snaps/Super Mario (J).bmp"), bmp.bytes()));
    EXPECT_EQ(tool.status(), "キャプチャした画像のサイズ : X = 3 / Y = 2");
    EXPECT_EQ(tool.preview().pixel(2, 1), (Colour{0, 255, 0}));

    // A double-size screen is halved, each pixel the average of its square; again it overwrites.
    screen.window = striped(640, 400);
    tool.capture(screen, slot, "Super Mario (J).nes", true);
    const auto saved = readBmpFile(slot + "Super Mario (J).bmp");
    ASSERT_TRUE(saved);
    EXPECT_EQ((PictureSize{saved->width, saved->height}), (PictureSize{320, 200}));
    EXPECT_EQ((std::vector(saved->rgb.begin(), saved->rgb.begin() + 6)),
              (std::vector<std::uint8_t>{128, 128, 0, 128, 128, 0}));
    EXPECT_EQ(tool.status(), "キャプチャした画像のサイズ : X = 320 / Y = 200");
    tool.reset("CLEAR");  // another hardware
    EXPECT_EQ(tool.status(), "");
    EXPECT_EQ(tool.preview().pixel(0, 0), kCaptureBackground);
}

}  // namespace
