#pragma once

#include <string>
#include <vector>

namespace romshelf {

// A demo game's screen in 8x8 tiles: the backdrop colour everywhere, and a solid tile of the
// accent colour where a block is set. Both the ROM image and its snap are drawn from it.
struct DemoScreen {
    int columns = 0, rows = 0;
    std::vector<bool> blocks;  // row by row
    bool block(int column, int row) const {
        return blocks[static_cast<std::size_t>(row * columns + column)];
    }
};

// The demo ROM images on their own (the header readers' and the emulators' view of them). Each
// one's program fills the screen with `backdrop` and draws the screen's blocks in `accent`:
// NES palette entries, Game Boy shades (0 lightest to 3 darkest), Mega Drive colour words
// (0000BBB0GGG0RRR0). The screen is 32x30 tiles, 20x18 and 40x28 respectively.
std::string demoNesImage(unsigned backdrop, unsigned accent, const DemoScreen& screen);
std::string demoGameBoyImage(const std::string& title, unsigned backdrop, unsigned accent,
                             const DemoScreen& screen);
std::string demoMegaDriveImage(const std::string& title, unsigned backdrop, unsigned accent,
                               const DemoScreen& screen);

}  // namespace romshelf
