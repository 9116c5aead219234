#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/pad/PadControls.h"

namespace romshelf {

// How a mapped key follows its control while the control is held.
enum class KeyRepeat {
    None,    // down while held
    Turbo,   // pressed and released again and again from the start, at the turbo period
    Repeat,  // down, then after the repeat delay pressed again at the repeat interval
};

struct PadKeyMapping {
    PadControl control = 0;
    std::uint32_t keysym = 0;
    KeyRepeat repeat = KeyRepeat::None;
    int line = 0;  // where the file says so
    bool operator==(const PadKeyMapping&) const = default;
};

// A built-in pad-to-keys profile: data/pad/<name>.ini, our own file.
//
//   ; comment
//   [keys]
//   a = z
//   b = x turbo
//   dpup = Up repeat
//   leftx- = Left
//   [timing]
//   turbo = 66           ; a whole press and release, in milliseconds
//   repeatDelay = 400
//   repeatInterval = 50
//
// Controls are named as SDL names them ("a", "start", "dpup", "leftx-", "lefttrigger"), keys as
// X names its keysyms ("z", "Return", "Left", "F1").
struct PadProfile {
    std::vector<PadKeyMapping> mappings;  // in file order
    int turboMs = 66;
    int repeatDelayMs = 400;
    int repeatIntervalMs = 50;
    bool operator==(const PadProfile&) const = default;
};

struct PadProfileError {
    int line = 0;  // 0: the file as a whole
    std::string message;
    // "3 行目: ..." (or the message alone for the whole file).
    std::string text() const;
};

// Reads a profile's text. Any line it cannot read is an error naming that line, and then the
// profile maps nothing: a half-read profile would press keys the user did not ask for.
struct PadProfileReading {
    std::optional<PadProfile> profile;
    std::optional<PadProfileError> error;
};
PadProfileReading readPadProfile(std::string_view text);

// The profile as the file writes it (the dialog saves through this).
std::string writePadProfile(const PadProfile& profile);

// The profiles' folder under the program folder ("data/pad/"), and the names found there (the
// titles of its .ini files, in byte order).
std::string padProfileFolder(const std::string& programFolder);
std::vector<std::string> padProfileNames(const std::string& programFolder);
// Reads data/pad/<name>.ini; a file that cannot be read is an error of the whole file.
PadProfileReading loadPadProfile(const std::string& programFolder, const std::string& name);
// A name a profile's file can take: not empty, no '/', no NUL, not opening with '.' (a hidden
// file, or the folders "." and ".."), and no blank at either end (lost when it is read back).
bool isPadProfileName(std::string_view name);
// Writes data/pad/<name>.ini (over the file of that name whatever the case of its .ini, and
// making the folder when missing) whole or not at all, as the program's other files are: a
// crash leaves the old profile, never half of the new one. False for a name that cannot be a
// profile's, or when it cannot be written.
bool savePadProfile(const std::string& programFolder, const std::string& name,
                    const PadProfile& profile);
// Removes data/pad/<name>.ini (whatever the case of its .ini); false when it cannot.
bool removePadProfile(const std::string& programFolder, const std::string& name);

// An emulator entry's JoyToKey setting that names a built-in profile instead of a JoyToKey .cfg:
// the mark opens with '<', which no Windows file name (and so no .cfg title) holds, so the files
// written before keep their meaning.
inline constexpr std::string_view kBuiltInPadMark = "<内蔵> ";
bool isBuiltInPadSetting(std::string_view setting);
std::string builtInPadSetting(std::string_view profileName);
// The profile's name; empty for a JoyToKey setting.
std::string builtInPadProfileName(std::string_view setting);

}  // namespace romshelf
