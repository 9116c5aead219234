#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>

#include "core/platform/ProcessRunner.h"

namespace romshelf {

// Starts programs like the POSIX runner, and learns of their end from the event loop, so the
// window stays alive while an emulator runs. Programs that are not watched are reaped as well.
// A program's error output is read from a pipe as it comes (never onto our terminal), and its
// last lines come with its end.
class QtProcessRunner : public QObject, public ProcessRunner {
    Q_OBJECT
public:
    explicit QtProcessRunner(QObject* parent = nullptr);
    ~QtProcessRunner() override;

    std::optional<int> start(const std::vector<std::string>& argv,
                             const std::string& workingFolder) override;
    void whenFinished(int pid, std::function<void(const ProcessEnd&)> then) override;
    bool watchesInBackground() const override { return true; }
    void terminate(int pid) override;
    void kill(int pid) override;

private:
    struct Child {
        std::function<void(const ProcessEnd&)> then;  // empty: just reap it
        std::optional<ErrorCapture> errors;
        std::unique_ptr<QSocketNotifier> readable;
    };
    void poll();
    void readErrors(int pid);

    QTimer timer_;
    std::map<int, Child> children_;
};

}  // namespace romshelf
