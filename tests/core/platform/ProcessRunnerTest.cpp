#include "core/platform/ProcessRunner.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "ProcessProbe.h"
#include "TempFolder.h"

namespace romshelf::test {

TEST(ProcessRunner, AProgramGetsOnlyTheStandardDescriptors) {
    TempFolder dir;
    // A descriptor without close-on-exec, as a caller's pipe or a library's file would be.
    int leaked[2];
    ASSERT_EQ(::pipe(leaked), 0);
    ASSERT_GE(::dup2(leaked[1], 251), 0);
    std::map<int, std::string> null, ours;  // ours: as a program that inherits them sees them
    for (int fd = 0; fd < 3; ++fd) {
        null[fd] = "/dev/null";
        std::error_code ec;
        const auto target =
            std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(fd), ec);
        if (!ec) ours[fd] = target;
    }
    for (const auto& [stdio, expected] :
         {std::pair{ChildStdio::Null, null}, {ChildStdio::Inherited, ours}}) {
        const std::string emu =
            installRecorder(dir.file(stdio == ChildStdio::Null ? "null-fds" : "our-fds"));
        PosixProcessRunner runner(stdio);
        const std::optional<int> pid = runner.start({emu}, dir.path());
        ASSERT_TRUE(pid.has_value());
        int exitCode = -1;
        runner.whenFinished(*pid, [&](int code) { exitCode = code; });
        EXPECT_EQ(exitCode, 0);
        EXPECT_EQ(descriptorsOf(emu).fds, expected) << emu;
    }
    for (int fd : {251, leaked[0], leaked[1]}) ::close(fd);
}

}  // namespace romshelf::test
