// The times of plays as the user reads and types them: lengths, local dates and days.
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <string>

#include "core/platform/LocalTime.h"
#include "core/storage/PlayHistory.h"

namespace romshelf {

bool countsAsPlay(long long seconds, bool failed) {
    return !failed || seconds >= kShortestFailedPlay;
}

std::string playTimeText(long long seconds) {
    seconds = std::max(seconds, 0LL);
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
    return text;
}

std::string localDateTimeText(long long secondsSinceEpoch) {
    return localTimeText("%Y-%m-%dT%H:%M:%S", static_cast<std::time_t>(secondsSinceEpoch));
}

std::optional<long long> localDayStart(std::string_view date) {
    int y = 0, m = 0, d = 0;
    char rest = 0;
    const std::string text(date);
    if (text.size() != 10 || std::sscanf(text.c_str(), "%4d-%2d-%2d%c", &y, &m, &d, &rest) != 3 ||
        m < 1 || m > 12 || d < 1 || d > 31)
        return std::nullopt;
    std::tm local{};
    local.tm_year = y - 1900, local.tm_mon = m - 1, local.tm_mday = d, local.tm_isdst = -1;
    const std::time_t t = std::mktime(&local);
    if (t == static_cast<std::time_t>(-1)) return std::nullopt;
    return static_cast<long long>(t);
}

}  // namespace romshelf
