#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/platform/WindowControl.h"
#include "core/storage/DataStream.h"
#include "core/settings/HardwareTable.h"

namespace romshelf {

// Placement of a window: its normal (restored) rectangle, show state and visible flag.
struct WindowSlot {
    std::int32_t x = 0, y = 0, width = 0, height = 0;
    ShowState showState = ShowState::Normal;
    std::int32_t visible = 1;  // stored as an integer; any non-zero value means visible
    bool operator==(const WindowSlot&) const = default;
};

enum WindowSlotIndex : int {
    kSlotMainFrame = 0,
    kSlotFileList = 1,
    kSlotDatabase = 2,
    kSlotSystem = 3,
    kSlotSnap = 4,
    kSlotFolder = 5,
    kSlotFileInfo = 6,
    kSlotMedia = 7,
    kWindowSlotCount = 8,
};

WindowSlot defaultWindowSlot(int slot);

struct RecentLaunch {
    std::string displayName;
    std::string fileName;
    std::int32_t folderNumber = 0;  // ROM folder, counted from 0
    bool empty() const { return fileName.empty(); }
    bool operator==(const RecentLaunch&) const = default;
};

inline constexpr int kRecentLaunchCount = 5;
using RecentLaunches = std::array<RecentLaunch, kRecentLaunchCount>;

struct ExtraOption {
    bool flag = false;
    std::int32_t value = 0;
    bool operator==(const ExtraOption&) const = default;
};

struct CompressionSettings {
    std::int32_t format = 0;
    std::int32_t zipRate = 0;
    std::int32_t lzhMethod = 0;
    std::int32_t cabRate = 0;
    std::int32_t sevenZipType = 0;
    std::array<std::int32_t, 5> reserved{};
    bool operator==(const CompressionSettings&) const = default;
};

// The 23 options of the environment dialog, in their stored order.
enum class Option : int {
    ShowCategoryItemNames = 0,
    UpperCaseExtension,
    MinimiseWhileRunning,
    KeepUnderscores,
    FcCheckerUsesNcr32,
    MdCheckerUsesSbm,
    GridLines,
    AlternateRowBackground,
    EnlargeSmallSnaps,
    SearchAllSnapFolders,
    RenameOkInBlue,
    ListMissingFiles,
    PreferSnapFolderOfRomFolder,
    CountsInMainTitle,
    SevenZipForBrackets,
    DeleteWithoutTrash,
    SortDistinguishesKana,
    AlternativeLaunch,
    BackupAtExit,
    SwitchSnapFolderEverySecond,
    NeverSort,
    SpaceKeyDoesNotRegister,
    ShowFirstRomFolder,
};
inline constexpr int kOptionCount = 23;

inline constexpr int kColumnWidthCount = 16;
inline constexpr int kCategoryCount = 5;
inline constexpr int kToolPathCount = 16;
inline constexpr int kExtraOptionCount = 20;
inline constexpr std::string_view kDefaultClassListName = "機種別分類";

struct MainSettings {
    std::string currentHardware;
    CustomNames customNames{};
    std::array<std::string, kHardwareSlots> emulatorNames{};
    std::array<RecentLaunches, kHardwareSlots> recentLaunches{};
    std::array<std::int32_t, kColumnWidthCount> columnWidths{};
    std::array<std::string, kCategoryCount> categoryNames{};
    std::array<std::string, kHardwareSlots> classListNames{};
    std::array<WindowSlot, kWindowSlotCount> windowSlots{};
    bool lockWindowPositions = false;
    std::array<std::string, kToolPathCount> toolPaths{};
    std::array<ExtraOption, kExtraOptionCount> extraOptions{};
    CompressionSettings compression{};
    std::array<bool, kOptionCount> options{};
    std::string listFontName;

    MainSettings();  // the defaults

    bool option(Option o) const { return options[static_cast<std::size_t>(o)]; }
    void setOption(Option o, bool on) { options[static_cast<std::size_t>(o)] = on; }

    // Slot 7 of a file written before the media window existed is all zeros.
    void fixUpMediaSlot();

