#include "core/views/BuildHelper.h"

namespace romshelf {

BuildHelper::~BuildHelper() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void BuildHelper::forEach(std::size_t count, const std::function<void(std::size_t, int)>& work) {
    {
        std::lock_guard lock(mutex_);
        job_ = &work;
        count_ = count;
        next_.store(0);
        ++round_;
    }
    if (!thread_.joinable())
        thread_ = std::thread([this] { run(); });
    else
        wake_.notify_one();
    for (std::size_t item; (item = next_.fetch_add(1)) < count;) work(item, 0);
    // Every item is taken: only an item the helper is still working on is waited for. A helper
    // that wakes later finds no job.
    std::unique_lock lock(mutex_);
    job_ = nullptr;
    idle_.wait(lock, [this] { return !busy_; });
}

void BuildHelper::run() {
    std::size_t seen = 0;
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return stop_ || round_ != seen; });
        if (stop_) return;
        seen = round_;
        if (!job_) continue;
        const auto* job = job_;
        const std::size_t count = count_;
        busy_ = true;
        lock.unlock();
        for (std::size_t item; (item = next_.fetch_add(1)) < count;) (*job)(item, 1);
        lock.lock();
        busy_ = false;
        idle_.notify_one();
    }
}

}  // namespace romshelf
