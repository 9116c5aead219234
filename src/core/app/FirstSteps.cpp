#include "core/app/FirstSteps.h"

#include <algorithm>

#include "core/app/Application.h"
#include "core/settings/HardwareTable.h"

namespace romshelf {

namespace {

// Room the window manager's frame and the main frame's menu and tool bars take.
constexpr int kDecorationWidth = 8;
constexpr int kDecorationHeight = 32;
constexpr int kBarsHeight = 72;
// The snap and media windows at their natural size: a 320 x 240 picture in a frame.
constexpr int kPictureWindowWidth = 328;
constexpr int kPictureWindowHeight = 263;

WindowSlot slot(int x, int y, int width, int height) {
    WindowSlot s;
    s.x = x, s.y = y, s.width = width, s.height = height;
    return s;
}

}  // namespace

std::string firstStepsHint(const Application& app) {
    for (const std::string& path : app.folders().folders.romFolderPaths)
        if (!path.empty()) return {};
    // The menu path down to this hardware's entry, as the settings menu lists it.
    std::string entry = " > 機種";
    const int index = hardwareIndexOf(app.currentCode());
    if (index >= 0) {
        const HardwareInfo& hw = hardwareTable()[static_cast<std::size_t>(index)];
        entry = " > " + std::string(menuGroupName(hw.group)) + " > " + std::string(hw.defaultName);
    }
    return "ROMフォルダが設定されていません。\n\n"
           "ROMフォルダはメニューの 設定 > フォルダ設定" +
           entry +
           " で、\n"
           "エミュレータは 設定 > エミュレータ設定" +
           entry + " で設定できます。";
}

std::array<WindowSlot, kWindowSlotCount> firstStartLayout(ScreenArea screen) {
    std::array<WindowSlot, kWindowSlotCount> slots{};
    const int frameWidth = std::max(screen.width - kDecorationWidth, 320);
    const int frameHeight = std::max(screen.height - kDecorationHeight, 240);
    slots[kSlotMainFrame] = slot(screen.x, screen.y, frameWidth, frameHeight);

    // The tool windows share the main frame's inside: the list column takes what the two picture
    // columns leave.
    const int w = frameWidth, h = std::max(frameHeight - kBarsHeight, 160);
    const int side = std::min(kPictureWindowWidth, w * 2 / 7);
    const int list = w - 2 * side;
    const int picture = std::min(kPictureWindowHeight, h / 2);
    const int system = std::min(260, h / 3);
    slots[kSlotFileList] = slot(0, 0, list, h - system);
    slots[kSlotSystem] = slot(0, h - system, list, system);
    slots[kSlotSnap] = slot(list, 0, side, picture);
    slots[kSlotDatabase] = slot(list, picture, side, h - picture);
    slots[kSlotMedia] = slot(list + side, 0, side, picture);
    const int info = (h - picture) / 2;
    slots[kSlotFileInfo] = slot(list + side, picture, side, info);
    slots[kSlotFolder] = slot(list + side, picture + info, side, h - picture - info);
    return slots;
}

}  // namespace romshelf
