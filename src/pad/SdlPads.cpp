#include "pad/SdlPads.h"

#include <SDL.h>
#include <dlfcn.h>

#include <algorithm>
#include <string>

namespace romshelf {

namespace {

constexpr Uint32 kSubsystems = SDL_INIT_GAMECONTROLLER | SDL_INIT_JOYSTICK | SDL_INIT_EVENTS;

SDL_GameController* controllerOf(void* p) { return static_cast<SDL_GameController*>(p); }

// SDL's functions, found when the pads are first wanted: linked in, SDL and the dozens of
// libraries it needs (sound servers, X, Wayland) would be loaded by every start of every command.
// A process that has SDL already (the window's sound) is given that same copy.
struct Sdl {
#define ROMSHELF_SDL_FUNCTIONS(X)                                                                 \
    X(SDL_SetHint)                                                                                \
    X(SDL_InitSubSystem) X(SDL_QuitSubSystem) X(SDL_GetError) X(SDL_NumJoysticks)                 \
    X(SDL_IsGameController) X(SDL_JoystickGetDeviceInstanceID) X(SDL_GameControllerOpen)          \
    X(SDL_GameControllerClose) X(SDL_PumpEvents) X(SDL_PeepEvents) X(SDL_FlushEvents)             \
    X(SDL_GameControllerNameForIndex) X(SDL_JoystickNameForIndex) X(SDL_JoystickGetGUIDString)    \
    X(SDL_JoystickGetDeviceGUID) X(SDL_GameControllerGetButton) X(SDL_GameControllerGetAxis)
#define ROMSHELF_SDL_POINTER(name) decltype(&::name) name = nullptr;
    ROMSHELF_SDL_FUNCTIONS(ROMSHELF_SDL_POINTER)
#undef ROMSHELF_SDL_POINTER
    std::string error;  // why SDL could not be loaded; empty when it was

    Sdl() {
        void* library = ::dlopen("libSDL2-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
        if (!library) {
            error = std::string("SDL2 could not be loaded: ") + ::dlerror();
            return;
        }
        // Never closed: SDL keeps threads and handlers of its own until the process ends.
#define ROMSHELF_SDL_FIND(name)                                                         \
    name = reinterpret_cast<decltype(name)>(::dlsym(library, #name));                   \
    if (!name) {                                                                        \
        error = "SDL2 has no " #name;                                                   \
        return;                                                                         \
    }
        ROMSHELF_SDL_FUNCTIONS(ROMSHELF_SDL_FIND)
#undef ROMSHELF_SDL_FIND
    }
};

const Sdl& sdl() {
    static const Sdl loaded;
    return loaded;
}

}  // namespace

SdlPads::SdlPads() {
    const Sdl& s = sdl();
    if (!s.error.empty()) {
        error_ = s.error;
        return;
    }
    // The pad keeps reporting while an emulator (another program) has the focus.
    s.SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    if (s.SDL_InitSubSystem(kSubsystems) != 0) {
        error_ = s.SDL_GetError();
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
        if (SDL_GameController* c = sdl().SDL_GameControllerOpen(i)) controllers_.push_back({id, c});
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
        const int n =
            sdl().SDL_PeepEvents(events, 32, SDL_GETEVENT, SDL_JOYAXISMOTION, SDL_CONTROLLERSENSORUPDATE);
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
