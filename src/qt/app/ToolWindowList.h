#pragma once

#include "core/settings/MainSettings.h"
#include "qt/app/CommandIds.h"

namespace romshelf {

// The main frame's tool windows: each one's slot, title and the 表示 menu's command that shows it.
struct ToolWindowInfo {
    int slot;
    const char* title;
    int viewCommand;
};

// Creation order of the tool windows.
inline constexpr ToolWindowInfo kToolWindows[] = {
    {kSlotDatabase, "データベースウィンドウ", cmd::ViewDatabase},
    {kSlotSystem, "システムウィンドウ", cmd::ViewSystem},
    {kSlotFileList, "ファイルリスト", cmd::ViewFileList},
    {kSlotSnap, "スナップウィンドウ : ", cmd::ViewSnap},
    {kSlotFolder, "フォルダウィンドウ", cmd::ViewFolder},
    {kSlotFileInfo, "ファイル情報ウィンドウ", cmd::ViewFileInfo},
    {kSlotMedia, "メディアウィンドウ", cmd::ViewMedia},
};

}  // namespace romshelf
