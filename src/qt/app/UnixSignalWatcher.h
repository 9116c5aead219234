#pragma once

#include <QObject>

class QSocketNotifier;

namespace romshelf {

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the user-interface thread, so that the
// main frame closes the normal way and everything is saved.
class UnixSignalWatcher : public QObject {
    Q_OBJECT
public:
    explicit UnixSignalWatcher(QObject* parent = nullptr);
    ~UnixSignalWatcher() override;

Q_SIGNALS:
    void terminationRequested(int signalNumber);

private:
    void readSignal();
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace romshelf
