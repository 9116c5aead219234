#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <future>
#include <map>
#include <thread>

#include "LaunchFixture.h"

// Waits with a guard, so that a hang fails a test instead of holding up the run, and what the
// stand-in emulator recorded of its descriptors.
namespace romshelf::test {

// True once `condition` holds; false when it still does not after 30 seconds.
inline bool waitFor(const std::function<bool()>& condition) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    for (; !condition(); std::this_thread::sleep_for(std::chrono::milliseconds(20)))
        if (std::chrono::steady_clock::now() > end) return false;
    return true;
}

// The child's exit status (128 + the signal that ended it); -1 when it had to be killed.
inline int waitExit(pid_t pid) {
    int status = 0;
    if (waitFor([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }))
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    return -1;
}

// True when `read` finished on its own. A reader that opens the FIFO the blocking way waits for a
// writer: after a while writers come and go, so that it fails the test instead of hanging it.
inline bool finishesWithoutAWriter(const std::string& fifo, const std::function<void()>& read) {
    std::future<void> done = std::async(std::launch::async, read);
    const bool alone = done.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    while (done.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready)
        ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
    done.get();
    return alone;
}

// What a stand-in named "…fds…" wrote to "<emulator>.fds" before its record: its pid and each
// descriptor it was started with, with what it leads to. Empty when it did not run.
struct Descriptors {
    pid_t pid = -1;
    std::map<int, std::string> fds;
};
inline Descriptors descriptorsOf(const std::string& emulator) {
    Descriptors d;
    std::ifstream in(readRecord(emulator, 10000).ran ? emulator + ".fds" : "");
    std::string line;
    if (!std::getline(in, line)) return d;
    d.pid = std::stoi(line.substr(4));  // "pid N"
    for (std::size_t space; std::getline(in, line) && (space = line.find(' ')) != line.npos;)
        d.fds[std::stoi(line)] = line.substr(space + 1);  // the target may hold blanks itself
    return d;
}

}  // namespace romshelf::test
