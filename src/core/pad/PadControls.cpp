#include "core/pad/PadControls.h"

namespace romshelf {

namespace {

constexpr std::array<std::string_view, kPadButtons> kButtonNames = {"a",
                                                                    "b",
                                                                    "x",
                                                                    "y",
                                                                    "back",
                                                                    "guide",
                                                                    "start",
                                                                    "leftstick",
                                                                    "rightstick",
                                                                    "leftshoulder",
                                                                    "rightshoulder",
                                                                    "dpup",
                                                                    "dpdown",
                                                                    "dpleft",
                                                                    "dpright"};
constexpr std::array<std::string_view, kPadAxes> kAxisNames = {
    "leftx", "lefty", "rightx", "righty", "lefttrigger", "righttrigger"};

bool isTrigger(int axis) {
    return axis == static_cast<int>(PadAxis::LeftTrigger) ||
           axis == static_cast<int>(PadAxis::RightTrigger);
}

}  // namespace

std::string controlName(PadControl control) {
    if (control < 0 || control >= kPadControls) return {};
    if (control < kPadButtons) return std::string(kButtonNames[static_cast<std::size_t>(control)]);
    const int axis = (control - kPadButtons) / 2;
    const bool positive = (control - kPadButtons) % 2 == 0;
    std::string name(kAxisNames[static_cast<std::size_t>(axis)]);
    if (isTrigger(axis)) return positive ? name : std::string();
    return name + (positive ? "+" : "-");
}

std::optional<PadControl> controlNamed(std::string_view name) {
    for (int b = 0; b < kPadButtons; ++b)
        if (kButtonNames[static_cast<std::size_t>(b)] == name) return b;
    for (int a = 0; a < kPadAxes; ++a) {
        const std::string_view axis = kAxisNames[static_cast<std::size_t>(a)];
        if (name.size() < axis.size() || name.substr(0, axis.size()) != axis) continue;
        const std::string_view sign = name.substr(axis.size());
        if (isTrigger(a)) {
            if (sign.empty() || sign == "+") return controlOf(static_cast<PadAxis>(a), true);
            continue;
        }
        if (sign == "+") return controlOf(static_cast<PadAxis>(a), true);
        if (sign == "-") return controlOf(static_cast<PadAxis>(a), false);
    }
    return std::nullopt;
}

PadState PadState::fromRaw(const std::array<bool, kPadButtons>& buttons,
                           const std::array<std::int16_t, kPadAxes>& axes) {
    PadState state;
    for (int b = 0; b < kPadButtons; ++b) state.set(b, buttons[static_cast<std::size_t>(b)]);
    for (int a = 0; a < kPadAxes; ++a) {
        const int value = axes[static_cast<std::size_t>(a)];
        state.set(controlOf(static_cast<PadAxis>(a), true), value >= kAxisPressed);
        state.set(controlOf(static_cast<PadAxis>(a), false), value <= -kAxisPressed);
    }
    return state;
}

std::string describe(const PadState& state) {
    std::string text;
    for (int c = 0; c < kPadControls; ++c) {
        if (!state.held(c)) continue;
        if (!text.empty()) text += ' ';
        text += controlName(c);
    }
    return text.empty() ? "-" : text;
}

}  // namespace romshelf
