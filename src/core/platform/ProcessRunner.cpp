#include "core/platform/ProcessRunner.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <utility>

extern char** environ;

namespace romshelf {

namespace {

// A descriptor we hold without close-on-exec (a pipe handed to us, a file of a library) would
// keep whatever it leads to open for as long as the program runs.
void closeAllButStdio(posix_spawn_file_actions_t& actions) {
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
#else
    // Every descriptor open now; the child ignores closing one that is gone by then.
    if (DIR* dir = ::opendir("/proc/self/fd")) {
        const int own = ::dirfd(dir);
        while (dirent* e = ::readdir(dir)) {
            char* end = nullptr;
            const long fd = std::strtol(e->d_name, &end, 10);
            if (end != e->d_name && *end == '\0' && fd > 2 && fd != own)
                posix_spawn_file_actions_addclose(&actions, static_cast<int>(fd));
        }
        ::closedir(dir);
    }
#endif
}

std::optional<int> spawnDirect(const std::vector<std::string>& argv,
                               const std::string& workingFolder, ChildStdio stdio, int input,
                               int errors) {
    if (argv.empty() || argv[0].empty()) return std::nullopt;
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (stdio == ChildStdio::Null) {
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
    }
    if (input >= 0) posix_spawn_file_actions_adddup2(&actions, input, 0);
    if (errors >= 0) posix_spawn_file_actions_adddup2(&actions, errors, 2);
    closeAllButStdio(actions);
    if (!workingFolder.empty())
        posix_spawn_file_actions_addchdir_np(&actions, workingFolder.c_str());
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    // The launcher's own signal handling must not reach the emulator.
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attr, &none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int sig : {SIGTERM, SIGINT, SIGHUP, SIGPIPE, SIGCHLD}) sigaddset(&defaults, sig);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr,
                             POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSID);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, args[0], &actions, &attr, args.data(), environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return std::nullopt;
    return static_cast<int>(pid);
}

// A program started in a session of its own leads its process group: the signal reaches
// whatever it started as well.
void signalProgram(int pid, int signal) {
    if (pid <= 0) return;
    if (::getpgid(pid) == pid)
        ::kill(-pid, signal);
    else
        ::kill(pid, signal);
}

}  // namespace

int ProcessEnd::status() const {
    if (signal) return 128 + *signal;
    return exitCode.value_or(-1);
}

ProcessEnd ProcessEnd::fromWaitStatus(int status) {
    ProcessEnd end;
    if (WIFEXITED(status)) end.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) end.signal = WTERMSIG(status);
    return end;
}

std::string signalName(int signal) {
    // The names a user meets in a crash report, by this system's numbers.
    static constexpr std::array<std::pair<int, const char*>, 22> kNames = {{
        {SIGHUP, "SIGHUP"},       {SIGINT, "SIGINT"},   {SIGQUIT, "SIGQUIT"}, {SIGILL, "SIGILL"},
        {SIGTRAP, "SIGTRAP"},     {SIGABRT, "SIGABRT"}, {SIGBUS, "SIGBUS"},   {SIGFPE, "SIGFPE"},
        {SIGKILL, "SIGKILL"},     {SIGUSR1, "SIGUSR1"}, {SIGSEGV, "SIGSEGV"}, {SIGUSR2, "SIGUSR2"},
        {SIGPIPE, "SIGPIPE"},     {SIGALRM, "SIGALRM"}, {SIGTERM, "SIGTERM"}, {SIGSTOP, "SIGSTOP"},
        {SIGTSTP, "SIGTSTP"},     {SIGXCPU, "SIGXCPU"}, {SIGXFSZ, "SIGXFSZ"}, {SIGSYS, "SIGSYS"},
        {SIGVTALRM, "SIGVTALRM"}, {SIGPROF, "SIGPROF"},
    }};
    for (const auto& [number, name] : kNames)
        if (number == signal) return name;
    return {};
}

std::optional<int> PosixProcessRunner::spawn(const std::vector<std::string>& argv,
                                             const std::string& workingFolder, ChildStdio stdio,
                                             int input, int errors) {
    return spawnDirect(argv, workingFolder, stdio, input, errors);
}

std::optional<ProcessEnd> PosixProcessRunner::poll(int pid) {
    int status = 0;
    const pid_t r = ::waitpid(pid, &status, WNOHANG);
    if (r == pid) return ProcessEnd::fromWaitStatus(status);
    if (r < 0 && errno == ECHILD) return ProcessEnd{};  // already gone
    return std::nullopt;
}

std::optional<int> PosixProcessRunner::start(const std::vector<std::string>& argv,
                                             const std::string& workingFolder) {
    std::optional<ErrorCapture> capture;
    if (captureErrors_) capture = ErrorCapture::open();
    // A program that outlives this process is reaped by the system.
    const std::optional<int> pid =
        spawn(argv, workingFolder, stdio_, -1, capture ? capture->writeEnd() : -1);
    if (capture) {
        capture->closeWriteEnd();
        if (pid) captures_.emplace(*pid, std::move(*capture));
    }
    return pid;
}

void PosixProcessRunner::whenFinished(int pid, std::function<void(const ProcessEnd&)> then) {
    const auto capture = captures_.find(pid);
    const bool stoppable = static_cast<bool>(steps_.stopRequest);
    if (steps_.waiting) steps_.waiting();
    if (capture == captures_.end() && !stoppable) {
        int status = 0;
        pid_t r;
        do {
            r = ::waitpid(pid, &status, 0);
        } while (r < 0 && errno == EINTR);
        if (steps_.ended) steps_.ended();
        then(r == pid ? ProcessEnd::fromWaitStatus(status) : ProcessEnd{});
        return;
    }
    // The pipe is read while the program runs: a full pipe would stop it.
    std::optional<ErrorCapture> errors;
    if (capture != captures_.end()) {
        errors.emplace(std::move(capture->second));
        captures_.erase(capture);
    }
    std::optional<ProcessEnd> end;
    bool open = errors.has_value();
    bool signalled = false, killed = false;
    std::chrono::steady_clock::time_point deadline;
    while (!(end = poll(pid))) {
        // A signal that arrives meanwhile cuts the poll short, so it is passed on at once.
        const int signal = stoppable ? steps_.stopRequest() : 0;
        if (signal != 0 && !killed) {
            if (!signalled) {
                signalProgram(pid, signal);
                deadline =
                    std::chrono::steady_clock::now() + std::chrono::milliseconds(steps_.graceMs);
                signalled = true;
            } else {
                signalProgram(pid, SIGKILL);
                killed = true;
            }
        }
        if (signalled && !killed && std::chrono::steady_clock::now() >= deadline) {
            signalProgram(pid, SIGKILL);
            killed = true;
        }
        pollfd p{open ? errors->readEnd() : -1, POLLIN, 0};
        if (::poll(&p, 1, 100) > 0 && open) open = errors->read();
    }
    if (errors) {
        errors->finish();
        end->errorLines = errors->tail().lines();
    }
    if (steps_.ended) steps_.ended();
    then(*end);
}

void PosixProcessRunner::terminate(int pid) {
    if (pid > 0) ::kill(pid, SIGTERM);
}

void PosixProcessRunner::kill(int pid) {
    if (pid > 0) ::kill(pid, SIGKILL);
}

}  // namespace romshelf
