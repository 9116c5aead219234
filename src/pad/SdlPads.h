#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/pad/PadControls.h"

namespace romshelf {

// A joystick SDL sees, as `romshelf-cli pad` and the environment dialog list it.
struct PadInfo {
    int instanceId = -1;
    std::string name;
    std::string guid;     // SDL's 32 hex digits
    bool mapped = false;  // SDL's controller database (or the device itself) gives its layout
};

// The game controllers, through SDL2's GameController API, opened as they are plugged in and
// closed as they go. Only the joystick, controller and event parts of SDL are started, with
// events kept coming while another program has the focus (the hotkey ends a game that has it).
// Not thread-safe: one thread (the GUI's) owns it.
class SdlPads {
public:
    SdlPads();
    ~SdlPads();
    SdlPads(const SdlPads&) = delete;
    SdlPads& operator=(const SdlPads&) = delete;

    // False when SDL could not start its joystick support; error() says why.
    bool available() const { return started_; }
    const std::string& error() const { return error_; }

    // Takes SDL's waiting events: plugs, unplugs, buttons and axes. True when something changed.
    bool pump();
    // Every joystick SDL sees, controllers or not.
    std::vector<PadInfo> joysticks() const;
    // The controllers open now.
    std::size_t connected() const { return controllers_.size(); }
    // What the open controllers hold together: a button held on any of them is held.
    PadState state() const;

private:
    void openAll();
    void close(int instanceId);

    struct Open {
        int instanceId;
        void* controller;  // SDL_GameController*
    };
    bool started_ = false;
    std::string error_;
    std::vector<Open> controllers_;
};

}  // namespace romshelf
