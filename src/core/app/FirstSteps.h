#pragma once

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "core/settings/MainSettings.h"

namespace romshelf {

class Application;

// What the file list says while the current hardware has no ROM folder: where in the menus the
// folder and emulator settings are; while one of its folders or emulators is a Windows path that
// no drive mapping covers: which, and where to map it. Empty when all is set.
std::string firstStepsHint(const Application& app);

// The current hardware's folders and emulators that are Windows paths no mapping covers, as
// (label, stored path).
std::vector<std::pair<std::string, std::string>> unmappedCurrentPaths(const Application& app);

// The part of a screen windows may take (without panels and docks), in screen coordinates.
struct ScreenArea {
    int x = 0, y = 0, width = 0, height = 0;
};

// The placements of the very first start (no MainData.slb yet): the main frame over the screen's
// available area, and the seven tool windows side by side inside it in three columns (file list
// over the system log; snap over the database; media, file information and folders), so that
// none hides another. Later starts restore what was stored instead.
std::array<WindowSlot, kWindowSlotCount> firstStartLayout(ScreenArea screen);

// `slot` (a client size, with `decorationWidth` x `decorationHeight` of frame around it) shrunk
// where it is larger than `area` and moved the least distance that puts it inside; a window that
// is inside already stays as it is.
WindowSlot fitIntoArea(WindowSlot slot, ScreenArea area, int decorationWidth = 0,
                       int decorationHeight = 0);

// A stored layout on the screen it opens on: the main frame fitted into the screen's available
// area. A frame that had to move or shrink was saved on another screen or at another scale: its
// tool windows are then fitted into its new inside too. Windows that fit keep their places and
// sizes; a frame that fits leaves its tool windows as they were stored.
std::array<WindowSlot, kWindowSlotCount> fitLayout(std::array<WindowSlot, kWindowSlotCount> slots,
                                                   ScreenArea screen);

}  // namespace romshelf
