#pragma once

#include <QMetaObject>
#include <QObject>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

namespace romshelf {

// A window's file work on a thread of its own, beside the event loop (a snap or media folder may
// hold a whole collection's pictures, on a share): one job at a time, only the newest one waits
// (a selection that moved on makes the ones before it pointless), and its result is handed to
// `take` on the receiver's event loop unless drop() or a newer job came meanwhile.
//
// A plain std::thread rather than Qt's pool: the hand-over is a mutex the race checker sees.
// Declared last among the receiver's members, so that it ends first: its destructor waits for a
// job under way, and a result posted to a receiver that has gone is dropped with its events.
template <typename Job, typename Result>
class BesideLoop {
public:
    using Work = std::function<Result(Job&)>;  // on the thread
    using Take = std::function<void(Result)>;  // on the receiver's event loop

    BesideLoop(QObject* receiver, Work work, Take take)
        : receiver_(receiver), work_(std::move(work)), take_(std::move(take)) {
        thread_ = std::thread([this] { run(); });
    }
    ~BesideLoop() {
        {
            const std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }
    BesideLoop(const BesideLoop&) = delete;
    BesideLoop& operator=(const BesideLoop&) = delete;

    // Replaces a job still waiting; one under way runs on, and its result is dropped.
    void post(Job job) {
        {
            const std::lock_guard lock(mutex_);
            waiting_ = Posted<Job>{std::move(job), ++generation_};
        }
        wake_.notify_one();
    }
    // What the window shows changes here and now: nothing on its way is wanted any more.
    void drop() { ++generation_; }

private:
    template <typename T>
    struct Posted {
        T value;
        unsigned generation;
    };

    void run() {
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return stop_ || waiting_; });
            if (stop_) return;
            Posted<Job> job = std::move(*waiting_);
            waiting_.reset();
            lock.unlock();
            Result result = work_(job.value);
            lock.lock();
            done_ = Posted<Result>{std::move(result), job.generation};
            QMetaObject::invokeMethod(
                receiver_, [this] { hand(); }, Qt::QueuedConnection);
        }
    }

    void hand() {
        std::optional<Posted<Result>> done;
        {
            const std::lock_guard lock(mutex_);
            done = std::exchange(done_, std::nullopt);
        }
        // generation_ is the event loop's own: read here, changed by post() and drop() there.
        if (done && done->generation == generation_) take_(std::move(done->value));
    }

    QObject* receiver_;
    Work work_;
    Take take_;
    unsigned generation_ = 0;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<Posted<Job>> waiting_;
    std::optional<Posted<Result>> done_;
    bool stop_ = false;
    std::thread thread_;  // last: started when everything above is there
};

}  // namespace romshelf
