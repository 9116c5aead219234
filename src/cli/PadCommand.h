#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace romshelf {
class PadMapper;
class SdlPads;
}  // namespace romshelf

namespace romshelf::cli {

// `pad [--program-folder DIR] [--test PROFILE [--seconds N]]`: the joysticks SDL sees, a line
// each: name, GUID and "mapping" or "no mapping" (whether SDL knows its controller layout).
// --test reads the built-in profile PROFILE (data/pad/PROFILE.ini, or a path to an .ini file)
// and prints the keys it would send for the pad's live input, "down KEY" and "up KEY" a line
// each, until Ctrl+C (or N seconds). Exit status 0 done, 2 the profile does not read (its
// error names the line), 3 SDL's joystick support could not start, 64 wrong arguments.
int padCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The loop of --test: reads the pads, prints the mapper's key events, and goes on while
// `goOn(nowMs)` says so, waiting `wait` between reads.
void printPadKeys(SdlPads& pads, PadMapper& mapper, std::ostream& out,
                  const std::function<std::int64_t()>& now,
                  const std::function<bool(std::int64_t)>& goOn, const std::function<void()>& wait);

}  // namespace romshelf::cli
