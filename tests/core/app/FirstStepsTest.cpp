#include "core/app/FirstSteps.h"

#include <gtest/gtest.h>

using namespace romshelf;

namespace {

WindowSlot at(int x, int y, int w, int h) {
    WindowSlot s;
    s.x = x;
    s.y = y;
    s.width = w;
    s.height = h;
    return s;
}

}  // namespace

TEST(FitIntoArea, WindowInsideStaysAsItIs) {
    const WindowSlot s = at(100, 50, 800, 600);
    EXPECT_EQ(fitIntoArea(s, {0, 0, 1920, 1080}), s);
    // Touching the edges with its frame is still inside.
    EXPECT_EQ(fitIntoArea(at(0, 0, 1912, 1048), {0, 0, 1920, 1080}, 8, 32), at(0, 0, 1912, 1048));
}

// Saved on a 1920 x 1080 screen at (1000, 600), opened on 1280 x 720 (1920 x 1080 at 150 %): moved
// left and up until its right and bottom frame edges meet the area's.
TEST(FitIntoArea, WindowOffTheRightAndBottomIsMovedIn) {
    EXPECT_EQ(fitIntoArea(at(1000, 600, 800, 400), {0, 0, 1280, 720}, 8, 32),
              at(1280 - 8 - 800, 720 - 32 - 400, 800, 400));
}

TEST(FitIntoArea, WindowLargerThanTheAreaIsShrunk) {
    // A panel takes the top 27 pixels: the area starts below it.
    EXPECT_EQ(fitIntoArea(at(-50, 0, 1900, 1060), {0, 27, 1280, 693}, 8, 32), at(0, 27, 1272, 661));
}

TEST(FitIntoArea, WindowLeftOfASecondScreenComesOntoIt) {
    // The area of a screen right of another: x from 1920.
    EXPECT_EQ(fitIntoArea(at(200, 100, 640, 480), {1920, 0, 1280, 1024}), at(1920, 100, 640, 480));
}

// The frame is fitted to the screen, then the tool windows to the frame's inside (its client
// size less 72 pixels of menu and bars); a tool window that fits keeps its place.
TEST(FitLayout, ToolWindowsFollowTheFittedFrame) {
    std::array<WindowSlot, kWindowSlotCount> slots{};
    slots[kSlotMainFrame] = at(0, 0, 1912, 1048);
    for (int s = 1; s < kWindowSlotCount; ++s)
        slots[static_cast<std::size_t>(s)] = at(10, 10, 300, 200);
    slots[kSlotSnap] = at(1500, 700, 328, 263);
    slots[kSlotFileList] = at(0, 0, 1200, 900);
    const auto fitted = fitLayout(slots, {0, 0, 1280, 720});
    EXPECT_EQ(fitted[kSlotMainFrame], at(0, 0, 1272, 688));
    // The inside is 1272 x (688 - 72) = 1272 x 616.
    EXPECT_EQ(fitted[kSlotSnap], at(1272 - 328, 616 - 263, 328, 263));
    EXPECT_EQ(fitted[kSlotFileList], at(0, 0, 1200, 616));
    EXPECT_EQ(fitted[kSlotSystem], at(10, 10, 300, 200));
}

// A frame that fits keeps its tool windows as stored, even one reaching below the inside.
TEST(FitLayout, AFrameThatFitsKeepsItsToolWindows) {
    std::array<WindowSlot, kWindowSlotCount> slots{};
    for (int s = 0; s < kWindowSlotCount; ++s)
        slots[static_cast<std::size_t>(s)] = at(10, 10, 300, 200);
    slots[kSlotMainFrame] = at(0, 0, 640, 452);
    slots[kSlotMedia] = at(144, 144, 328, 263);
    EXPECT_EQ(fitLayout(slots, {0, 0, 800, 600}), slots);
}

// The first start's layout fits already: fitting changes nothing.
TEST(FitLayout, FirstStartLayoutIsUnchanged) {
    const ScreenArea screen{0, 24, 1366, 744};
    const auto slots = firstStartLayout(screen);
    EXPECT_EQ(fitLayout(slots, screen), slots);
}
