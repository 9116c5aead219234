#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>

namespace romshelf {

// A second thread for building a large list, kept from build to build. Work is cut into items
// that both threads take in turn: on a busy machine, where the helper may wait long for a CPU,
// the calling thread simply takes the items the helper has not, and never waits for a helper
// that has not started.
class BuildHelper {
public:
    BuildHelper() = default;
    ~BuildHelper();
    BuildHelper(const BuildHelper&) = delete;
    BuildHelper& operator=(const BuildHelper&) = delete;

    // Runs work(item, thread) for every item in [0, count), thread 0 being the caller and 1 the
    // helper (so that each can keep scratch space of its own); returns when all are done.
    void forEach(std::size_t count, const std::function<void(std::size_t item, int thread)>& work);

private:
    void run();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    const std::function<void(std::size_t, int)>* job_ = nullptr;  // guarded by mutex_
    std::size_t count_ = 0;                                       // guarded by mutex_
    std::size_t round_ = 0;                                       // guarded by mutex_
    bool busy_ = false;                                           // guarded by mutex_
    bool stop_ = false;                                           // guarded by mutex_
    std::atomic<std::size_t> next_{0};
    std::thread thread_;
};

}  // namespace romshelf
