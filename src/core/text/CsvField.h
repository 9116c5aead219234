#pragma once

#include <string>
#include <string_view>

namespace romshelf {

// One field of a CSV line (RFC 4180): quoted when it holds a comma, a quote, a tab (a
// spreadsheet opening the file may split on it) or a line break, or always with `alwaysQuoted`
// (the game list's layout); quotes inside are doubled.
void appendCsvField(std::string& out, std::string_view value, bool alwaysQuoted = false);
std::string csvField(std::string_view value);

}  // namespace romshelf
