#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/launch/EmulatorEntry.h"

namespace romshelf {

// Splits a command-line text into arguments as a Windows program receives them: blanks separate,
// double quotes group and are removed ("" inside quotes is one quote).
std::vector<std::string> splitCommandLine(std::string_view text);

// What a launch hands to the emulator after its executable.
struct LaunchArguments {
    std::string text;               // the command line as logged (quotes included)
    std::vector<std::string> argv;  // the arguments, each one intact
};

// Builds the arguments from the entry's command-line text and the file's path. Only the first
// kind of placeholder present ($M, then $P, $F, $T) is replaced; without one, the path is
// appended. $M is `playlist` (a disc set's .m3u), or the path when there is none. Substitution
// happens inside the split arguments, so a path with blanks, quotes or shell characters is
// always exactly one argument. `given` turns a path ($P, $M, or the path appended) into the form
// the emulator is handed (a Windows program's); $F and $T are names and stay as they are.
LaunchArguments buildLaunchArguments(
    const EmulatorEntry& entry, const std::string& path, const std::string& playlist = {},
    const std::function<std::string(const std::string&)>& given = {});
// Whether a command-line text asks for a disc set's .m3u.
bool wantsPlaylist(const std::string& commandLine);

}  // namespace romshelf
