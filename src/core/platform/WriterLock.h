#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace romshelf {

// One writer per program folder: an advisory lock on a file in the data folder. The lock is an
// fcntl lock of the open file (not of the process), so two holders in one process exclude each
// other too; it works on network shares and the kernel drops it when its holder dies, so a crash
// never leaves a stale lock behind. The holder writes who it is into the file for the others.
class WriterLock {
public:
    // Who holds the lock: its process id and its role ("romshelf" for the window, or the
    // command, "romshelf-cli set"); pid 0 when it could not be read.
    struct Holder {
        long pid = 0;
        std::string role;
    };
    enum class Result { Acquired, Held, Failed };

    explicit WriterLock(std::string path) : path_(std::move(path)) {}
    ~WriterLock() { release(); }
    WriterLock(const WriterLock&) = delete;
    WriterLock& operator=(const WriterLock&) = delete;

    // Takes the lock when nobody holds it; Held (and holder() says who) otherwise; Failed when
    // the lock file cannot be opened or locked at all (error() says why).
    Result tryAcquire(std::string_view role);
    // Tries again every `pollMs` until `waitMs` have passed; `waiting` is called once, with the
    // holder, when the lock is first found held.
    Result acquire(std::string_view role, int waitMs,
                   const std::function<void(const Holder&)>& waiting = {}, int pollMs = 100);
    void release();

    bool held() const { return fd_ >= 0; }
    const Holder& holder() const { return holder_; }
    int error() const { return error_; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    int fd_ = -1;
    int error_ = 0;
    Holder holder_;
};

// "the window (romshelf, process 123)" or "another command (romshelf-cli set, process 123)".
std::string describeHolder(const WriterLock::Holder& holder);

}  // namespace romshelf
