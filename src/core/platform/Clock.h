#pragma once

#include <cstdint>
#include <functional>

namespace romshelf {

// Time and delays: timed keystrokes, polls and blinking go through this port, so that tests
// drive them with a fake clock instead of sleeping.
class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds on a clock that never goes back.
    virtual std::int64_t nowMs() const = 0;
    // Runs `then` once after `ms` milliseconds. A program with an event loop returns at once;
    // one without waits and runs it before returning.
    virtual void after(int ms, std::function<void()> then) = 0;
};

// The steady clock; after() sleeps.
class SystemClock : public Clock {
public:
    std::int64_t nowMs() const override;
    void after(int ms, std::function<void()> then) override;
};

}  // namespace romshelf
