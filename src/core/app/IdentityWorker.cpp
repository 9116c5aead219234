#include "core/app/IdentityWorker.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <utility>

namespace romshelf {

namespace {

// A new list within this time replaces the files to sum before any is read.
constexpr auto kSettle = std::chrono::seconds(2);

// The calling thread gets the CPU and the disk only when nothing else wants them.
void lowerPriority() {
#ifdef __linux__
    sched_param param{};
    pthread_setschedparam(pthread_self(), SCHED_IDLE, &param);
    const auto tid = static_cast<pid_t>(::syscall(SYS_gettid));
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(tid), 19);
    constexpr int kWhoProcess = 1, kClassIdle = 3, kClassShift = 13;
    ::syscall(SYS_ioprio_set, kWhoProcess, tid, kClassIdle << kClassShift);
#endif
}

}  // namespace

void IdentityWorker::runInBackground() {
    const std::lock_guard lock(mutex_);
    if (background_ || stopping_) return;
    background_ = true;
    thread_ = std::thread([this] { run(); });
}

void IdentityWorker::submit(IdentityJob job, bool findRenamed) {
    const std::lock_guard lock(mutex_);
    if (stopping_) return;
    waiting_ = Work{std::move(job), findRenamed};
    if (running_) cancel_ = true;
    wake_.notify_all();
}

void IdentityWorker::run() {
    lowerPriority();
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return stopping_ || waiting_.has_value(); });
        if (stopping_) break;
        Work w = std::move(*waiting_);
        waiting_.reset();
        running_ = true;
        cancel_ = false;
        lock.unlock();
        work(w, true);
        lock.lock();
        running_ = false;
        if (!waiting_) hurry_ = false;
        idle_.notify_all();
    }
}

void IdentityWorker::runPending() {
    std::unique_lock lock(mutex_);
    if (!waiting_ || running_) return;
    Work w = std::move(*waiting_);
    waiting_.reset();
    running_ = true;
    cancel_ = false;
    lock.unlock();
    work(w, false);
    lock.lock();
    running_ = false;
    idle_.notify_all();
}

void IdentityWorker::work(Work& w, bool settle) {
    if (w.findRenamed) {
        std::vector<RenamedFile> found = findRenamedFiles(w.job, cache_, limit_, &cancel_);
        const std::lock_guard lock(mutex_);
        for (RenamedFile& f : found) found_.push_back(std::move(f));
    }
    if (settle) {
        std::unique_lock lock(mutex_);
        if (wake_.wait_for(lock, kSettle,
                           [&] { return stopping_ || waiting_.has_value() || hurry_; }) &&
            !hurry_)
            return;
    }
    hashListedFiles(w.job, cache_, limit_, &cancel_);
}

std::vector<RenamedFile> IdentityWorker::takeFound() {
    const std::lock_guard lock(mutex_);
    return std::exchange(found_, {});
}

bool IdentityWorker::idle() const {
    const std::lock_guard lock(mutex_);
    return !waiting_ && !running_;
}

void IdentityWorker::waitUntilIdle() {
    if (!background_) {
        runPending();
        return;
    }
    std::unique_lock lock(mutex_);
    hurry_ = true;  // no settling: someone waits
    wake_.notify_all();
    idle_.wait(lock, [&] { return stopping_ || (!waiting_ && !running_); });
}

void IdentityWorker::stop() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
        waiting_.reset();
        cancel_ = true;
        wake_.notify_all();
        idle_.notify_all();
    }
    if (thread_.joinable()) thread_.join();
}

}  // namespace romshelf
