#include "core/platform/Clock.h"

#include <chrono>
#include <thread>

namespace romshelf {

std::int64_t SystemClock::nowMs() const {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void SystemClock::after(int ms, std::function<void()> then) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    if (then) then();
}

}  // namespace romshelf
