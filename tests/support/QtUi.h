#pragma once

#include <gtest/gtest.h>

#include <functional>

#include <QAbstractItemView>
#include <QApplication>
#include <QDeadlineTimer>
#include <QTest>
#include <QTimer>

namespace romshelf::test {

// Clicks row `row` of `view` in its first column, as the user would.
inline void clickRow(QAbstractItemView* view, int row, Qt::MouseButton button = Qt::LeftButton,
                     Qt::KeyboardModifiers keys = {}) {
    QTest::mouseClick(view->viewport(), button, keys,
                      view->visualRect(view->model()->index(row, 0)).center());
}

// Runs `open`, and `use` on the modal T it shows, from inside the dialog's own loop. Waits for it
// a good while (a loaded machine builds a file dialog slowly), then gives up: a dialog that never
// opens fails the test, and one that opens after that is closed unused, so that the test fails
// instead of hanging. A dialog still open a second after `use` (a file dialog refuses to accept a
// file its folder listing has not read yet) is given to `use` again, and closed at the deadline.
template <class T>
void withModal(const std::function<void()>& open, const std::function<void(T&)>& use) {
    int uses = 0;
    QTimer timer;
    const QDeadlineTimer deadline(30000);
    QDeadlineTimer again;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto* shown = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!shown || !shown->isVisible()) return;
        if (deadline.hasExpired()) {
            timer.stop();
            shown->close();
            return;
        }
        if (uses > 0 && !again.hasExpired()) return;
        ++uses;
        again.setRemainingTime(1000);
        use(*shown);
    });
    timer.start(10);
    open();
    timer.stop();
    EXPECT_GT(uses, 0) << "no " << T::staticMetaObject.className() << " was shown in time";
}

}  // namespace romshelf::test
