#include "core/app/BusyGuard.h"

namespace romshelf {

void BusyGuard::whenIdle(std::function<void()> work) {
    if (!work) return;
    if (busy()) {
        deferred_.push_back(std::move(work));
        return;
    }
    work();
}

void BusyGuard::leave() {
    if (--depth_ > 0) return;
    // A deferred command may start new work (and defer more): take them one at a time.
    while (!deferred_.empty() && !busy()) {
        std::function<void()> next = std::move(deferred_.front());
        deferred_.erase(deferred_.begin());
        next();
    }
}

}  // namespace romshelf
