#include "core/platform/LocalTime.h"

namespace romshelf {

std::string localTimeText(const char* format, std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    char text[64];
    const std::size_t written = std::strftime(text, sizeof text, format, &local);
    return std::string(text, written);
}

}  // namespace romshelf
