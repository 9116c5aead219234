#pragma once

#include <cstdint>

namespace romshelf {

// How a window is shown, numbered as the window slots store it.
enum class ShowState : std::int32_t { Minimised = 0, Normal = 1, Maximised = 2 };

// The modeless windows that commands hide.
enum class ModelessWindow { Registration, CaptureTool };

// What the core asks of the program's windows: the main window steps aside while an emulator
// runs, and a switch or launch hides the registration window.
class WindowControl {
public:
    virtual ~WindowControl() = default;
    virtual void minimiseMainWindow() = 0;
    // Shows the main window again as stored; any other number leaves it as it is.
    virtual void restoreMainWindow(ShowState state) = 0;
    virtual void hide(ModelessWindow window) = 0;
};

// No windows (command-line companion).
class NoWindows : public WindowControl {
public:
    void minimiseMainWindow() override {}
    void restoreMainWindow(ShowState) override {}
    void hide(ModelessWindow) override {}
};

}  // namespace romshelf
