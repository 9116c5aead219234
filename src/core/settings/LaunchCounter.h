#pragma once

#include "core/platform/Prompter.h"
#include "core/settings/MainSettings.h"

namespace romshelf {

inline constexpr std::int32_t kLaunchCountCap = 30000;
// The extra option holding (thanks list 1 unlocked, launch count), and (thanks list 2 unlocked,
// unused).
inline constexpr int kLaunchCountOption = 0;
inline constexpr int kSecondThanksOption = 1;

// Counts a start of the program, and congratulates once at the 50th and at the 100th start,
// unlocking the thanks lists (both at one start when both are due).
void countLaunch(MainSettings& settings, Prompter& prompter);

inline bool thanksUnlocked(const MainSettings& settings) {
    return settings.extraOptions[kLaunchCountOption].flag;
}

}  // namespace romshelf
