#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace romshelf {

// The system window's log: the story of the last launch. "clear" empties it; "@0" … "@8" set the
// colour of the lines after them and are not shown; a "> " line (a command line) is always red.
class SystemLog {
public:
    static constexpr std::size_t kMaxLines = 96;

    SystemLog();

    // Beyond 96 lines the oldest are dropped.
    void addLine(std::string text);
    const std::deque<std::string>& lines() const { return lines_; }

    struct Shown {
        std::string text;
        std::uint32_t rgb;  // 0xRRGGBB
    };
    // The lines as drawn: directives applied (starting black) and left out.
    std::vector<Shown> shownLines() const;

    static constexpr std::string_view kStartLine = "RomshelfPlus!! を起動しました。";

private:
    std::deque<std::string> lines_;
    char headColour_ = '0';  // the colour directive in force before the first kept line
};

}  // namespace romshelf
