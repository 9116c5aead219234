#pragma once

#include <array>
#include <string>
#include <string_view>

namespace romshelf {

// Number of slots in every per-hardware array (slots 23..41 belong to no hardware).
inline constexpr int kHardwareSlots = 48;
inline constexpr int kHardwareCount = 29;

// The text that stands for "no hardware" wherever a hardware name is shown.
inline constexpr std::string_view kNotSet = "未設定";

enum class MenuGroup { None, TvGame, Handheld, Arcade, Computer, User };

// What sets a hardware apart from the others when files are listed and launched.
struct HardwareTraits {
    bool setNames = false;          // the emulator gets the set name (file title), never a path
    bool pc98Preparation = false;   // special start prepares the PC-98 emulators' disk settings
    bool alternativeStart = false;  // the alternative-launch option starts emulator 1 bare
    bool otherSoftware = false;     // rows are programs and documents, not ROMs
};

struct HardwareInfo {
    std::string_view code;
    int index;
    std::string_view defaultName;
    int folderCommand;    // 0: none
    int emulatorCommand;  // 0: none
    int deleteCommand;    // 0: none
    MenuGroup group;
    HardwareTraits traits{};
};

// The 29 rows in table order, which is also the order of the hardware combo.
const std::array<HardwareInfo, kHardwareCount>& hardwareTable();

// The row of a code (exact match), or nullptr.
const HardwareInfo* findHardware(std::string_view code);
const HardwareInfo* findHardwareByIndex(int index);

// The traits of a code; none for the empty code or an unknown one.
const HardwareTraits& traitsOf(std::string_view code);

// The slot of a code; -1 for the empty code or a code not in the table.
int hardwareIndexOf(std::string_view code);
// The code of a used slot; empty for the unused ones.
std::string_view hardwareCodeOf(int index);

std::string_view menuGroupName(MenuGroup group);

using CustomNames = std::array<std::string, kHardwareSlots>;

// Code/name conversions. The *to name* directions yield "未設定" for the empty code (and for a
// code that is not in the table); the *to code* directions yield the empty code for "未設定" and
// for any text that is no display name.
std::string codeToDefaultName(std::string_view code);
// Fills an empty custom name with the default name first, so a name once shown stays stored.
std::string codeToCustomName(std::string_view code, CustomNames& customNames);
std::string defaultNameToCode(std::string_view name);
// The name shown for a code without storing anything: the custom name, or the default one.
std::string displayNameOf(std::string_view code, const CustomNames& customNames);
std::string customNameToCode(std::string_view name, const CustomNames& customNames);

}  // namespace romshelf
