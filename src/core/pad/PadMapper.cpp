#include "core/pad/PadMapper.h"

#include <algorithm>

namespace romshelf {

PadMapper::PadMapper(PadProfile profile)
    : profile_(std::move(profile)), held_(profile_.mappings.size()) {}

void PadMapper::press(std::uint32_t keysym, std::vector<KeyEvent>& out) {
    if (downCount_[keysym]++ == 0) out.push_back({keysym, true});
}

void PadMapper::release(std::uint32_t keysym, std::vector<KeyEvent>& out) {
    const auto it = downCount_.find(keysym);
    if (it == downCount_.end() || it->second == 0) return;
    if (--it->second == 0) {
        downCount_.erase(it);
        out.push_back({keysym, false});
    }
}

std::vector<KeyEvent> PadMapper::update(const PadState& state, std::int64_t nowMs) {
    std::vector<KeyEvent> out;
    // A turbo press is down for half its period and up for the other half.
    const std::int64_t half = std::max(1, profile_.turboMs / 2);
    const std::int64_t interval = std::max(1, profile_.repeatIntervalMs);
    for (std::size_t i = 0; i < held_.size(); ++i) {
        const PadKeyMapping& m = profile_.mappings[i];
        Held& h = held_[i];
        const bool now = state.held(m.control);
        if (!now) {
            if (h.keyDown) release(m.keysym, out);
            h = Held{};
            continue;
        }
        if (h.waitRelease) continue;
        if (!h.held) {
            h.held = true;
            h.keyDown = true;
            press(m.keysym, out);
            h.nextAt = nowMs + (m.repeat == KeyRepeat::Turbo ? half : profile_.repeatDelayMs);
            continue;
        }
        if (m.repeat == KeyRepeat::None || nowMs < h.nextAt) continue;
        if (m.repeat == KeyRepeat::Turbo) {
            if (h.keyDown) {
                release(m.keysym, out);
            } else {
                press(m.keysym, out);
            }
            h.keyDown = !h.keyDown;
            h.nextAt += half;
        } else {
            // Pressed again only when no other control holds the key down as well: letting it
            // go would let go of theirs.
            if (downCount_[m.keysym] == 1) {
                out.push_back({m.keysym, false});
                out.push_back({m.keysym, true});
            }
            h.nextAt += interval;
        }
        // A reader that fell behind (a busy machine) is not made up for with a burst of presses.
        if (h.nextAt <= nowMs) h.nextAt = nowMs + (m.repeat == KeyRepeat::Turbo ? half : interval);
    }
    return out;
}

std::vector<KeyEvent> PadMapper::releaseAll() {
    std::vector<KeyEvent> out;
    for (const auto& [keysym, count] : downCount_)
        if (count > 0) out.push_back({keysym, false});
    downCount_.clear();
    for (Held& h : held_) {
        const bool wasHeld = h.held || h.waitRelease;
        h = Held{};
        h.waitRelease = wasHeld;
    }
    return out;
}

std::int64_t PadMapper::nextDueMs() const {
    std::int64_t due = -1;
    for (std::size_t i = 0; i < held_.size(); ++i) {
        const Held& h = held_[i];
        if (!h.held || h.waitRelease || profile_.mappings[i].repeat == KeyRepeat::None) continue;
        if (due < 0 || h.nextAt < due) due = h.nextAt;
    }
    return due;
}

}  // namespace romshelf
