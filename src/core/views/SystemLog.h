#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace romshelf {

// The colours of the log's lines ("@0" … "@8").
enum class LogColour : int {
    Black = 0,
    Blue = 1,
    Red = 2,  // errors
    Magenta = 3,
    Green = 4,
    Cyan = 5,
    Yellow = 6,
    White = 7,
    Grey = 8,
};

// The system window's log: the story of the last launch. "clear" empties it; "@0" … "@8" set the
// colour of the lines after them and are not shown; a "> " line (a command line) is always red.
class SystemLog {
public:
    static constexpr std::size_t kMaxLines = 96;

    SystemLog();

    // A line as written by the launcher and the tools; the typed calls below are the same lines.
    // Beyond 96 lines the oldest are dropped.
    void addLine(std::string text);
    void clear() { addLine("clear"); }
    // The lines after this one are drawn in `colour`.
    void setColour(LogColour colour) { addLine("@" + std::to_string(static_cast<int>(colour))); }
    const std::deque<std::string>& lines() const { return lines_; }
    // The colour that the next line is drawn in.
    LogColour colour() const;

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
