#include "qt/platform/QtProcessRunner.h"

#include <signal.h>

namespace romshelf {

QtProcessRunner::QtProcessRunner(QObject* parent) : QObject(parent) {
    timer_.setInterval(200);
    connect(&timer_, &QTimer::timeout, this, &QtProcessRunner::poll);
}

std::optional<int> QtProcessRunner::start(const std::vector<std::string>& argv,
                                          const std::string& workingFolder) {
    const std::optional<int> pid = PosixProcessRunner::spawn(argv, workingFolder);
    if (pid) {
        children_[*pid] = {};
        timer_.start();
    }
    return pid;
}

void QtProcessRunner::whenFinished(int pid, std::function<void(int)> then) {
    children_[pid] = std::move(then);
    timer_.start();
}

void QtProcessRunner::terminate(int pid) {
    if (pid > 0 && children_.count(pid)) ::kill(pid, SIGTERM);
}

void QtProcessRunner::poll() {
    for (auto it = children_.begin(); it != children_.end();) {
        const std::optional<int> code = PosixProcessRunner::poll(it->first);
        if (!code) {
            ++it;
            continue;
        }
        auto then = std::move(it->second);
        it = children_.erase(it);
        if (then) then(*code);  // may start or watch further processes
        it = children_.begin();
    }
    if (children_.empty()) timer_.stop();
}

}  // namespace romshelf
