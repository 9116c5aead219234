#include "pad/SdlPads.h"

#include <SDL.h>

#include <algorithm>

namespace romshelf {

namespace {

constexpr Uint32 kSubsystems = SDL_INIT_GAMECONTROLLER | SDL_INIT_JOYSTICK | SDL_INIT_EVENTS;

SDL_GameController* controllerOf(void* p) { return static_cast<SDL_GameController*>(p); }

}  // namespace

SdlPads::SdlPads() {
    // The pad keeps reporting while an emulator (another program) has the focus.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    if (SDL_InitSubSystem(kSubsystems) != 0) {
        error_ = SDL_GetError();
        return;
    }
    started_ = true;
    openAll();
}

SdlPads::~SdlPads() {
    if (!started_) return;
    for (const Open& o : controllers_) SDL_GameControllerClose(controllerOf(o.controller));
    SDL_QuitSubSystem(kSubsystems);
}

void SdlPads::openAll() {
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
        if (!SDL_IsGameController(i)) continue;
        const int id = SDL_JoystickGetDeviceInstanceID(i);
        if (std::any_of(controllers_.begin(), controllers_.end(),
                        [&](const Open& o) { return o.instanceId == id; }))
            continue;
        if (SDL_GameController* c = SDL_GameControllerOpen(i)) controllers_.push_back({id, c});
    }
}

void SdlPads::close(int instanceId) {
    const auto it = std::find_if(controllers_.begin(), controllers_.end(),
                                 [&](const Open& o) { return o.instanceId == instanceId; });
    if (it == controllers_.end()) return;
    SDL_GameControllerClose(controllerOf(it->controller));
    controllers_.erase(it);
}

bool SdlPads::pump() {
    if (!started_) return false;
    bool changed = false;
    SDL_Event events[32];
    SDL_PumpEvents();
    for (;;) {
        const int n =
            SDL_PeepEvents(events, 32, SDL_GETEVENT, SDL_JOYAXISMOTION, SDL_CONTROLLERSENSORUPDATE);
        if (n <= 0) break;
        for (int i = 0; i < n; ++i) {
            const SDL_Event& e = events[i];
            if (e.type == SDL_CONTROLLERDEVICEADDED || e.type == SDL_JOYDEVICEADDED) {
                openAll();
            } else if (e.type == SDL_CONTROLLERDEVICEREMOVED) {
                close(e.cdevice.which);
            } else if (e.type == SDL_JOYDEVICEREMOVED) {
                close(e.jdevice.which);
            }
            changed = true;
        }
    }
    // Nobody else reads SDL's queue: what is left in it (audio devices coming and going) goes.
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    return changed;
}

std::vector<PadInfo> SdlPads::joysticks() const {
    std::vector<PadInfo> out;
    if (!started_) return out;
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
        PadInfo info;
        info.instanceId = SDL_JoystickGetDeviceInstanceID(i);
        const char* name = SDL_IsGameController(i) ? SDL_GameControllerNameForIndex(i)
                                                   : SDL_JoystickNameForIndex(i);
        info.name = name ? name : "";
        char guid[33] = {};
        SDL_JoystickGetGUIDString(SDL_JoystickGetDeviceGUID(i), guid, sizeof guid);
        info.guid = guid;
        info.mapped = SDL_IsGameController(i) == SDL_TRUE;
        out.push_back(std::move(info));
    }
    return out;
}

PadState SdlPads::state() const {
    PadState merged;
    for (const Open& o : controllers_) {
        SDL_GameController* c = controllerOf(o.controller);
        std::array<bool, kPadButtons> buttons{};
        for (int b = 0; b < kPadButtons; ++b)
            buttons[static_cast<std::size_t>(b)] =
                SDL_GameControllerGetButton(c, static_cast<SDL_GameControllerButton>(b)) != 0;
        std::array<std::int16_t, kPadAxes> axes{};
        for (int a = 0; a < kPadAxes; ++a)
            axes[static_cast<std::size_t>(a)] =
                SDL_GameControllerGetAxis(c, static_cast<SDL_GameControllerAxis>(a));
        merged.pressed |= PadState::fromRaw(buttons, axes).pressed;
    }
    return merged;
}

}  // namespace romshelf
