#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace romshelf {

// One writer per program folder, also when the folder lies on a share that two machines mount.
// Two locks together: an fcntl lock of a file in the data folder (the kernel drops it when its
// holder dies, so a crash on this machine never leaves a stale lock), and beside it an owner
// file made with O_CREAT|O_EXCL, which works where fcntl locks are not passed on (SSHFS, many
// SMB and NFS set-ups). The owner file says who holds it: host, boot, process, role and a
// heartbeat the holder refreshes on a thread of its own. An owner file whose holder is gone
// (this machine since boot and its process dead, or a heartbeat older than kStaleSeconds) is
// taken over; a live one anywhere refuses the others.
class WriterLock {
public:
    static constexpr int kHeartbeatSeconds = 15;
    static constexpr int kStaleSeconds = 120;

    // Who holds the lock: its process id and its role ("romshelf" for the window, or the
    // command, "romshelf-cli set"); pid 0 when it could not be read. `host` and `boot` name its
    // machine; `heartbeat` is the time (seconds since the epoch) it last said it was alive.
    struct Holder {
        long pid = 0;
        std::string role;
        std::string host;
        std::string boot;
        long long heartbeat = 0;
        std::string token;  // tells one holding apart from another of the same process
    };
    enum class Result { Acquired, Held, Failed };

    explicit WriterLock(std::string path);
    ~WriterLock() { release(); }
    WriterLock(const WriterLock&) = delete;
    WriterLock& operator=(const WriterLock&) = delete;

    // Takes the lock when nobody holds it; Held (and holder() says who) otherwise; Failed when
    // the lock file cannot be opened or locked at all (error() says why). `takeOver` takes an
    // owner file over even from a holder that looks alive (the user said it is not).
    Result tryAcquire(std::string_view role, bool takeOver = false);
    // Tries again every `pollMs` until `waitMs` have passed; `waiting` is called once, with the
    // holder, when the lock is first found held.
    Result acquire(std::string_view role, int waitMs,
                   const std::function<void(const Holder&)>& waiting = {}, int pollMs = 100);
    void release();

    bool held() const { return fd_ >= 0; }
    const Holder& holder() const { return holder_; }
    int error() const { return error_; }
    const std::string& path() const { return path_; }
    const std::string& ownerPath() const { return ownerPath_; }
    // The holder whose owner file was found stale and taken over by the last acquire.
    const std::optional<Holder>& tookOverFrom() const { return tookOver_; }
    // The data folder is on a network file system (where the owner file is what excludes).
    bool onNetworkShare() const { return network_; }
    // True once another program took the owner file over while this one held it (this machine
    // slept past kStaleSeconds, say): its saves are no longer safe.
    bool lost() const { return lost_.load(); }

    // What this machine is called in owner files: its host name and boot id.
    static std::string thisHost();
    static std::string thisBoot();
    // `host` as a part of a file name: letters, digits, '.', '-' and '_' as they are, anything
    // else '_'; "unknown" for no name.
    static std::string hostInFileName(std::string_view host);

private:
    bool takeOwnerFile(bool takeOver);
    void startHeartbeat();
    void stopHeartbeat();
    void beat();

    std::string path_;
    std::string ownerPath_;
    int fd_ = -1;
    int ownerFd_ = -1;
    int error_ = 0;
    bool network_ = false;
    Holder holder_;
    Holder mine_;
    std::optional<Holder> tookOver_;
    std::atomic<bool> lost_{false};
    std::thread heartbeat_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
};

// "the window (romshelf, process 123)" or "another command (romshelf-cli set, process 123)";
// a holder on another machine adds its host: "… process 123 on nas-pc".
std::string describeHolder(const WriterLock::Holder& holder);
// The same for the window's own messages: "ウィンドウ (romshelf、プロセスID 123)",
// "コマンド (romshelf-cli set、プロセスID 123、コンピュータ nas2)", "ほかのプログラム".
std::string describeHolderInJapanese(const WriterLock::Holder& holder);

}  // namespace romshelf
