#pragma once

#include <SDL.h>

#include <stdexcept>
#include <string>

namespace romshelf::test {

// A game controller that exists only in this process: SDL's virtual joystick, typed as a game
// controller with its buttons and axes numbered as SDL's GameController API numbers them, so
// that the tests press buttons without hardware.
class VirtualPad {
public:
    explicit VirtualPad(const char* name = "Romshelf Test Pad") {
        SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
        if (SDL_InitSubSystem(SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER | SDL_INIT_EVENTS) != 0)
            throw std::runtime_error(std::string("SDL: ") + SDL_GetError());
        SDL_VirtualJoystickDesc desc{};
        desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
        desc.naxes = SDL_CONTROLLER_AXIS_MAX;
        desc.nbuttons = SDL_CONTROLLER_BUTTON_DPAD_RIGHT + 1;
        desc.button_mask = (1u << (SDL_CONTROLLER_BUTTON_DPAD_RIGHT + 1)) - 1;
        desc.axis_mask = (1u << SDL_CONTROLLER_AXIS_MAX) - 1;
        desc.name = name;
        const int index = SDL_JoystickAttachVirtualEx(&desc);
        if (index < 0) throw std::runtime_error(std::string("SDL: ") + SDL_GetError());
        joystick_ = SDL_JoystickOpen(index);
        if (!joystick_) throw std::runtime_error(std::string("SDL: ") + SDL_GetError());
        instance_ = SDL_JoystickInstanceID(joystick_);
    }
    ~VirtualPad() {
        unplug();
        SDL_QuitSubSystem(SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER | SDL_INIT_EVENTS);
    }
    VirtualPad(const VirtualPad&) = delete;
    VirtualPad& operator=(const VirtualPad&) = delete;

    // `button` as SDL_GameControllerButton numbers it.
    void set(int button, bool down) {
        SDL_JoystickSetVirtualButton(joystick_, button, down ? 1 : 0);
    }
    void axis(int axis, Sint16 value) { SDL_JoystickSetVirtualAxis(joystick_, axis, value); }

    void unplug() {
        if (!joystick_) return;
        SDL_JoystickClose(joystick_);
        joystick_ = nullptr;
        for (int i = 0; i < SDL_NumJoysticks(); ++i)
            if (SDL_JoystickGetDeviceInstanceID(i) == instance_) SDL_JoystickDetachVirtual(i);
    }

private:
    SDL_Joystick* joystick_ = nullptr;
    SDL_JoystickID instance_ = -1;
};

}  // namespace romshelf::test
