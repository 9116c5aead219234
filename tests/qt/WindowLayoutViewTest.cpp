#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <QTest>

#include "AppFixture.h"
#include "qt/app/CMainFrame.h"
#include "qt/app/CommandIds.h"
#include "qt/app/MainMenu.h"
#include "qt/app/ToolWindowFrame.h"

using namespace romshelf;

namespace {

struct WindowLayoutViewTest : romshelf::test::AppFixture {
    std::unique_ptr<CMainFrame> frame;
    WindowLayoutViewTest() {
        frame = std::make_unique<CMainFrame>(app);
        frame->startUp();
    }
    void trigger(int id) { frame->mainMenu()->action(id)->trigger(); }
    ToolWindowFrame* snap() { return frame->toolWindow(kSlotSnap); }
    // Drags the window by its title bar: a hover (the frame learns what a press there grabs),
    // the press, a move with the button held, the release.
    void drag(ToolWindowFrame* w, QPoint by) {
        const QPoint grip(w->width() / 2, 8);
        auto send = [w](QEvent::Type type, QPoint at, Qt::MouseButton button,
                        Qt::MouseButtons held) {
            QMouseEvent e(type, at, w->mapToGlobal(at), button, held, {});
            QApplication::sendEvent(w, &e);
        };
        send(QEvent::MouseMove, grip, Qt::NoButton, Qt::NoButton);
        send(QEvent::MouseButtonPress, grip, Qt::LeftButton, Qt::LeftButton);
        send(QEvent::MouseMove, grip + by, Qt::NoButton, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, grip + by, Qt::LeftButton, Qt::NoButton);
        QApplication::processEvents();
    }
};

}  // namespace

TEST_F(WindowLayoutViewTest, LockedWindowsStayWhereTheyAreWhateverMovesThem) {
    snap()->move(100, 90);
    QAction* lock = frame->mainMenu()->action(cmd::LockWindowPositions);
    trigger(cmd::LockWindowPositions);
    EXPECT_TRUE(lock->isChecked());
    drag(snap(), {40, 30});
    snap()->move(5, 5);
    snap()->resize(500, 400);
    EXPECT_EQ(snap()->geometry(), QRect(100, 90, 328, 263));

    // Resetting moves them all the same, and they stay locked at their new places.
    prompter.answer(true);
    trigger(cmd::ResetWindowPositions);
    EXPECT_EQ(snap()->pos(), QPoint(72, 72));
    snap()->move(200, 200);
    EXPECT_EQ(snap()->pos(), QPoint(72, 72));

    trigger(cmd::LockWindowPositions);
    EXPECT_FALSE(lock->isChecked());
    drag(snap(), {40, 30});
    EXPECT_EQ(snap()->pos(), QPoint(112, 102));
}

TEST_F(WindowLayoutViewTest, RestoreMovesTheToolWindowsAndLeavesTheFrame) {
    snap()->setGeometry(30, 40, 300, 200);
    prompter.answer(true);
    trigger(cmd::StoreWindowPositions);
    snap()->setGeometry(0, 0, 200, 100);
    const QRect main = frame->geometry();
    prompter.answer(true);
    trigger(cmd::RestoreWindowPositions);
    EXPECT_EQ(snap()->geometry(), QRect(30, 40, 300, 200));
    EXPECT_EQ(frame->geometry(), main);
    EXPECT_TRUE(prompter.allAnswersUsed());
}
