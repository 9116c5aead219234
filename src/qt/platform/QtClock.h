#pragma once

#include "core/platform/Clock.h"

namespace romshelf {

// Delays run from the event loop, so the window keeps working while they wait.
class QtClock : public Clock {
public:
    std::int64_t nowMs() const override;
    void after(int ms, std::function<void()> then) override;
};

}  // namespace romshelf
