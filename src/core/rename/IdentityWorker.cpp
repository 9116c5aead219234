#include "core/rename/IdentityWorker.h"

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
    if (findRenamed) {
        // The same files, shared (only unregistered ones can be a record's file: the search
        // passes over the others).
        find_ = job;
        if (running_ == Task::Find) cancel_ = true;
    }
    if (running_ == Task::Hash) cancel_ = true;
    job.orphans.clear();
    hash_ = std::move(job);
    wake_.notify_all();
}

IdentityWorker::Task IdentityWorker::take(IdentityJob& job) {
    Task task = Task::None;
    if (find_) {
        job = std::move(*find_);
        find_.reset();
        task = Task::Find;
    } else if (hash_) {
        job = std::move(*hash_);
        hash_.reset();
        task = Task::Hash;
    }
    running_ = task;
    cancel_ = false;
    return task;
}

void IdentityWorker::done() {
    running_ = Task::None;
    if (!find_ && !hash_) hurry_ = false;
    idle_.notify_all();
}

void IdentityWorker::run() {
    lowerPriority();
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return stopping_ || find_ || hash_; });
        if (stopping_) break;
        IdentityJob job;
        const Task task = take(job);
        lock.unlock();
        work(task, job, true);
        lock.lock();
        done();
    }
}

void IdentityWorker::runPending() {
    std::unique_lock lock(mutex_);
    while (running_ == Task::None && !stopping_) {
        IdentityJob job;
        const Task task = take(job);
        if (task == Task::None) break;
        lock.unlock();
        work(task, job, false);
        lock.lock();
        done();
    }
}

void IdentityWorker::work(Task task, const IdentityJob& job, bool settle) {
    if (task == Task::Find) {
        std::vector<RenamedFile> found = findRenamedFiles(job, cache_, limit_, &cancel_);
        const std::lock_guard lock(mutex_);
        for (RenamedFile& f : found) found_.push_back(std::move(f));
        return;
    }
    if (settle) {
        // Another list built meanwhile brings the files to sum now.
        std::unique_lock lock(mutex_);
        if (wake_.wait_for(lock, kSettle, [&] { return stopping_ || find_ || hash_ || hurry_; }) &&
            !hurry_)
            return;
    }
    hashListedFiles(job, cache_, limit_, &cancel_);
}

std::vector<RenamedFile> IdentityWorker::takeFound() {
    const std::lock_guard lock(mutex_);
    return std::exchange(found_, {});
}

bool IdentityWorker::idle() const {
    const std::lock_guard lock(mutex_);
    return !find_ && !hash_ && running_ == Task::None;
}

void IdentityWorker::waitUntilIdle() {
    if (!background_) {
        runPending();
        return;
    }
    std::unique_lock lock(mutex_);
    hurry_ = true;  // no settling: someone waits
    wake_.notify_all();
    idle_.wait(lock, [&] { return stopping_ || (!find_ && !hash_ && running_ == Task::None); });
}

void IdentityWorker::stop() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
        find_.reset();
        hash_.reset();
        cancel_ = true;
        wake_.notify_all();
        idle_.notify_all();
    }
    if (thread_.joinable()) thread_.join();
}

}  // namespace romshelf
