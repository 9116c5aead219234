#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <sstream>

#include "cli/TerminalProgress.h"

using romshelf::cli::TerminalProgress;

namespace {

// A loop of two items that the user interrupts with Ctrl+C; what it printed.
std::string run(int fd) {
    std::ostringstream out;
    struct sigaction before {};
    sigaction(SIGINT, nullptr, &before);
    {
        TerminalProgress progress(out, fd);
        progress.begin("整理", 2, romshelf::kDoneOfTotal);
        progress.step(1, "Game");
        ::raise(SIGINT);  // caught: the test goes on
        EXPECT_TRUE(progress.cancelRequested());
        progress.clearCancelRequest();
        EXPECT_FALSE(progress.cancelRequested());
        progress.end();
    }
    struct sigaction after {};
    sigaction(SIGINT, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);
    return out.str();
}

}  // namespace

TEST(TerminalProgress, ALineRewrittenOnATerminalAndNothingElsewhere) {
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    EXPECT_EQ(run(pipeFds[1]), "");
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);

    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const int terminal = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
    ASSERT_GE(terminal, 0);
    EXPECT_EQ(run(terminal), "\r\x1b[K整理 1/2 Game\r\x1b[K");
    ::close(terminal);
    ::close(master);
}
