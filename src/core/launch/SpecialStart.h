#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "core/platform/Clock.h"
#include "core/platform/Desktop.h"

namespace romshelf {

// The keystroke scheme (0..15) by which the emulator in `slot` of hardware `hardwareCode` is
// given a file through its own file dialog; nullopt for an emulator that is given no keys at all.
std::optional<int> specialStartScheme(const std::string& hardwareCode, int slot);

// What one special start types, and when.
struct SpecialStartJob {
    int scheme = 0;
    std::string path;
    int waitAfterStart = 0;       // milliseconds before the first key
    int waitAfterFileDialog = 0;  // milliseconds for the file dialog to open
    bool forceActivate = false;   // bring the emulator's window to the front first
    std::optional<std::uint64_t> window;
};

// Operates the emulator like a user: its menu keys, then the path pasted into its file dialog.
// Every wait goes through the clock, so the window stays alive meanwhile; `done` runs after the
// last key with true. Whether the dialog really opened is not checked: the two waits are the
// user's. Before each run of keys the focus is checked: when it is in this program's own window,
// the emulator's window is brought forward; when the focus still stays ours, nothing more is
// typed and `done` runs with false.
void runSpecialStart(Desktop& desktop, Clock& clock, const SpecialStartJob& job,
                     std::function<void(bool typed)> done);

}  // namespace romshelf
