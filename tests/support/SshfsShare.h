#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "ProcessProbe.h"
#include "TempFolder.h"

// A folder on a network share, as other machines see it: a private sshd on 127.0.0.1 and SSHFS
// mounts of one folder through it (SSHFS, like many SMB and NFS set-ups, does not pass fcntl locks
// on). Free of the test framework: the benchmarks use it too.
namespace romshelf::test {

class SshfsShare {
public:
    // The folder share/ under a fresh temporary folder, mounted once at each of `machines` (names
    // of folders beside it). Unmounted, and the server stopped, when the object goes.
    explicit SshfsShare(const std::vector<std::string>& machines) {
        namespace fsys = std::filesystem;
        if (!fsys::exists("/usr/sbin/sshd") || !fsys::exists("/usr/bin/sshfs")) {
            skipReason_ = "openssh-server and sshfs are needed (scripts/install-deps.sh)";
            return;
        }
        if (::access("/dev/fuse", R_OK | W_OK) != 0) {
            skipReason_ = "/dev/fuse is missing or not usable: no FUSE mounts here";
            return;
        }
        root_ = std::make_unique<TempFolder>();
        const std::string r = root_->path();
        const passwd* me = ::getpwuid(::getuid());
        port_ = freePort();
        if (!me || port_ <= 0) {
            error_ = "no user name or free port";
            return;
        }
        root_->makeFolder("share");
        for (const std::string& machine : machines) root_->makeFolder(machine);
        if (::getuid() == 0) fsys::create_directories("/run/sshd");
        const std::string config =
            "Port " + std::to_string(port_) + "\nListenAddress 127.0.0.1\nHostKey " + r +
            "hostkey\nAuthorizedKeysFile " + r +
            "authorized_keys\nPidFile none\nStrictModes no\nUsePAM no\n"
            "PasswordAuthentication no\nKbdInteractiveAuthentication no\n"
            "PermitRootLogin prohibit-password\nSubsystem sftp internal-sftp\n";
        root_->write("sshd_config", config);
        if (shell("ssh-keygen -q -t ed25519 -N '' -f " + r +
                  "hostkey && ssh-keygen -q -t ed25519 "
                  "-N '' -f " +
                  r + "userkey && cp " + r + "userkey.pub " + r + "authorized_keys") != 0) {
            error_ = "ssh-keygen failed";
            return;
        }
        sshd_ = ::fork();
        if (sshd_ == 0) {
            const int log = ::open((r + "sshd.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(log, 1), ::dup2(log, 2);
            ::execl("/usr/sbin/sshd", "/usr/sbin/sshd", "-D", "-e", "-f",
                    (r + "sshd_config").c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        const int port = port_;
        if (!waitFor([port] { return accepts(port); })) {
            error_ = "the private sshd did not start: " + root_->read("sshd.log");
            return;
        }
        for (const std::string& machine : machines) {
            const std::string mount =
                "sshfs -p " + std::to_string(port_) + " -o IdentityFile=" + r +
                "userkey,StrictHostKeyChecking=no,UserKnownHostsFile=/dev/null,BatchMode=yes " +
                me->pw_name + "@127.0.0.1:" + r + "share " + r + machine;
            if (shell(mount) != 0) {
                error_ = "sshfs could not mount the share";
                return;
            }
            mounted_.push_back(r + machine);
        }
    }
    ~SshfsShare() {
        for (const std::string& m : mounted_) shell("fusermount3 -u " + m + " || umount " + m);
        if (sshd_ > 0) {
            ::kill(sshd_, SIGTERM);
            ::waitpid(sshd_, nullptr, 0);
        }
    }
    SshfsShare(const SshfsShare&) = delete;
    SshfsShare& operator=(const SshfsShare&) = delete;

    // Why there can be no share here (a tool or FUSE missing); empty when there can.
    const std::string& skipReason() const { return skipReason_; }
    // What went wrong in setting it up although everything was there; empty when it is up.
    const std::string& error() const { return error_; }
    bool up() const { return skipReason_.empty() && error_.empty(); }
    // The temporary folder that holds the shared folder (share/), the mounts and the server's
    // files; nullptr when there are none.
    const TempFolder* root() const { return root_.get(); }

    static int shell(const std::string& command) {
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    static int freePort() {
        const int s = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t n = sizeof a;
        if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
            ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &n) != 0) {
            ::close(s);
            return -1;
        }
        ::close(s);
        return ntohs(a.sin_port);
    }
    static bool accepts(int port) {
        const int s = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<std::uint16_t>(port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
        ::close(s);
        return ok;
    }

    // Declared first, gone last: the mounts and the server's files are in it.
    std::unique_ptr<TempFolder> root_;
    std::vector<std::string> mounted_;
    std::string skipReason_, error_;
    int port_ = -1;
    pid_t sshd_ = -1;
};

}  // namespace romshelf::test
