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
// instead of hanging.
template <class T>
void withModal(const std::function<void()>& open, const std::function<void(T&)>& use) {
    bool used = false;
    QTimer timer;
    const QDeadlineTimer deadline(30000);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto* shown = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!shown || !shown->isVisible()) return;
        timer.stop();
        if (deadline.hasExpired()) {
            shown->close();
            return;
        }
        used = true;
        use(*shown);
    });
    timer.start(10);
    open();
    EXPECT_TRUE(used) << "no " << T::staticMetaObject.className() << " was shown in time";
}

}  // namespace romshelf::test
