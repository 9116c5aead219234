#include "core/platform/WriterLock.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <thread>

namespace romshelf {

namespace {

// A write lock over the whole file. Open-file-description locks where the kernel has them (a
// second open of the file in the same process then conflicts too), classic ones otherwise.
int lockWhole(int fd) {
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
#ifdef F_OFD_SETLK
    if (::fcntl(fd, F_OFD_SETLK, &lock) == 0) return 0;
    if (errno != EINVAL) return -1;
#endif
    return ::fcntl(fd, F_SETLK, &lock);
}

WriterLock::Holder readHolder(int fd) {
    char buffer[256];
    const ssize_t n = ::pread(fd, buffer, sizeof buffer - 1, 0);
    WriterLock::Holder holder;
    if (n <= 0) return holder;
    const std::string_view text(buffer, static_cast<std::size_t>(n));
    const std::size_t tab = text.find('\t');
    if (tab == std::string_view::npos) return holder;
    std::from_chars(text.data(), text.data() + tab, holder.pid);
    std::string_view role = text.substr(tab + 1);
    if (const std::size_t end = role.find('\n'); end != std::string_view::npos)
        role = role.substr(0, end);
    holder.role = role;
    return holder;
}

}  // namespace

WriterLock::Result WriterLock::tryAcquire(std::string_view role) {
    if (fd_ >= 0) return Result::Acquired;
    const int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        error_ = errno;
        return Result::Failed;
    }
    if (lockWhole(fd) != 0) {
        error_ = errno;
        const bool busy = errno == EACCES || errno == EAGAIN;
        if (busy) holder_ = readHolder(fd);
        ::close(fd);
        return busy ? Result::Held : Result::Failed;
    }
    fd_ = fd;
    error_ = 0;
    holder_ = {static_cast<long>(::getpid()), std::string(role)};
    // Only what the others read: the lock itself is what excludes them.
    const std::string line = std::to_string(holder_.pid) + "\t" + holder_.role + "\n";
    if (::ftruncate(fd_, 0) == 0) {
        [[maybe_unused]] const ssize_t written = ::pwrite(fd_, line.data(), line.size(), 0);
    }
    return Result::Acquired;
}

WriterLock::Result WriterLock::acquire(std::string_view role, int waitMs,
                                       const std::function<void(const Holder&)>& waiting,
                                       int pollMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    bool told = false;
    for (;;) {
        const Result result = tryAcquire(role);
        if (result != Result::Held || std::chrono::steady_clock::now() >= deadline) return result;
        if (!told && waiting) waiting(holder_);
        told = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(pollMs));
    }
}

void WriterLock::release() {
    if (fd_ < 0) return;
    // The file stays: removing it would let a waiter lock a file that a third process no longer
    // finds under the name. Closing drops the lock.
    [[maybe_unused]] const int truncated = ::ftruncate(fd_, 0);
    ::close(fd_);
    fd_ = -1;
}

std::string describeHolder(const WriterLock::Holder& holder) {
    const std::string pid = holder.pid > 0 ? "process " + std::to_string(holder.pid) : "";
    if (holder.role.empty()) return "another program" + (pid.empty() ? "" : " (" + pid + ")");
    const std::string what = holder.role + (pid.empty() ? "" : ", " + pid);
    if (holder.role == "romshelf") return "the window (" + what + ")";
    return "another command (" + what + ")";
}

}  // namespace romshelf
