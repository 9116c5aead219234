#pragma once

#include <string_view>
#include <vector>

namespace romshelf {

struct ExtensionIcon {
    std::string_view extension;  // without the dot, matched ignoring ASCII case
    int icon;
};

struct HardwareExtensions {
    std::vector<ExtensionIcon> extensions;  // scanned in this order
    int firstArchiveIcon;                   // icons of zip, lzh, cab, rar, 7z follow it
    bool archivePass;                       // false for MAME, whose sets are zip files
};

// The extensions scanned for a hardware (none for user and disc-based hardware).
const HardwareExtensions& extensionsFor(std::string_view code);

// The archive pass, in scan order.
inline constexpr std::string_view kArchiveExtensions[] = {"zip", "lzh", "cab", "rar", "7z"};

// The 16x16 icon strips: a generic strip of 14, then one strip per hardware.
inline constexpr int kGenericIconCount = 14;
inline constexpr int kFileIconCount = 179;

// What an icon number stands for: the hardware of its strip (empty for the generic strip) and
// the extension it marks (empty when the number marks no extension).
struct IconMeaning {
    std::string_view code;
    std::string_view extension;
};
IconMeaning iconMeaning(int icon);

}  // namespace romshelf
