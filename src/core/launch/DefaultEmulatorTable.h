#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "core/launch/EmulatorEntry.h"

namespace romshelf {

// What the program knows of the emulator a slot is meant for.
struct DefaultEmulator {
    std::string defaultName;      // empty: the slot is not offered
    std::string executableName;   // the file name the emulator's executable normally has
    bool specialStart = false;    // S: started by typing into its own file dialog
    bool zipPassAllowed = false;  // Z: takes ZIP files itself
    bool quoteAllowed = false;    // Q: takes a quoted path

    bool operator==(const DefaultEmulator&) const = default;
};

inline constexpr int kFirstUserEmulatorSlot = 59;
inline constexpr int kUserEmulatorSlotCount = 5;

// The built-in emulators of one hardware, one row per slot. Not stored: built afresh for the
// emulator settings dialog each time it opens.
class DefaultEmulatorTable {
public:
    explicit DefaultEmulatorTable(std::string_view code);

    const DefaultEmulator& row(int slot) const { return rows_[static_cast<std::size_t>(slot)]; }
    // The slots the emulator selector offers, in its item order.
    const std::vector<int>& offeredSlots() const { return offered_; }

private:
    std::array<DefaultEmulator, kEmulatorCount> rows_{};
    std::vector<int> offered_;
};

}  // namespace romshelf
