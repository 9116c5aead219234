#include "qt/platform/QtProcessRunner.h"

#include <signal.h>

namespace romshelf {

QtProcessRunner::QtProcessRunner(QObject* parent) : QObject(parent) {
    timer_.setInterval(200);
    connect(&timer_, &QTimer::timeout, this, &QtProcessRunner::poll);
}

// Programs still running go on; their error output goes on being read by drainers.
QtProcessRunner::~QtProcessRunner() = default;

std::optional<int> QtProcessRunner::start(const std::vector<std::string>& argv,
                                          const std::string& workingFolder) {
    std::optional<ErrorCapture> errors = ErrorCapture::open();
    const std::optional<int> pid = PosixProcessRunner::spawn(
        argv, workingFolder, ChildStdio::Inherited, -1, errors ? errors->writeEnd() : -1);
    if (errors) errors->closeWriteEnd();
    if (!pid) return pid;
    Child& child = children_[*pid];
    child.then = {};
    if (errors) {
        child.readable =
            std::make_unique<QSocketNotifier>(errors->readEnd(), QSocketNotifier::Read);
        connect(child.readable.get(), &QSocketNotifier::activated, this,
                [this, p = *pid] { readErrors(p); });
        child.errors = std::move(errors);
    }
    timer_.start();
    return pid;
}

void QtProcessRunner::whenFinished(int pid, std::function<void(const ProcessEnd&)> then) {
    children_[pid].then = std::move(then);
    timer_.start();
}

void QtProcessRunner::terminate(int pid) {
    if (pid > 0 && children_.count(pid)) ::kill(pid, SIGTERM);
}

void QtProcessRunner::kill(int pid) {
    if (pid > 0 && children_.count(pid)) ::kill(pid, SIGKILL);
}

void QtProcessRunner::readErrors(int pid) {
    const auto it = children_.find(pid);
    if (it == children_.end() || !it->second.errors) return;
    // At the end of the pipe the notifier would fire for ever; it goes with the child.
    if (!it->second.errors->read()) it->second.readable->setEnabled(false);
}

void QtProcessRunner::poll() {
    for (auto it = children_.begin(); it != children_.end();) {
        std::optional<ProcessEnd> end = PosixProcessRunner::poll(it->first);
        if (!end) {
            ++it;
            continue;
        }
        Child child = std::move(it->second);
        it = children_.erase(it);
        child.readable.reset();
        if (child.errors) {
            // A drainer is a child of ours too, reaped like any other.
            if (const std::optional<int> drainer = child.errors->finish()) children_[*drainer] = {};
            end->errorLines = child.errors->tail().lines();
        }
        if (child.then) child.then(*end);  // may start or watch further processes
        it = children_.begin();
    }
    if (children_.empty()) timer_.stop();
}

}  // namespace romshelf
