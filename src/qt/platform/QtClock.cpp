#include "qt/platform/QtClock.h"

#include <QTimer>

namespace romshelf {

std::int64_t QtClock::nowMs() const { return SystemClock().nowMs(); }

void QtClock::after(int ms, std::function<void()> then) {
    QTimer::singleShot(ms, [then = std::move(then)] {
        if (then) then();
    });
}

}  // namespace romshelf
