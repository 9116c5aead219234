#include "core/settings/WindowLayout.h"

namespace romshelf {

namespace {

// The sizes "reset window sizes" gives differ from the first-start sizes of some windows.
constexpr std::array<std::array<std::int32_t, 2>, kWindowSlotCount> kResetSizes = {{
    {0, 0},  // the main frame is never reset
    {328, 263},
    {328, 263},
    {328, 263},
    {328, 263},
    {328, 171},
    {328, 106},
    {328, 263},
}};

}  // namespace

WindowSlot withResetSize(int slot, WindowSlot placement) {
    const auto& size = kResetSizes[static_cast<std::size_t>(slot)];
    placement.width = size[0];
    placement.height = size[1];
    return placement;
}

WindowSlot withResetPosition(int slot, WindowSlot placement) {
    const WindowSlot first = defaultWindowSlot(slot);
    placement.x = first.x;
    placement.y = first.y;
    return placement;
}

LoadResult loadWindowPositions(DataStream& stream, const std::string& path, Prompter& prompter,
                               WindowSlots& slots) {
    WindowSlots scratch = slots;
    const LoadResult result =
        loadDataFile(stream, path, DataFileKind::Window, prompter, [&](DataStream& s) {
            scratch = slots;
            DataReader reader(s);
            transferWindowPositions(reader, scratch);
        });
    if (result == LoadResult::Loaded) slots = scratch;
    return result;
}

bool saveWindowPositions(DataStream& stream, const std::string& path, const WindowSlots& slots) {
    return saveDataFile(stream, path, DataFileKind::Window, [&](DataStream& s) {
        DataWriter writer(s);
        transferWindowPositions(writer, slots);
    });
}

}  // namespace romshelf
