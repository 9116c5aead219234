#pragma once

#include <QObject>
#include <QTimer>
#include <functional>
#include <map>

#include "core/platform/ProcessRunner.h"

namespace romshelf {

// Starts programs like the POSIX runner, and learns of their end from the event loop, so the
// window stays alive while an emulator runs. Programs that are not watched are reaped as well.
class QtProcessRunner : public QObject, public ProcessRunner {
    Q_OBJECT
public:
    explicit QtProcessRunner(QObject* parent = nullptr);

    std::optional<int> start(const std::vector<std::string>& argv,
                             const std::string& workingFolder) override;
    void whenFinished(int pid, std::function<void(int exitCode)> then) override;
    void terminate(int pid) override;

private:
    void poll();

    QTimer timer_;
    std::map<int, std::function<void(int)>> children_;  // an empty function: just reap it
};

}  // namespace romshelf
