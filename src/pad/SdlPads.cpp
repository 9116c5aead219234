#include "pad/SdlPads.h"

#include <SDL.h>

#include <algorithm>

#include "core/platform/LoadedLibrary.h"

namespace romshelf {

namespace {

constexpr Uint32 kSubsystems = SDL_INIT_GAMECONTROLLER | SDL_INIT_JOYSTICK | SDL_INIT_EVENTS;

// SDL is loaded when pads are first asked for, not at every start: the library and the dozens it
// brings (X11, Wayland, PulseAudio, ...) cost romshelf-cli more CPU at start than a command
// that needs no pad takes to run. A program that has it loaded already gets the same copy.
struct Sdl {
#define ROMSHELF_SDL_FUNCTION(name) decltype(&::name) name = nullptr;
#define ROMSHELF_SDL_FUNCTIONS(F)      \
    F(SDL_FlushEvents)                 \
    F(SDL_GameControllerClose)         \
    F(SDL_GameControllerGetAxis)       \
    F(SDL_GameControllerGetButton)     \
    F(SDL_GameControllerNameForIndex)  \
    F(SDL_GameControllerOpen)          \
    F(SDL_GetError)                    \
    F(SDL_InitSubSystem)               \
    F(SDL_IsGameController)            \
    F(SDL_JoystickGetDeviceGUID)       \
    F(SDL_JoystickGetDeviceInstanceID) \
    F(SDL_JoystickGetGUIDString)       \
    F(SDL_JoystickNameForIndex)        \
    F(SDL_NumJoysticks)                \
    F(SDL_PeepEvents)                  \
    F(SDL_PumpEvents)                  \
    F(SDL_QuitSubSystem)               \
    F(SDL_SetHint)
    ROMSHELF_SDL_FUNCTIONS(ROMSHELF_SDL_FUNCTION)
    std::string error;  // why it could not be loaded; "" when it was
};

const Sdl& sdl() {
    // Loaded once and never unloaded: SDL keeps threads of its own.
    static const Sdl loaded = [] {
        Sdl s;
        static LoadedLibrary library("libSDL2-2.0.so.0");
#define ROMSHELF_SDL_LOAD(name) s.name = library.function<decltype(&::name)>(#name);
        ROMSHELF_SDL_FUNCTIONS(ROMSHELF_SDL_LOAD)
#undef ROMSHELF_SDL_LOAD
        s.error = library.error();
        return s;
    }();
    return loaded;
}
#undef ROMSHELF_SDL_FUNCTION
#undef ROMSHELF_SDL_FUNCTIONS

SDL_GameController* controllerOf(void* p) { return static_cast<SDL_GameController*>(p); }

}  // namespace

SdlPads::SdlPads() {
    if (!sdl().error.empty()) {
        error_ = sdl().error;
        return;
    }
    // The pad keeps reporting while an emulator (another program) has the focus.
    sdl().SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    if (sdl().SDL_InitSubSystem(kSubsystems) != 0) {
        error_ = sdl().SDL_GetError();
        return;
    }
    started_ = true;
    openAll();
}

SdlPads::~SdlPads() {
    if (!started_) return;
    for (const Open& o : controllers_) sdl().SDL_GameControllerClose(controllerOf(o.controller));
    sdl().SDL_QuitSubSystem(kSubsystems);
}

void SdlPads::openAll() {
    for (int i = 0; i < sdl().SDL_NumJoysticks(); ++i) {
        if (!sdl().SDL_IsGameController(i)) continue;
        const int id = sdl().SDL_JoystickGetDeviceInstanceID(i);
        if (std::any_of(controllers_.begin(), controllers_.end(),
                        [&](const Open& o) { return o.instanceId == id; }))
            continue;
        if (SDL_GameController* c = sdl().SDL_GameControllerOpen(i))
            controllers_.push_back({id, c});
    }
}

void SdlPads::close(int instanceId) {
    const auto it = std::find_if(controllers_.begin(), controllers_.end(),
                                 [&](const Open& o) { return o.instanceId == instanceId; });
    if (it == controllers_.end()) return;
    sdl().SDL_GameControllerClose(controllerOf(it->controller));
    controllers_.erase(it);
}

bool SdlPads::pump() {
    if (!started_) return false;
    bool changed = false;
    SDL_Event events[32];
    sdl().SDL_PumpEvents();
    for (;;) {
        const int n = sdl().SDL_PeepEvents(events, 32, SDL_GETEVENT, SDL_JOYAXISMOTION,
                                           SDL_CONTROLLERSENSORUPDATE);
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
    sdl().SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    return changed;
}

std::vector<PadInfo> SdlPads::joysticks() const {
    std::vector<PadInfo> out;
    if (!started_) return out;
    for (int i = 0; i < sdl().SDL_NumJoysticks(); ++i) {
        PadInfo info;
        info.instanceId = sdl().SDL_JoystickGetDeviceInstanceID(i);
        const char* name = sdl().SDL_IsGameController(i) ? sdl().SDL_GameControllerNameForIndex(i)
                                                         : sdl().SDL_JoystickNameForIndex(i);
        info.name = name ? name : "";
        char guid[33] = {};
        sdl().SDL_JoystickGetGUIDString(sdl().SDL_JoystickGetDeviceGUID(i), guid, sizeof guid);
        info.guid = guid;
        info.mapped = sdl().SDL_IsGameController(i) == SDL_TRUE;
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
                sdl().SDL_GameControllerGetButton(c, static_cast<SDL_GameControllerButton>(b)) != 0;
        std::array<std::int16_t, kPadAxes> axes{};
        for (int a = 0; a < kPadAxes; ++a)
            axes[static_cast<std::size_t>(a)] =
                sdl().SDL_GameControllerGetAxis(c, static_cast<SDL_GameControllerAxis>(a));
        merged.pressed |= PadState::fromRaw(buttons, axes).pressed;
    }
    return merged;
}

}  // namespace romshelf
