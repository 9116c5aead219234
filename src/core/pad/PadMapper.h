#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "core/pad/PadProfile.h"

namespace romshelf {

// A key pressed or let go on the user's behalf.
struct KeyEvent {
    std::uint32_t keysym = 0;
    bool down = false;
    bool operator==(const KeyEvent&) const = default;
};

// Turns the pad's states into key events as a profile says. Driven by whoever reads the pad,
// with the time of each state, so that turbo and repeat follow the clock and not the reader's
// pace. Two controls on one key hold it down together: it goes up when the last is let go.
class PadMapper {
public:
    explicit PadMapper(PadProfile profile);

    // The events for the pad's state at `nowMs`, in the order they are to be sent.
    std::vector<KeyEvent> update(const PadState& state, std::int64_t nowMs);
    // Lets go every key held down (the emulator ended or another program took the focus); the
    // controls held now must be let go before they press their keys again.
    std::vector<KeyEvent> releaseAll();
    // When update() next has something to do for controls held now; -1 when nothing is held.
    std::int64_t nextDueMs() const;

    const PadProfile& profile() const { return profile_; }

private:
    struct Held {
        bool held = false;
        bool keyDown = false;      // this mapping's share of its key
        bool waitRelease = false;  // held through releaseAll(): idle until let go
        std::int64_t nextAt = 0;   // the next turbo flip or repeat press
    };

    void press(std::uint32_t keysym, std::vector<KeyEvent>& out);
    void release(std::uint32_t keysym, std::vector<KeyEvent>& out);

    PadProfile profile_;
    std::vector<Held> held_;                  // one per mapping
    std::map<std::uint32_t, int> downCount_;  // by keysym: the mappings holding it down
};

}  // namespace romshelf
