#include "core/pad/PadNavigator.h"

#include <algorithm>

#include "core/platform/AsciiCase.h"

namespace romshelf {

namespace {

bool repeats(PadAction action) {
    return action == PadAction::Up || action == PadAction::Down || action == PadAction::PageUp ||
           action == PadAction::PageDown;
}

bool actionHeld(PadAction action, const PadState& s) {
    switch (action) {
        case PadAction::Up:
            return s.held(PadButton::DpadUp) || s.held(controlOf(PadAxis::LeftY, false));
        case PadAction::Down:
            return s.held(PadButton::DpadDown) || s.held(controlOf(PadAxis::LeftY, true));
        case PadAction::PageUp:
            return s.held(PadButton::DpadLeft) || s.held(controlOf(PadAxis::LeftX, false));
        case PadAction::PageDown:
            return s.held(PadButton::DpadRight) || s.held(controlOf(PadAxis::LeftX, true));
        case PadAction::Launch:
            return s.held(PadButton::A);
        case PadAction::Back:
            return s.held(PadButton::B);
        case PadAction::PreviousHardware:
            return s.held(PadButton::X);
        case PadAction::NextHardware:
            return s.held(PadButton::Y);
        case PadAction::PreviousGroup:
            return s.held(PadButton::LeftShoulder);
        case PadAction::NextGroup:
            return s.held(PadButton::RightShoulder);
        // Start with Select held is the hotkey's beginning, not the menu.
        case PadAction::Menu:
            return s.held(PadButton::Start) && !s.held(PadButton::Back);
    }
    return false;
}

}  // namespace

void PadNavigator::setRepeat(int delayMs, int intervalMs) {
    delayMs_ = std::max(1, delayMs);
    intervalMs_ = std::max(1, intervalMs);
}

void PadNavigator::setSuspended(bool on) {
    suspended_ = on;
    // Whatever is held now was held for the game (or for the launch): it does not act here.
    for (Held& h : held_)
        if (h.held) h.armed = false;
}

std::vector<PadAction> PadNavigator::update(const PadState& state, std::int64_t nowMs) {
    std::vector<PadAction> out;
    for (int a = 0; a < kPadActions; ++a) {
        const auto action = static_cast<PadAction>(a);
        Held& h = held_[static_cast<std::size_t>(a)];
        const bool now = actionHeld(action, state);
        if (!now) {
            h = Held{};
            continue;
        }
        if (suspended_) {
            h.held = true;
            h.armed = false;
            continue;
        }
        if (!h.held) {
            h.held = true;
            if (!h.armed) continue;
            out.push_back(action);
            h.nextAt = nowMs + delayMs_;
            continue;
        }
        if (!h.armed || !repeats(action) || nowMs < h.nextAt) continue;
        out.push_back(action);
        h.nextAt += intervalMs_;
        // Behind the clock (a busy machine): one step now, not a burst.
        if (h.nextAt <= nowMs) h.nextAt = nowMs + intervalMs_;
    }
    return out;
}

std::int64_t PadNavigator::nextDueMs() const {
    std::int64_t due = -1;
    if (suspended_) return due;
    for (int a = 0; a < kPadActions; ++a) {
        const Held& h = held_[static_cast<std::size_t>(a)];
        if (!h.held || !h.armed || !repeats(static_cast<PadAction>(a))) continue;
        if (due < 0 || h.nextAt < due) due = h.nextAt;
    }
    return due;
}

PadHoldTrigger::PadHoldTrigger(std::vector<PadControl> combination, int holdMs)
    : combination_(std::move(combination)), holdMs_(holdMs) {}

bool PadHoldTrigger::update(const PadState& state, std::int64_t nowMs) {
    const bool all = enabled() && std::all_of(combination_.begin(), combination_.end(),
                                              [&](PadControl c) { return state.held(c); });
    if (!all) {
        since_.reset();
        fired_ = false;
        return false;
    }
    if (!since_) since_ = nowMs;
    if (fired_ || nowMs - *since_ < holdMs_) return false;
    fired_ = true;
    return true;
}

std::int64_t PadHoldTrigger::dueAt() const {
    if (!since_ || fired_) return -1;
    return *since_ + holdMs_;
}

std::optional<std::vector<PadControl>> readCombination(std::string_view text) {
    std::vector<PadControl> out;
    text = ascii::trimmed(text);
    while (!text.empty()) {
        const std::size_t plus = text.find('+');
        std::string_view name = ascii::trimmed(text.substr(0, plus));
        text = plus == std::string_view::npos ? std::string_view{} : text.substr(plus + 1);
        // "leftx+" holds a '+' of its own: the sign belongs to the name before it.
        if (name.empty()) return std::nullopt;
        std::optional<PadControl> control = controlNamed(ascii::lower(name));
        if (!control && plus != std::string_view::npos) {
            control = controlNamed(ascii::lower(std::string(name) + "+"));
            if (control) {
                // The '+' was the sign: skip a following '+' that joins the next name.
                if (!text.empty() && text.front() == '+') text.remove_prefix(1);
            }
        }
        if (!control) return std::nullopt;
        out.push_back(*control);
    }
    return out;
}

}  // namespace romshelf
