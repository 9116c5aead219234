#include "core/platform/ProcessRunner.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "LaunchFixture.h"
#include "TempFolder.h"

namespace romshelf::test {
namespace {

// What the stand-in wrote to "<path>.fds": its descriptors and what each leads to.
std::map<int, std::string> descriptorsOf(const TempFolder& dir, const std::string& name) {
    std::istringstream lines(dir.read(name + ".fds"));
    std::map<int, std::string> fds;
    std::string line;
    std::getline(lines, line);  // its pid
    while (std::getline(lines, line)) {
        const std::size_t space = line.find(' ');  // the target may hold blanks itself
        if (space != std::string::npos)
            fds[std::stoi(line.substr(0, space))] = line.substr(space + 1);
    }
    return fds;
}

// Our own standard descriptors, as a program that inherits them sees them.
std::map<int, std::string> ourStdio() {
    std::map<int, std::string> fds;
    for (int fd = 0; fd < 3; ++fd) {
        char target[4096] = {0};
        const std::string link = "/proc/self/fd/" + std::to_string(fd);
        const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
        if (n > 0) fds[fd] = std::string(target, static_cast<std::size_t>(n));
    }
    return fds;
}

TEST(ProcessRunner, AProgramGetsOnlyTheStandardDescriptors) {
    TempFolder dir;
    // Descriptors without close-on-exec, as a caller's pipe or a library's file would be.
    int leaked[2] = {-1, -1};
    ASSERT_EQ(::pipe(leaked), 0);
    ASSERT_GE(::dup2(leaked[1], 251), 0);
    const struct {
        ChildStdio stdio;
        std::map<int, std::string> expected;
    } cases[] = {
        {ChildStdio::Null, {{0, "/dev/null"}, {1, "/dev/null"}, {2, "/dev/null"}}},
        {ChildStdio::Inherited, ourStdio()},
    };
    for (const auto& c : cases) {
        const std::string emu = installRecorder(dir.file("emu-fds"));
        std::filesystem::remove(emu + ".fds");
        PosixProcessRunner runner(c.stdio);
        const std::optional<int> pid = runner.start({emu}, dir.path());
        ASSERT_TRUE(pid.has_value());
        int exitCode = -1;
        runner.whenFinished(*pid, [&](int code) { exitCode = code; });
        EXPECT_EQ(exitCode, 0);
        EXPECT_EQ(descriptorsOf(dir, "emu-fds"), c.expected) << static_cast<int>(c.stdio);
    }
    ::close(251);
    ::close(leaked[0]);
    ::close(leaked[1]);
}

}  // namespace
}  // namespace romshelf::test
