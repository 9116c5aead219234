#include "qt/platform/EventLoopWatch.h"

#include <algorithm>

namespace romshelf {

namespace {
constexpr int kTickMs = 5;
}

EventLoopWatch::EventLoopWatch() {
    sinceTick_.start();
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] {
        // The whole gap, the tick's own period included: an upper bound, never too short.
        longest_ = std::max(longest_, sinceTick_.restart());
        ++ticks_;
    });
    timer_.start(kTickMs);
}

}  // namespace romshelf
