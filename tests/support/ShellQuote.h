#pragma once

#include <string>
#include <string_view>

namespace romshelf::test {

// One word for /bin/sh, whatever the text holds.
inline std::string shellQuote(std::string_view text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

}  // namespace romshelf::test
