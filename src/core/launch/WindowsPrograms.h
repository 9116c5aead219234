#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace romshelf {

// Settings copied from Windows name Windows programs (emulators, JoyToKey, other software): they
// run here through Wine.

// ".exe", ".com" or ".bat", in any letter case.
bool isWindowsProgram(std::string_view path);

// The Wine the user chose: a program path, a name looked up on PATH, or empty for `wine`.
struct WineSettings {
    std::string wine;
    std::string prefix;  // empty: Wine's own choice ($WINEPREFIX, ~/.wine)
};

// The Wine program to run: `wine` as given when it holds a '/', else looked up on PATH; empty when
// it cannot be run.
std::string findWine(const std::string& wine);

// Whether this process's locale (LC_ALL, else LC_CTYPE, else LANG) has UTF-8 as its character set.
bool localeIsUtf8();

// What starts a Windows program: Wine (in its prefix when one is set), to which the program's
// path and arguments are appended; under a locale that is not UTF-8, Wine gets C.UTF-8. Empty
// when Wine cannot be found.
std::vector<std::string> wineCommand(const WineSettings& settings);

// The red line of a launch that needs Wine where there is none.
inline constexpr const char* kWineNeeded =
    "Windows のプログラムを起動するには Wine が必要です（Debian のパッケージ wine）。";

// A registry key a Windows program keeps its settings in, with the string values (REG_SZ) to set
// before it starts. The values are set only when the key exists: it is never created.
struct RegistryEdit {
    std::string key;  // "HKCU\Software\..."
    std::vector<std::pair<std::string, std::string>> values;
};

// Carries out the edit in Wine's registry with Wine's own `reg` (waiting for each run). False when
// the key does not exist or a value could not be set.
bool applyRegistryEdit(const std::vector<std::string>& wine, const RegistryEdit& edit);

// Runs a program and waits for its end, its output thrown away; nullopt when it could not start.
std::optional<int> runToEnd(const std::vector<std::string>& argv);

// The Windows programs named `names` (matched without regard to ASCII letter case) under the
// Wine prefix's drive_c, searched `depth` folders deep, Windows' own folder left out: one path per
// name, empty where none was found (the first find, folders taken in name order, shallow first).
std::vector<std::string> findWindowsPrograms(const std::string& driveC,
                                             const std::vector<std::string>& names, int depth = 4);

// The drive_c folder of the prefix (as WineSettings::prefix: empty for Wine's own choice).
std::string wineDriveC(const std::string& prefix);

}  // namespace romshelf
