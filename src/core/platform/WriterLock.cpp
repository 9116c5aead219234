#include "core/platform/WriterLock.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <ctime>
#include <random>

#include "core/platform/FileSystem.h"

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

// The lock file's line, "pid<TAB>role", which copies of the program without owner files read.
WriterLock::Holder readLockLine(int fd) {
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

long long now() { return static_cast<long long>(std::time(nullptr)); }

std::string ownerText(const WriterLock::Holder& h) {
    return "host=" + h.host + "\nboot=" + h.boot + "\npid=" + std::to_string(h.pid) +
           "\nrole=" + h.role + "\nheartbeat=" + std::to_string(h.heartbeat) +
           "\ntoken=" + h.token + "\n";
}

// Every field must be there: a file caught half-written is no holder's word.
std::optional<WriterLock::Holder> parseOwner(std::string_view text) {
    WriterLock::Holder h;
    int found = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos) break;  // the last line is not complete
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end + 1);
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        const std::string_view key = line.substr(0, eq), value = line.substr(eq + 1);
        auto number = [&](auto& into) {
            return std::from_chars(value.data(), value.data() + value.size(), into).ec ==
                   std::errc();
        };
        if (key == "host") h.host = value, found |= 1;
        if (key == "boot") h.boot = value, found |= 2;
        if (key == "pid" && number(h.pid)) found |= 4;
        if (key == "role") h.role = value, found |= 8;
        if (key == "heartbeat" && number(h.heartbeat)) found |= 16;
        if (key == "token") h.token = value, found |= 32;
    }
    if (found != 63) return std::nullopt;
    return h;
}

std::optional<std::string> readSmall(const std::string& path) {
    return fs::readFile(path, 64 * 1024);
}

std::string randomToken() {
    std::random_device device;
    return std::to_string(device()) + std::to_string(device());
}

// A process of this machine that has ended (a zombie not yet waited for has ended too).
bool processEnded(long pid) {
    if (pid <= 0) return false;
    if (::kill(static_cast<pid_t>(pid), 0) != 0) return errno == ESRCH;
    const std::optional<std::string> stat =
        fs::readFile("/proc/" + std::to_string(pid) + "/stat", 4096);
    if (!stat) return false;
    const std::size_t close = stat->rfind(") ");
    return close != std::string::npos && close + 2 < stat->size() && (*stat)[close + 2] == 'Z';
}

// The holder is gone: on this machine since its boot, a process that no longer runs; anywhere,
// a heartbeat older than the limit. An owner file that cannot be read goes by its age.
bool isStale(const std::optional<WriterLock::Holder>& holder, long long modified) {
    const long long limit = WriterLock::kStaleSeconds;
    if (!holder) return now() - modified > limit;
    if (holder->host == WriterLock::thisHost()) {
        if (holder->boot != WriterLock::thisBoot()) return true;
        if (processEnded(holder->pid)) return true;
    }
    return now() - holder->heartbeat > limit;
}

long long modifiedTime(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return now();
    return static_cast<long long>(info.st_mtime);
}

}  // namespace

WriterLock::WriterLock(std::string path) : path_(std::move(path)) {
    ownerPath_ = path_;
    if (ownerPath_.ends_with(".lock")) ownerPath_.resize(ownerPath_.size() - 5);
    ownerPath_ += ".owner";
}

std::string WriterLock::thisHost() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return "localhost";
    return name;
}

std::string WriterLock::hostInFileName(std::string_view host) {
    std::string name;
    for (const char c : host)
        name += (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                        c == '.' || c == '-' || c == '_'
                    ? c
                    : '_';
    return name.empty() ? "unknown" : name;
}

std::string WriterLock::thisBoot() {
    static const std::string boot = [] {
        std::string id = fs::readFile("/proc/sys/kernel/random/boot_id", 64).value_or("");
        while (!id.empty() && (id.back() == '\n' || id.back() == ' ')) id.pop_back();
        return id;
    }();
    return boot;
}

WriterLock::Result WriterLock::tryAcquire(std::string_view role, bool takeOver) {
    if (fd_ >= 0) return Result::Acquired;
    tookOver_.reset();
    const int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        error_ = errno;
        return Result::Failed;
    }
    network_ = fs::isNetworkFileSystem(path_);
    if (lockWhole(fd) != 0) {
        error_ = errno;
        const bool busy = errno == EACCES || errno == EAGAIN;
        if (busy) {
            // The owner file says more (the host); the lock line serves an older holder.
            const std::optional<std::string> text = readSmall(ownerPath_);
            const std::optional<Holder> owner = text ? parseOwner(*text) : std::nullopt;
            holder_ = owner ? *owner : readLockLine(fd);
        }
        ::close(fd);
        return busy ? Result::Held : Result::Failed;
    }
    mine_ = Holder{static_cast<long>(::getpid()),
                   std::string(role),
                   thisHost(),
                   thisBoot(),
                   now(),
                   randomToken()};
    if (!takeOwnerFile(takeOver)) {
        ::close(fd);  // drops the fcntl lock
        return error_ == 0 ? Result::Held : Result::Failed;
    }
    fd_ = fd;
    error_ = 0;
    holder_ = mine_;
    lost_ = false;
    // Only what the others read: the locks themselves are what exclude them.
    const std::string line = std::to_string(holder_.pid) + "\t" + holder_.role + "\n";
    if (::ftruncate(fd_, 0) == 0) {
        [[maybe_unused]] const ssize_t written = ::pwrite(fd_, line.data(), line.size(), 0);
    }
    startHeartbeat();
    return Result::Acquired;
}

