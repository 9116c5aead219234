// The window's process runner: ends come from the event loop with the last lines of the error
// output, which is read as it comes and goes on being read after the runner is gone.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <string>

#include "LaunchFixture.h"
#include "ProcessProbe.h"
#include "qt/platform/EventLoopWatch.h"
#include "qt/platform/QtProcessRunner.h"

using namespace romshelf;

namespace {

TEST(QtProcessRunner, TheEndComesFromTheEventLoopWithTheLastErrorLines) {
    test::TempFolder dir;
    const std::string emu = test::installRecorder(dir.file("emu"));
    QtProcessRunner runner;
    EXPECT_TRUE(runner.watchesInBackground());
    // More than a pipe holds: a runner that did not read it as it came would wait for ever.
    const std::optional<int> pid = runner.start(
        {emu, "--stderr", std::string(100000, 'x'), "--stderr", "tail", "--exit", "5"}, dir.path());
    ASSERT_TRUE(pid.has_value());
    std::optional<ProcessEnd> end;
    runner.whenFinished(*pid, [&](const ProcessEnd& e) { end = e; });
    EXPECT_FALSE(end.has_value());  // not before the event loop has seen it end
    ASSERT_TRUE(QTest::qWaitFor([&] { return end.has_value(); }, 20000));
    EXPECT_EQ(std::tuple(end->exitCode, end->signal, end->errorLines),
              std::tuple(std::optional(5), std::optional<int>(), std::vector<std::string>{"tail"}));
}

// A program still running when the runner goes (the program quits while a game runs) does not
// die of a closed pipe when it writes to its error output later.
TEST(QtProcessRunner, AProgramThatOutlivesTheRunnerStillWritesItsErrors) {
    test::TempFolder dir;
    const std::string emu = test::installRecorder(dir.file("emu"));
    std::optional<int> pid;
    {
        QtProcessRunner runner;
        pid = runner.start({emu, "--sleep", "300", "--stderr", "late", "--exit", "7"}, dir.path());
        ASSERT_TRUE(pid.has_value());
    }
    EXPECT_EQ(test::waitExit(*pid), 7);  // 128 + SIGPIPE when nobody read the pipe
}

// The watch sees a pass that keeps the loop busy, and the work before the loop first waits.
TEST(EventLoopWatch, TheLongestPassIsTheOneThatKeptTheLoopBusy) {
    QElapsedTimer started;
    started.start();
    EventLoopWatch watch;
    // The loop as exec() runs it: waiting for events between passes.
    const auto runLoop = [](int ms) {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    };
    QThread::msleep(120);  // as a start-up before the loop runs
    runLoop(50);
    EXPECT_GE(watch.longestPassMs(), 120);
    EventLoopWatch later;
    QTimer::singleShot(20, [] { QThread::msleep(250); });
    runLoop(400);
    EXPECT_GE(later.longestPassMs(), 250);
    EXPECT_LT(later.longestPassMs(), started.elapsed());
    EXPECT_GT(later.passes(), 1);
}

}  // namespace
