#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/app/BusyGuard.h"
#include "core/platform/Clock.h"

namespace romshelf {

class Application;

// "ファイルの内部情報を表示": the hardware's ROM checker run on a file of the list, its output
// shown in the system log. Where no checker is set, the program's own header reader shows the
// header instead. The waits go through the clock, so the window keeps working; commands wait for
// the end as they wait for a launch.
class InternalInfo {
public:
    InternalInfo(Application& app, Clock& clock) : app_(app), clock_(clock) {}

    // Starts for row `row` of the file list. False when it stops silently at once: no such row,
    // a row without a folder, a hardware without a checker or header reader.
    bool show(int row);
    bool running() const { return busy_ != nullptr; }

    // The checker of the current hardware, made absolute; "" when none is set or it is missing.
    std::string checkerPath() const;
    // Where the checker writes its output: temp/sum.txt in the program folder.
    std::string sumPath() const;
    // The argv that runs `checker` on `path` with its output into `sum`: native programs
    // directly, DOS .com/.exe through `dosbox` (nullopt when that is not installed).
    static std::optional<std::vector<std::string>> checkerCommand(
        const std::string& checker, const std::vector<std::string>& arguments,
        const std::string& sum);
    // The wait after the checker started, by the file's size (0.5 to 3.2 seconds).
    static int waitForSize(std::uint64_t bytes);

private:
    void runChecker(const std::string& checker, const std::string& path);
    void waitForSum(int triesLeft, int sizeWait);
    void showSum();
    void showHeader(const std::string& path);
    void finish() { busy_.reset(); }

    Application& app_;
    Clock& clock_;
    std::unique_ptr<BusyGuard::Scope> busy_;
};

}  // namespace romshelf