bool WriterLock::takeOwnerFile(bool takeOver) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int fd = ::open(ownerPath_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            const std::string text = ownerText(mine_);
            if (::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size()) ||
                ::fsync(fd) != 0) {
                error_ = errno != 0 ? errno : EIO;
                ::close(fd);
                ::unlink(ownerPath_.c_str());
                return false;
            }
            ownerFd_ = fd;
            return true;
        }
        // SFTP has no word for "exists": SSHFS says EPERM when the file another machine made
        // was not known here yet.
        const int failed = errno;
        if (failed != EEXIST &&
            !((failed == EPERM || failed == EACCES) && fs::pathExists(ownerPath_))) {
            error_ = failed;
            return false;
        }
        // Read who holds it before anything is written.
        const std::optional<std::string> text = readSmall(ownerPath_);
        if (!text) continue;  // gone meanwhile: try again
        const std::optional<Holder> owner = parseOwner(*text);
        if (owner)
            holder_ = *owner;
        else
            holder_ = Holder{};
        if (!takeOver && !isStale(owner, modifiedTime(ownerPath_))) {
            error_ = 0;
            return false;
        }
        // Taken aside under a name of this process's own, so that of two takers only one
        // wins, and neither removes a file a third made meanwhile.
        const std::string aside = ownerPath_ + ".stale-" + mine_.token;
        if (::rename(ownerPath_.c_str(), aside.c_str()) != 0) continue;
        const std::optional<std::string> taken = readSmall(aside);
        if (!taken || *taken != *text) {
            // Another taker's fresh file: put it back (never over a newer one) and stand aside.
            if (::link(aside.c_str(), ownerPath_.c_str()) == 0 || errno == EEXIST)
                ::unlink(aside.c_str());
            error_ = 0;
            return false;
        }
        ::unlink(aside.c_str());
        tookOver_ = owner ? *owner : Holder{};
    }
    error_ = 0;
    return false;
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

void WriterLock::startHeartbeat() {
    stopping_ = false;
    heartbeat_ = std::thread([this] {
        std::unique_lock lock(mutex_);
        while (!stopping_) {
            if (wake_.wait_for(lock, std::chrono::seconds(kHeartbeatSeconds),
                               [this] { return stopping_; }))
                break;
            beat();
        }
    });
}

void WriterLock::stopHeartbeat() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (heartbeat_.joinable()) heartbeat_.join();
}

void WriterLock::beat() {
    // Still ours? A file another program took over is never written to.
    const std::optional<std::string> text = readSmall(ownerPath_);
    const std::optional<Holder> owner = text ? parseOwner(*text) : std::nullopt;
    if (text && (!owner || owner->token != mine_.token)) {
        lost_ = true;
        return;
    }
    if (!text && fs::pathExists(ownerPath_)) return;  // unreadable for a moment: next time
    Holder fresh = mine_;
    fresh.heartbeat = now();
    const std::string line = ownerText(fresh);
    if (::pwrite(ownerFd_, line.data(), line.size(), 0) == static_cast<ssize_t>(line.size())) {
        [[maybe_unused]] const int cut = ::ftruncate(ownerFd_, static_cast<off_t>(line.size()));
        [[maybe_unused]] const int synced = ::fdatasync(ownerFd_);
    }
}

void WriterLock::release() {
    if (fd_ < 0) return;
    stopHeartbeat();
    if (ownerFd_ >= 0) {
        // Removed only while it is still this holder's: one taken over stays its taker's.
        const std::optional<std::string> text = readSmall(ownerPath_);
        const std::optional<Holder> owner = text ? parseOwner(*text) : std::nullopt;
        if (owner && owner->token == mine_.token) ::unlink(ownerPath_.c_str());
        ::close(ownerFd_);
        ownerFd_ = -1;
    }
    // The lock file stays: removing it would let a waiter lock a file that a third process no
    // longer finds under the name. Closing drops the lock.
    [[maybe_unused]] const int truncated = ::ftruncate(fd_, 0);
    ::close(fd_);
    fd_ = -1;
}

std::string describeHolder(const WriterLock::Holder& holder) {
    std::string pid = holder.pid > 0 ? "process " + std::to_string(holder.pid) : "";
    if (!holder.host.empty() && holder.host != WriterLock::thisHost())
        pid += (pid.empty() ? "" : " ") + std::string("on ") + holder.host;
    if (holder.role.empty()) return "another program" + (pid.empty() ? "" : " (" + pid + ")");
    const std::string what = holder.role + (pid.empty() ? "" : ", " + pid);
    if (holder.role == "romshelf") return "the window (" + what + ")";
    return "another command (" + what + ")";
}

std::string describeHolderInJapanese(const WriterLock::Holder& holder) {
    std::string pid = holder.pid > 0 ? "、プロセスID " + std::to_string(holder.pid) : "";
    if (!holder.host.empty() && holder.host != WriterLock::thisHost())
        pid += "、コンピュータ " + holder.host;
    if (holder.role.empty()) return "ほかのプログラム";
    if (holder.role == "romshelf") return "ウィンドウ (romshelf" + pid + ")";
    return "コマンド (" + holder.role + pid + ")";
}

}  // namespace romshelf
