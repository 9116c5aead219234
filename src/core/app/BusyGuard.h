#pragma once

#include <functional>
#include <vector>

namespace romshelf {

// While a launch, a batch or any progress loop runs, the window keeps painting, so a close
// request or a second command can arrive in the middle of it. They wait here until the work is
// over, then run in the order they came.
class BusyGuard {
public:
    class Scope {
    public:
        explicit Scope(BusyGuard& guard) : guard_(guard) { ++guard_.depth_; }
        ~Scope() { guard_.leave(); }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        BusyGuard& guard_;
    };

    bool busy() const { return depth_ > 0; }
    // Runs `work` now when idle, else once the work under way is over.
    void whenIdle(std::function<void()> work);

private:
    void leave();

    int depth_ = 0;
    std::vector<std::function<void()>> deferred_;
};

}  // namespace romshelf
