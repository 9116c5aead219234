#pragma once

#include <functional>

namespace romshelf {

// Runs `work` on a thread of its own while this thread's event loop goes on, and returns once it
// has ended. The window keeps painting and its timers keep firing; the user's input waits until
// the work is over, as it does for any work in progress. What `work` throws is thrown here.
void runBesideEventLoop(const std::function<void()>& work);

}  // namespace romshelf
