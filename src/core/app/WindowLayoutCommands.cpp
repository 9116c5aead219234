#include "core/app/WindowLayoutCommands.h"

namespace romshelf {

namespace {

constexpr const char* kStoreTitle = "ウィンドウ位置の記憶確認";
constexpr const char* kResetTitle = "初期化確認";

}  // namespace

void WindowLayoutCommands::toggleLock() {
    settings_.lockWindowPositions = !settings_.lockWindowPositions;
    saveMainSettings_();
}

bool WindowLayoutCommands::store() {
    if (!prompter_.ask("現在の各ウィンドウの位置を保存しますか？", kStoreTitle)) return false;
    DataStream stream;
    if (!saveWindowPositions(stream, positionsPath(), settings_.windowSlots)) {
        prompter_.inform("ファイルの保存に失敗しました。", "ウィンドウ位置の記憶失敗");
        return false;
    }
    prompter_.inform("各ウィンドウの位置を保存しました。", kStoreTitle);
    return true;
}

bool WindowLayoutCommands::restore() {
    if (!prompter_.ask("現在の各ウィンドウの位置を復元しますか？", "ウィンドウ位置の復元確認"))
        return false;
    DataStream stream;
    // A file refused here is kept beside it before the next store can replace it.
    stream.setKeepsRefusedCopies(true);
    WindowSlots slots = settings_.windowSlots;
    switch (loadWindowPositions(stream, positionsPath(), prompter_, slots)) {
        case LoadResult::Missing:
            prompter_.inform("ファイルの読み込みに失敗しました。", "ウィンドウ位置の復元失敗");
            return false;
        case LoadResult::Rejected:
            return false;
        case LoadResult::Loaded:
            break;
    }
    // The show states and visible flags read are kept for the next save, not applied now.
    place(kRestoreOrder, [&](int slot, const WindowSlot&) { return slots[slot]; });
    return true;
}

bool WindowLayoutCommands::resetSizes() {
    if (!prompter_.ask("各ウィンドウの大きさを初期化しますか？", kResetTitle)) return false;
    place(kResetOrder, withResetSize);
    return true;
}

bool WindowLayoutCommands::resetPositions() {
    if (!prompter_.ask("各ウィンドウの位置を初期化しますか？", kResetTitle)) return false;
    place(kResetOrder, withResetPosition);
    return true;
}

void WindowLayoutCommands::place(
    const ToolWindowOrder& order,
    const std::function<WindowSlot(int, const WindowSlot&)>& placement) {
    const bool locked = settings_.lockWindowPositions;
    settings_.lockWindowPositions = false;
    for (int slot : order) {
        WindowSlot& s = settings_.windowSlots[static_cast<std::size_t>(slot)];
        s = placement(slot, s);
        notices_.toolWindowPlaced(slot);
    }
    settings_.lockWindowPositions = locked;
}

}  // namespace romshelf
