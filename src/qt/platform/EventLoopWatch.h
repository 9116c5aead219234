#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

namespace romshelf {

// Measures how long the event loop went without answering: a timer that fires every few
// milliseconds while the loop is free notes the longest gap between two of its ticks. For checking
// that long work (a large list's build) leaves the window responsive: `romshelf` keeps one when
// ROMSHELF_EVENT_LOOP_STATS is set and prints the longest gap at its end.
class EventLoopWatch : public QObject {
public:
    // Watches the current thread's event loop; the first gap starts now (what runs before the
    // loop does, the window's start, counts).
    EventLoopWatch();

    // The longest gap so far in milliseconds, and how many ticks there were.
    qint64 longestPassMs() const { return longest_; }
    qint64 passes() const { return ticks_; }

private:
    QTimer timer_;
    QElapsedTimer sinceTick_;
    qint64 longest_ = 0;
    qint64 ticks_ = 0;
};

}  // namespace romshelf
