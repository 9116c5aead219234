// The window's process runner: ends come from the event loop with the last lines of the error
// output, which is read as it comes and goes on being read after the runner is gone.
#include <gtest/gtest.h>

#include <QTest>
#include <string>

#include "LaunchFixture.h"
#include "ProcessProbe.h"
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

}  // namespace
