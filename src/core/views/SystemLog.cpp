#include "core/views/SystemLog.h"

namespace romshelf {

namespace {

constexpr std::uint32_t kDirectiveColours[] = {0x000000, 0x0000FF, 0xFF0000, 0xFF00FF, 0x00FF00,
                                               0x00FFFF, 0xFFFF00, 0xFFFFFF, 0x808080};

}  // namespace

SystemLog::SystemLog() { lines_.emplace_back(kStartLine); }

void SystemLog::addLine(std::string text) {
    if (text == "clear") {
        lines_.clear();
        headColour_ = '0';
        return;
    }
    lines_.push_back(std::move(text));
    while (lines_.size() > kMaxLines) {
        // A dropped directive still colours the lines after it.
        const std::string& oldest = lines_.front();
        if (oldest.size() >= 2 && oldest[0] == '@' && oldest[1] >= '0' && oldest[1] <= '8')
            headColour_ = oldest[1];
        lines_.pop_front();
    }
}

LogColour SystemLog::colour() const {
    for (auto it = lines_.rbegin(); it != lines_.rend(); ++it)
        if (it->size() >= 2 && (*it)[0] == '@' && (*it)[1] >= '0' && (*it)[1] <= '8')
            return static_cast<LogColour>((*it)[1] - '0');
    return static_cast<LogColour>(headColour_ - '0');
}

std::vector<SystemLog::Shown> SystemLog::shownLines() const {
    std::vector<Shown> shown;
    std::uint32_t colour = kDirectiveColours[headColour_ - '0'];
    for (const std::string& line : lines_) {
        if (!line.empty() && line[0] == '@') {
            // The second character picks the colour; an unknown one leaves it as it is.
            if (line.size() >= 2 && line[1] >= '0' && line[1] <= '8')
                colour = kDirectiveColours[line[1] - '0'];
            continue;
        }
        const bool commandLine = line.size() >= 2 && line[0] == '>' && line[1] == ' ';
        shown.push_back({line, commandLine ? 0xFF0000u : colour});
    }
    return shown;
}

}  // namespace romshelf
