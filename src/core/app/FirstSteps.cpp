#include "core/app/FirstSteps.h"

#include <algorithm>

#include "core/app/Application.h"
#include "core/app/StoredPaths.h"
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

std::vector<std::pair<std::string, std::string>> unmappedCurrentPaths(const Application& app) {
    // Loaded paths are those of this machine; a Windows one is left only where nothing maps it.
    std::vector<std::pair<std::string, std::string>> found;
    auto check = [&](const std::string& label, const std::string& path) {
        if (isWindowsPath(path)) found.emplace_back(label, path);
    };
    const FolderSettings& f = app.folders().folders;
    if (!app.currentCode().empty()) {
        for (std::size_t i = 0; i < f.romFolderPaths.size(); ++i)
            check("ROMフォルダ " + std::to_string(i + 1), f.romFolderPaths[i]);
        for (std::size_t i = 0; i < f.snapFolderPaths.size(); ++i)
            check("スナップフォルダ " + std::to_string(i + 1), f.snapFolderPaths[i]);
        for (std::size_t i = 0; i < f.mediaFolderPaths.size(); ++i)
            check("メディアフォルダ " + std::to_string(i + 1), f.mediaFolderPaths[i]);
        for (const EmulatorEntry& e : app.emulators())
            check("エミュレータ " + e.name, e.executable);
    }
    return found;
}

std::string firstStepsHint(const Application& app) {
    bool anyRomFolder = false;
    for (const std::string& path : app.folders().folders.romFolderPaths)
        anyRomFolder = anyRomFolder || !path.empty();
    if (anyRomFolder) {
        const auto unmapped = unmappedCurrentPaths(app);
        if (unmapped.empty()) return {};
        std::string text;
        for (const auto& [label, path] : unmapped) text += unmappedPathMessage(path, label) + "\n";
        return text + "\n(ここをクリックすると「ドライブ」ページを開きます)";
    }
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

WindowSlot fitIntoArea(WindowSlot slot, ScreenArea area, int decorationWidth,
                       int decorationHeight) {
    const auto fit = [](std::int32_t& pos, std::int32_t& size, int start, int room, int extra) {
        size = std::max(1, std::min(size, room - extra));
        pos = std::clamp(pos, start, std::max(start, start + room - extra - size));
    };
    fit(slot.x, slot.width, area.x, area.width, decorationWidth);
    fit(slot.y, slot.height, area.y, area.height, decorationHeight);
    return slot;
}

std::array<WindowSlot, kWindowSlotCount> fitLayout(std::array<WindowSlot, kWindowSlotCount> slots,
                                                   ScreenArea screen) {
    WindowSlot& frame = slots[kSlotMainFrame];
    const WindowSlot fitted = fitIntoArea(frame, screen, kDecorationWidth, kDecorationHeight);
    if (fitted == frame) return slots;
    frame = fitted;
    const ScreenArea inside{0, 0, frame.width, std::max(frame.height - kBarsHeight, 160)};
    for (int s = 0; s < kWindowSlotCount; ++s)
        if (s != kSlotMainFrame)
            slots[static_cast<std::size_t>(s)] =
                fitIntoArea(slots[static_cast<std::size_t>(s)], inside);
    return slots;
}

}  // namespace romshelf
