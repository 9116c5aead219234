#pragma once

#include <ctime>
#include <string>

namespace romshelf {

// `when` (now unless given) on the local calendar, written by strftime's `format`: dates in
// reports, time stamps in the names of kept copies.
std::string localTimeText(const char* format, std::time_t when = std::time(nullptr));

}  // namespace romshelf
