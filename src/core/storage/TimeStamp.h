#pragma once

#include <string>

namespace romshelf {

// "YYYYmmdd-HHMMSS" for the local time now: the stamp of the copies kept beside data files.
std::string localTimeStamp();

}  // namespace romshelf