    bool operator==(const MainSettings&) const = default;
};

std::array<std::int32_t, kColumnWidthCount> defaultColumnWidths();

// The body of MainData.slb, field by field in file order. `Io` is DataReader, DataWriter or a
// recording reader; `S` is MainSettings or const MainSettings.
template <class Io, class S>
void transferMainSettings(Io& io, S& m) {
    io.field(m.currentHardware, "currentHardware");
    for (int i = 0; i < kHardwareSlots; ++i) io.field(m.customNames[i], "customNames", i);
    for (int i = 0; i < kHardwareSlots; ++i) io.field(m.emulatorNames[i], "emulatorNames", i);
    for (int i = 0; i < kHardwareSlots; ++i) {
        for (int k = 0; k < kRecentLaunchCount; ++k) {
            auto& r = m.recentLaunches[i][k];
            io.field(r.displayName, "recentLaunches", i, k, "displayName");
            io.field(r.fileName, "recentLaunches", i, k, "fileName");
            io.field(r.folderNumber, "recentLaunches", i, k, "folderNumber");
        }
    }
    for (int i = 0; i < kColumnWidthCount; ++i) io.field(m.columnWidths[i], "columnWidths", i);
    for (int i = 0; i < kCategoryCount; ++i) io.field(m.categoryNames[i], "categoryNames", i);
    for (int i = 0; i < kHardwareSlots; ++i) io.field(m.classListNames[i], "classListNames", i);
    for (int s = 0; s < 7; ++s) {
        auto& w = m.windowSlots[s];
        io.field(w.x, "windowSlots", s, "x");
        io.field(w.y, "windowSlots", s, "y");
        io.field(w.width, "windowSlots", s, "width");
        io.field(w.height, "windowSlots", s, "height");
    }
    for (int s = 0; s < 7; ++s) io.field(m.windowSlots[s].showState, "windowSlots", s, "showState");
    for (int s = 1; s < 7; ++s) io.field(m.windowSlots[s].visible, "windowSlots", s, "visible");
    io.field(m.lockWindowPositions, "lockWindowPositions");
    for (int i = 0; i < kToolPathCount; ++i) io.field(m.toolPaths[i], "toolPaths", i);
    for (int i = 0; i < kExtraOptionCount; ++i) {
        io.field(m.extraOptions[i].flag, "extraOptions", i, "flag");
        io.field(m.extraOptions[i].value, "extraOptions", i, "value");
    }
    io.field(m.compression.format, "compression", "format");
    io.field(m.compression.zipRate, "compression", "zipRate");
    io.field(m.compression.lzhMethod, "compression", "lzhMethod");
    io.field(m.compression.cabRate, "compression", "cabRate");
    io.field(m.compression.sevenZipType, "compression", "sevenZipType");
    for (int i = 0; i < 5; ++i) io.field(m.compression.reserved[i], "compression", "reserved", i);
    for (int i = 0; i < kOptionCount; ++i) io.field(m.options[i], "options", i);
    for (int i = 0; i < 42; ++i) io.reservedFlag("reservedFlags", i);
    auto& media = m.windowSlots[kSlotMedia];
    io.field(media.x, "windowSlots", 7, "x");
    io.field(media.y, "windowSlots", 7, "y");
    io.field(media.width, "windowSlots", 7, "width");
    io.field(media.height, "windowSlots", 7, "height");
    io.field(media.showState, "windowSlots", 7, "showState");
    io.field(media.visible, "windowSlots", 7, "visible");
    for (int i = 0; i < 26; ++i) io.reservedInteger("reservedIntegers", i);
    io.field(m.listFontName, "listFontName");
    for (int i = 0; i < 15; ++i) io.reservedString("reservedStrings", i);
}

// Loads data/MainData.slb into `settings`. A missing file gives the defaults silently; a broken or
// wrong-version file gives its message and the defaults (the list font name is kept).
LoadResult loadMainSettings(DataStream& stream, const std::string& path, Prompter& prompter,
                            MainSettings& settings);
bool saveMainSettings(DataStream& stream, const std::string& path, const MainSettings& settings);

}  // namespace romshelf
