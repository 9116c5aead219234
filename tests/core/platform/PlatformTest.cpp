#include "core/platform/FileSystem.h"
#include "core/platform/ProcessRunner.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "ProcessProbe.h"
#include "TempFolder.h"
#include "core/storage/DataStream.h"

namespace romshelf::test {
namespace {

// The bytes a reader read from a path (the text in them, for the data stream), or nullopt when
// it refused the path.
using Read = std::optional<std::string>;
const struct {
    const char* name;
    Read (*read)(const std::string& path, const TempFolder& dir);
    bool readsText = false;
} kReaders[] = {
    {"fs::readFile", [](const std::string& path, const TempFolder&) { return fs::readFile(path); }},
    {"fs::openRegularFile",
     [](const std::string& path, const TempFolder&) -> Read {
         const int fd = fs::openRegularFile(path);
         std::string bytes(64, '\0');
         const ssize_t n = fd < 0 ? -1 : ::read(fd, bytes.data(), bytes.size());
         if (fd >= 0) ::close(fd);
         return n < 0 ? std::nullopt : Read(bytes.substr(0, static_cast<std::size_t>(n)));
     }},
    {"fs::copyFile",
     [](const std::string& path, const TempFolder& dir) -> Read {
         std::filesystem::remove(dir.file("copy"));
         if (fs::copyFile(path, dir.file("copy"))) return dir.read("copy");
         EXPECT_FALSE(std::filesystem::exists(dir.file("copy")));
         return std::nullopt;
     }},
    {"DataStream::openForReading",
     [](const std::string& path, const TempFolder&) -> Read {
         DataStream stream;
         return stream.openForReading(path) ? Read(stream.readRawString()) : std::nullopt;
     },
     true}};

TEST(RegularFilesOnly, FilesAndLinksToThemAreReadAndAnythingElseRefusedWithoutWaiting) {
    TempFolder dir;
    const std::string fifo = dir.file("RomData_FC.slb");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_symlink(fifo, dir.file("link-to-fifo.slb"));
    // A length-prefixed text, so that the data stream reads the same bytes back.
    const std::string bytes("\x04\x00\x00\x00text\x00", 9), file = dir.write("data.slb", bytes);
    std::filesystem::create_symlink(file, dir.file("link.slb"));
    const std::string refused[] = {fifo,
                                   dir.file("link-to-fifo.slb"),
                                   dir.makeFolder("folder.slb"),
                                   "/dev/null",
                                   "/dev/zero",
                                   dir.file("missing.slb"),
                                   ""};
    for (const auto& reader : kReaders) {
        for (const std::string& path : {file, dir.file("link.slb")})
            EXPECT_EQ(reader.read(path, dir), reader.readsText ? "text" : bytes)
                << reader.name << " " << path;
        for (const std::string& path : refused) {
            Read read;
            EXPECT_TRUE(finishesWithoutAWriter(fifo, [&] { read = reader.read(path, dir); }))
                << reader.name << " waited on " << path;
            EXPECT_FALSE(read.has_value()) << reader.name << " read " << path;
        }
    }
    // A descriptor handed out reads the blocking way, as every reader expects.
    const int fd = fs::openRegularFile(file);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(::fcntl(fd, F_GETFL) & O_NONBLOCK, 0);
    EXPECT_NE(::fcntl(fd, F_GETFD) & FD_CLOEXEC, 0);
    ::close(fd);
}

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

}  // namespace
}  // namespace romshelf::test
