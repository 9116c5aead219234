#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "core/rename/IdentityScan.h"

namespace romshelf {

// Sums files for the identity cache after a list build: first what tells where records' files
// went (when the build listed every file), then, once no other build followed for a moment,
// every file listed. On a thread of its own at idle priority (the window), or only when asked
// (runPending: the tests, and programs that cannot wait). What it finds waits in a queue that the
// owner takes from on its own thread.
class IdentityWorker {
public:
    explicit IdentityWorker(IdentityCache& cache) : cache_(cache) {}
    ~IdentityWorker() { stop(); }
    IdentityWorker(const IdentityWorker&) = delete;
    IdentityWorker& operator=(const IdentityWorker&) = delete;

    void setLimit(std::uint64_t bytes) { limit_ = bytes; }
    std::uint64_t limit() const { return limit_; }
    // From now on the work runs on a thread of its own.
    void runInBackground();
    bool background() const { return background_; }

    // The work of a build: it replaces what waits of its kind, and what runs of it stops at the
    // next file.
    void submit(IdentityJob job, bool findRenamed);
    // Runs what is waiting, here and now.
    void runPending();
    // What was found since the last call.
    std::vector<RenamedFile> takeFound();
    // No work waits or runs.
    bool idle() const;
    // Returns once no work waits or runs (without the pause before summing every listed file).
    void waitUntilIdle();
    // Stops the work under way within one piece of a file, and the thread; later work is dropped.
    void stop();

private:
    enum class Task { None, Find, Hash };
    void run();
    // Takes the next task (the search for renamed files first) into `job`; None when none waits.
    Task take(IdentityJob& job);
    void work(Task task, const IdentityJob& job, bool settle);
    void done();

    IdentityCache& cache_;
    std::atomic<std::uint64_t> limit_{kIdentityHashLimit};
    bool background_ = false;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    // What waits: the last search for renamed files (kept until it has run, whatever lists are
    // built meanwhile) and the files of the last build to sum.
    std::optional<IdentityJob> find_;  // guarded by mutex_
    std::optional<IdentityJob> hash_;  // guarded by mutex_
    Task running_ = Task::None;        // guarded by mutex_
    bool stopping_ = false;            // guarded by mutex_
    bool hurry_ = false;               // guarded by mutex_: waitUntilIdle waits
    std::vector<RenamedFile> found_;   // guarded by mutex_
    std::atomic<bool> cancel_{false};
    std::thread thread_;
};

}  // namespace romshelf
