#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace romshelf {

// The keys a pad profile may send, named as X names its keysyms ("z", "Return", "Left",
// "Shift_L", "F1", "KP_5", "space"), and the keysym values X gives them. Names are matched
// without regard to case ("return", "RETURN"); a letter is always the lower-case key.
std::optional<std::uint32_t> keysymNamed(std::string_view name);
// The table's name of a keysym; empty for one the table does not hold.
std::string keysymName(std::uint32_t keysym);

}  // namespace romshelf
