#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "core/pad/PadControls.h"

namespace romshelf {

// What the pad asks of the window.
enum class PadAction {
    Up,  // the selection one row up (the d-pad or the left stick)
    Down,
    PageUp,  // left and right: a page
    PageDown,
    Launch,            // A: starts the selected game, once per press
    Back,              // B: closes a dialog
    PreviousHardware,  // X
    NextHardware,      // Y
    PreviousGroup,     // the shoulders: the letter group before or after in the sort order
    NextGroup,
    Menu,  // Start
};
inline constexpr int kPadActions = 11;

// The pad's actions from its states. Moves repeat while held, with the keyboard's delay and
// rate; every other action comes once per press, so one press of A is one launch however long it
// is held. While suspended (an emulator owns the pad) nothing comes, and a control held across a
// suspension acts only after it was let go.
class PadNavigator {
public:
    void setRepeat(int delayMs, int intervalMs);
    std::vector<PadAction> update(const PadState& state, std::int64_t nowMs);
    void setSuspended(bool on);
    bool suspended() const { return suspended_; }
    // When update() next has a repeat to give for the actions held now; -1 for none.
    std::int64_t nextDueMs() const;

private:
    struct Held {
        bool held = false;
        bool armed = true;  // false: held through a suspension, idle until let go
        std::int64_t nextAt = 0;
    };

    int delayMs_ = 500;
    int intervalMs_ = 33;
    bool suspended_ = false;
    std::array<Held, kPadActions> held_{};
};

// Holding every control of a combination for a time (Select+Start for a second ends the
// running emulator). It fires once per hold; an empty combination or a time of 0 never fires.
class PadHoldTrigger {
public:
    PadHoldTrigger() = default;
    PadHoldTrigger(std::vector<PadControl> combination, int holdMs);

    // True at the update that completes the hold.
    bool update(const PadState& state, std::int64_t nowMs);
    // When the hold being made now completes; -1 when none is being made.
    std::int64_t dueAt() const;
    bool enabled() const { return !combination_.empty() && holdMs_ > 0; }

private:
    std::vector<PadControl> combination_;
    int holdMs_ = 0;
    std::optional<std::int64_t> since_;
    bool fired_ = false;
};

// A combination as settings write it: control names joined by '+' ("back+start"); nullopt when a
// name is unknown. An empty text is no combination (the hotkey is off).
std::optional<std::vector<PadControl>> readCombination(std::string_view text);

}  // namespace romshelf
