#pragma once

#include <cstdint>
#include <string>

namespace romshelf {

// "1023 Byte", "1 KB", "12,345 KB", "1,000 MB": bytes below 1 KB, kilobytes below 100 MB,
// megabytes from there on; four- to six-digit numbers get one thousands separator.
std::string sizeText(std::uint64_t bytes);

}  // namespace romshelf
