#pragma once

#include <functional>

#include "core/app/ApplicationListener.h"
#include "core/settings/ProgramFolder.h"
#include "core/settings/WindowLayout.h"

namespace romshelf {

// The View menu's layout commands over the tool windows' slots. The windows are moved by the
// notice toolWindowPlaced, in each command's order. The caller refreshes the slots from the
// windows before store, the resets and the lock, so that they start from where the windows are.
class WindowLayoutCommands {
public:
    WindowLayoutCommands(MainSettings& settings, const ProgramFolder& folder, Prompter& prompter,
                         ApplicationListener& notices, std::function<void()> saveMainSettings)
        : settings_(settings),
          folder_(folder),
          prompter_(prompter),
          notices_(notices),
          saveMainSettings_(std::move(saveMainSettings)) {}

    // Locks or unlocks the windows, and saves MainData.slb at once.
    void toggleLock();
    // Each asks first; false when the user said no or the work failed (and was told).
    bool store();
    bool restore();
    bool resetSizes();
    bool resetPositions();

    std::string positionsPath() const { return folder_.dataFile("WindowPosition.slb"); }

private:
    // Gives the slots of `order` their new placement one by one and has each window follow, with
    // the lock off meanwhile.
    void place(const ToolWindowOrder& order,
               const std::function<WindowSlot(int, const WindowSlot&)>& placement);

    MainSettings& settings_;
    const ProgramFolder& folder_;
    Prompter& prompter_;
    ApplicationListener& notices_;
    std::function<void()> saveMainSettings_;
};

}  // namespace romshelf
