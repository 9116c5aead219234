#pragma once

#include <array>
#include <string>

#include "core/platform/Prompter.h"
#include "core/settings/MainSettings.h"
#include "core/storage/DataStream.h"

namespace romshelf {

// The rules of the tool windows' layout (slots 1..7; the main frame takes no part): the orders
// in which the commands move them, the sizes and positions the reset commands give, and the
// layout file data/WindowPosition.slb.
inline constexpr int kToolWindowCount = 7;
using ToolWindowOrder = std::array<int, kToolWindowCount>;

// Restoring moves the windows in this order, resetting in the other.
inline constexpr ToolWindowOrder kRestoreOrder = {
    kSlotFileList, kSlotDatabase, kSlotSystem, kSlotSnap, kSlotFileInfo, kSlotFolder, kSlotMedia};
inline constexpr ToolWindowOrder kResetOrder = {
    kSlotDatabase, kSlotSystem, kSlotFileList, kSlotSnap, kSlotFolder, kSlotFileInfo, kSlotMedia};

// "Reset window sizes": the default size at the slot's position; "reset window positions": the
// default position with the slot's size.
WindowSlot withResetSize(int slot, WindowSlot placement);
WindowSlot withResetPosition(int slot, WindowSlot placement);

// The body of WindowPosition.slb: the rectangles of slots 1..7, their show states, their
// visible flags. `Slots` is the array of MainSettings::windowSlots, const or not.
template <class Io, class Slots>
void transferWindowPositions(Io& io, Slots& slots) {
    for (int s = 1; s <= kToolWindowCount; ++s) {
        auto& w = slots[static_cast<std::size_t>(s)];
        io.field(w.x, "windowSlots", s, "x");
        io.field(w.y, "windowSlots", s, "y");
        io.field(w.width, "windowSlots", s, "width");
        io.field(w.height, "windowSlots", s, "height");
    }
    for (int s = 1; s <= kToolWindowCount; ++s)
        io.field(slots[static_cast<std::size_t>(s)].showState, "windowSlots", s, "showState");
    for (int s = 1; s <= kToolWindowCount; ++s)
        io.field(slots[static_cast<std::size_t>(s)].visible, "windowSlots", s, "visible");
}

using WindowSlots = std::array<WindowSlot, kWindowSlotCount>;

// Reads slots 1..7 from the layout file into `slots` (slot 0 untouched). Missing: Missing, and
// nothing said; broken or of another version: the file's message, and `slots` as it was.
LoadResult loadWindowPositions(DataStream& stream, const std::string& path, Prompter& prompter,
                               WindowSlots& slots);
bool saveWindowPositions(DataStream& stream, const std::string& path, const WindowSlots& slots);

}  // namespace romshelf
