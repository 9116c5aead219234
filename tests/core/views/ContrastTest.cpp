#include "core/views/Contrast.h"

#include <gtest/gtest.h>

using namespace romshelf;

namespace {

int red(std::uint32_t c) { return static_cast<int>((c >> 16) & 0xFF); }
int green(std::uint32_t c) { return static_cast<int>((c >> 8) & 0xFF); }
int blue(std::uint32_t c) { return static_cast<int>(c & 0xFF); }

}  // namespace

// Reference values of the WCAG definition: white 1, black 0, pure primaries their weights.
TEST(Contrast, LuminanceOfWhiteBlackAndPrimaries) {
    EXPECT_DOUBLE_EQ(relativeLuminance(0xFFFFFF), 1.0);
    EXPECT_DOUBLE_EQ(relativeLuminance(0x000000), 0.0);
    EXPECT_NEAR(relativeLuminance(0xFF0000), 0.2126, 1e-9);
    EXPECT_NEAR(relativeLuminance(0x00FF00), 0.7152, 1e-9);
    EXPECT_NEAR(relativeLuminance(0x0000FF), 0.0722, 1e-9);
}

// Ratios that contrast checkers give: black on white 21, #767676 on white the lightest grey that
// passes (4.54), #777777 just fails (4.48), red on white 4.00, blue on white 8.59.
TEST(Contrast, RatiosOfKnownPairs) {
    EXPECT_DOUBLE_EQ(contrastRatio(0x000000, 0xFFFFFF), 21.0);
    EXPECT_DOUBLE_EQ(contrastRatio(0xFFFFFF, 0x000000), 21.0);
    EXPECT_DOUBLE_EQ(contrastRatio(0x336699, 0x336699), 1.0);
    EXPECT_NEAR(contrastRatio(0x767676, 0xFFFFFF), 4.54, 0.01);
    EXPECT_NEAR(contrastRatio(0x777777, 0xFFFFFF), 4.48, 0.01);
    EXPECT_NEAR(contrastRatio(0xFF0000, 0xFFFFFF), 4.00, 0.01);
    EXPECT_NEAR(contrastRatio(0x0000FF, 0xFFFFFF), 8.59, 0.01);
}

TEST(Contrast, ReadableColourIsKept) {
    EXPECT_EQ(readableOn(0x0000FF, 0xFFFFFF), 0x0000FFu);
    EXPECT_EQ(readableOn(0xFFFFFF, 0x202020), 0xFFFFFFu);
    EXPECT_EQ(readableOn(0x767676, 0xFFFFFF), 0x767676u);
}

// Blue on a dark base (2.4:1) is lightened: it reads, stays bluish, and is no whiter than needed.
TEST(Contrast, BlueOnDarkIsLightened) {
    const std::uint32_t bg = 0x1E1E1E;
    const std::uint32_t c = readableOn(0x0000FF, bg);
    EXPECT_GE(contrastRatio(c, bg), 4.5);
    EXPECT_EQ(blue(c), 255);
    EXPECT_GT(blue(c), red(c));
    EXPECT_NE(c, 0xFFFFFFu);
    EXPECT_LT(contrastRatio(c, bg), 5.0);
}

// Red on white (4.0:1) is darkened, not lightened: still pure red, just darker.
TEST(Contrast, RedOnWhiteIsDarkened) {
    const std::uint32_t c = readableOn(0xFF0000, 0xFFFFFF);
    EXPECT_GE(contrastRatio(c, 0xFFFFFF), 4.5);
    EXPECT_LT(red(c), 255);
    EXPECT_GT(red(c), 200);
    EXPECT_EQ(green(c), 0);
    EXPECT_EQ(blue(c), 0);
}

// Black text on a dark base (the file list's titles under a dark theme) becomes light.
TEST(Contrast, BlackOnDarkBecomesLight) {
    const std::uint32_t bg = 0x2D2D2D;
    const std::uint32_t c = readableOn(0x000000, bg);
    EXPECT_GE(contrastRatio(c, bg), 4.5);
    EXPECT_GT(relativeLuminance(c), relativeLuminance(bg));
}

// A demand no colour meets on mid grey: black, which contrasts more there than white (4.69 to
// 4.48 on #777777).
TEST(Contrast, UnreachableDemandGivesTheBetterExtreme) {
    EXPECT_EQ(readableOn(0x808080, 0x777777, 7.0), 0x000000u);
    EXPECT_EQ(readableOn(0x808080, 0x222222, 30.0), 0xFFFFFFu);
}
