#include "core/platform/WriterLock.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "TempFolder.h"

namespace romshelf::test {
namespace {

TEST(WriterLock, OneHolderAtATimeAndTheOthersLearnWho) {
    TempFolder dir;
    const std::string path = dir.file("romshelf.lock");
    WriterLock window(path), command(path);
    ASSERT_EQ(window.tryAcquire("romshelf"), WriterLock::Result::Acquired);
    // Two holders in one process exclude each other too.
    EXPECT_EQ(command.tryAcquire("romshelf-cli set"), WriterLock::Result::Held);
    EXPECT_EQ(command.holder().pid, static_cast<long>(::getpid()));
    EXPECT_EQ(command.holder().role, "romshelf");
    EXPECT_EQ(describeHolder(command.holder()),
              "the window (romshelf, process " + std::to_string(::getpid()) + ")");
    int waited = 0;
    EXPECT_EQ(command.acquire(
                  "romshelf-cli set", 150, [&](const WriterLock::Holder&) { ++waited; }, 20),
              WriterLock::Result::Held);
    EXPECT_EQ(waited, 1);  // told once, however often it looked
    window.release();
    EXPECT_EQ(command.tryAcquire("romshelf-cli set"), WriterLock::Result::Acquired);
    EXPECT_EQ(window.tryAcquire("romshelf"), WriterLock::Result::Held);
    EXPECT_EQ(describeHolder(window.holder()),
              "another command (romshelf-cli set, process " + std::to_string(::getpid()) + ")");

    WriterLock nowhere(dir.file("missing/romshelf.lock"));
    EXPECT_EQ(nowhere.tryAcquire("romshelf"), WriterLock::Result::Failed);
}

// The kernel drops the lock of a process that dies, whatever killed it: no stale lock.
TEST(WriterLock, AHolderKilledLeavesNoLockBehind) {
    TempFolder dir;
    const std::string path = dir.file("romshelf.lock");
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        WriterLock lock(path);
        const char ok = lock.tryAcquire("romshelf-cli rename") == WriterLock::Result::Acquired;
        [[maybe_unused]] const ssize_t n = ::write(ready[1], &ok, 1);
        ::pause();
        ::_exit(0);
    }
    char ok = 0;
    ASSERT_EQ(::read(ready[0], &ok, 1), 1);
    ASSERT_TRUE(ok);
    WriterLock mine(path);
    EXPECT_EQ(mine.tryAcquire("romshelf"), WriterLock::Result::Held);
    EXPECT_EQ(mine.holder().pid, static_cast<long>(child));
    EXPECT_EQ(mine.holder().role, "romshelf-cli rename");
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_EQ(mine.tryAcquire("romshelf"), WriterLock::Result::Acquired);
    ::close(ready[0]);
    ::close(ready[1]);
}

}  // namespace
}  // namespace romshelf::test
