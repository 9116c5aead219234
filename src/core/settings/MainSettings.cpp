#include "core/settings/MainSettings.h"

namespace romshelf {

WindowSlot defaultWindowSlot(int slot) {
    static constexpr std::array<std::array<std::int32_t, 4>, kWindowSlotCount> kDefaults = {{
        {0, 0, 640, 452},
        {48, 48, 320, 260},
        {0, 0, 320, 260},
        {24, 24, 320, 260},
        {72, 72, 328, 263},
        {96, 96, 328, 171},
        {120, 120, 328, 106},
        {144, 144, 328, 263},
    }};
    const auto& d = kDefaults[static_cast<std::size_t>(slot)];
    return WindowSlot{d[0], d[1], d[2], d[3], ShowState::Normal, 1};
}

std::array<std::int32_t, kColumnWidthCount> defaultColumnWidths() {
    std::array<std::int32_t, kColumnWidthCount> w{};
    w.fill(100);
    w[0] = 400;
    w[1] = 200;
    w[2] = 200;
    return w;
}

MainSettings::MainSettings() {
    columnWidths = defaultColumnWidths();
    for (int i = 0; i < kCategoryCount; ++i) categoryNames[i] = "分類 " + std::to_string(i + 1);
    classListNames.fill(std::string(kDefaultClassListName));
    for (int s = 0; s < kWindowSlotCount; ++s) windowSlots[s] = defaultWindowSlot(s);
}

void MainSettings::fixUpMediaSlot() {
    WindowSlot& media = windowSlots[kSlotMedia];
    if (media.x == 0 && media.y == 0 && media.width == 0 && media.height == 0)
        media = defaultWindowSlot(kSlotMedia);
}

LoadResult loadMainSettings(DataStream& stream, const std::string& path, Prompter& prompter,
                            MainSettings& settings) {
    MainSettings scratch;
    LoadResult result =
        loadDataFile(stream, path, DataFileKind::Main, prompter, [&](DataStream& s) {
            scratch = MainSettings();
            DataReader reader(s);
            transferMainSettings(reader, scratch);
        });
    if (result == LoadResult::Loaded) {
        scratch.fixUpMediaSlot();
        settings = std::move(scratch);
    } else {
        std::string fontName = std::move(settings.listFontName);
        settings = MainSettings();
        settings.listFontName = std::move(fontName);
    }
    return result;
}

bool saveMainSettings(DataStream& stream, const std::string& path, const MainSettings& settings) {
    return saveDataFile(stream, path, DataFileKind::Main, [&](DataStream& s) {
        DataWriter writer(s);
        transferMainSettings(writer, settings);
    });
}

}  // namespace romshelf
