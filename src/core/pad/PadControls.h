#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace romshelf {

// The buttons of a game controller, numbered as SDL's GameController API numbers them, so that a
// reader hands its numbers on as they are.
enum class PadButton : int {
    A,
    B,
    X,
    Y,
    Back,
    Guide,
    Start,
    LeftStick,
    RightStick,
    LeftShoulder,
    RightShoulder,
    DpadUp,
    DpadDown,
    DpadLeft,
    DpadRight,
};
inline constexpr int kPadButtons = 15;

// The axes, as SDL numbers them: sticks from -32768 to 32767, triggers from 0 to 32767.
enum class PadAxis : int { LeftX, LeftY, RightX, RightY, LeftTrigger, RightTrigger };
inline constexpr int kPadAxes = 6;

// One thing a user presses: a button, or an axis pushed one way ("leftx-" is the left stick
// pushed left). Buttons come first, then each axis's + and - directions.
using PadControl = int;
inline constexpr int kPadControls = kPadButtons + 2 * kPadAxes;
constexpr PadControl controlOf(PadButton b) { return static_cast<int>(b); }
constexpr PadControl controlOf(PadAxis a, bool positive) {
    return kPadButtons + 2 * static_cast<int>(a) + (positive ? 0 : 1);
}

// SDL's names: "a", "back", "leftshoulder", "dpup", and "leftx+", "lefty-", "lefttrigger" (a
// trigger only goes one way; "lefttrigger+" reads as the same).
std::string controlName(PadControl control);
std::optional<PadControl> controlNamed(std::string_view name);

// How far an axis is pushed before it counts as pressed: a third of the way, clear of a worn
// stick's drift.
inline constexpr int kAxisPressed = 10923;

// What the pad holds at one moment: the controls pressed.
struct PadState {
    std::bitset<kPadControls> pressed;

    bool held(PadControl c) const { return pressed.test(static_cast<std::size_t>(c)); }
    bool held(PadButton b) const { return held(controlOf(b)); }
    void set(PadControl c, bool on = true) { pressed.set(static_cast<std::size_t>(c), on); }
    bool operator==(const PadState&) const = default;

    // From a reader's raw values.
    static PadState fromRaw(const std::array<bool, kPadButtons>& buttons,
                            const std::array<std::int16_t, kPadAxes>& axes);
};

// The text a test view shows of a state: the names of the pressed controls, in control order,
// separated by spaces; "-" for none.
std::string describe(const PadState& state);

}  // namespace romshelf
