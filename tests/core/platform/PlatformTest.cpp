#include "core/platform/FileSystem.h"
#include "core/platform/PendingFile.h"
#include "core/platform/ProcessRunner.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <tuple>

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

// Every way a move may go, through the plain move and through the copy taken across file
// systems; a move that does not happen leaves both names as they were.
TEST(MoveFileNoReplace, NeverReplacesAFileAndLeavesTheSourceWhenItCannotMove) {
    TempFolder dir, shm("/dev/shm");
    struct stat tmpFs {
    }, shmFs{};
    const bool otherFs = ::stat(dir.path().c_str(), &tmpFs) == 0 &&
                         ::stat(shm.path().c_str(), &shmFs) == 0 && tmpFs.st_dev != shmFs.st_dev;
    const std::string readOnly = dir.makeFolder("read-only");
    ::chmod(readOnly.c_str(), 0555);  // no help when run as root: /proc/ is read-only for all
    const bool root = ::geteuid() == 0;
    const std::string bytes = std::string(3 << 20, 'R') + "end";
    using Mover = fs::MoveResult (*)(const std::string&, const std::string&);
    const std::pair<const char*, Mover> movers[] = {{"plain", fs::moveFileNoReplace},
                                                    {"copy", fs::detail::moveByCopy}};
    const struct {
        const char* name;
        std::string to;  // "" : the name is taken by a file of other bytes
        bool hasSource = true;
        fs::MoveResult expected = fs::MoveResult::Moved;
        bool run = true;
    } cases[] = {{"same folder", dir.file("new [1]*?.nes")},
                 {"other folder", dir.makeFolder("sub") + "new.nes"},
                 {"other file system", shm.file("new.nes"), true, fs::MoveResult::Moved, otherFs},
                 {"name taken", "", true, fs::MoveResult::TargetExists},
                 {"source missing", dir.file("new.nes"), false, fs::MoveResult::Failed},
                 {"read-only folder", readOnly + "new.nes", true, fs::MoveResult::Failed, !root},
                 {"proc", "/proc/new.nes", true, fs::MoveResult::Failed},
                 {"missing folder", dir.file("none/new.nes"), true, fs::MoveResult::Failed}};
    for (const auto& [how, move] : movers) {
        for (const auto& c : cases) {
            if (!c.run) continue;
            SCOPED_TRACE(std::string(how) + ": " + c.name);
            const std::string from = dir.file("old.nes"), to = c.to.empty() ? dir.file("t") : c.to;
            std::filesystem::remove(from);
            if (c.hasSource) ::chmod(dir.write("old.nes", bytes).c_str(), 0640);
            if (c.to.empty()) dir.write("t", "taken");
            EXPECT_EQ(move(from, to), c.expected);
            if (c.expected == fs::MoveResult::Moved) {
                EXPECT_FALSE(std::filesystem::exists(from));
                EXPECT_TRUE(fs::readFile(to) == bytes);  // not printed: three chunks of copying
                EXPECT_EQ(std::filesystem::status(to).permissions(), std::filesystem::perms(0640));
                std::filesystem::remove(to);
            } else if (c.hasSource) {
                EXPECT_TRUE(fs::readFile(from) == bytes);
                if (c.to.empty()) {
                    EXPECT_EQ(dir.read("t"), "taken");
                }
            }
            std::size_t left = 0;  // no temporary file stays behind a move that returned
            for (const std::string& folder : {dir.path(), shm.path(), readOnly})
                for (const auto& entry : fs::listDirectory(folder))
                    left += isPendingFileName(entry.name);
            EXPECT_EQ(left, 0u);
        }
    }
    // Only a regular file moves; a FIFO is not even opened.
    const std::string fifo = dir.file("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const auto& [how, move] : movers)
        EXPECT_EQ(move(fifo, dir.file("moved")), fs::MoveResult::Failed) << how;
    EXPECT_FALSE(std::filesystem::exists(dir.file("moved")));
}

TEST(SyncFileSystems, FlushesFoldersAndFailsForWhatIsNoFolder) {
    TempFolder dir;
    dir.makeFolder("a");
    EXPECT_TRUE(fs::syncFileSystems({dir.path(), dir.file("a")}));
    EXPECT_FALSE(fs::syncFileSystems({dir.path(), dir.file("missing")}));
    EXPECT_FALSE(fs::syncFileSystems({dir.write("file", "x")}));
}

// The kernel's own names for the file systems (linux/magic.h): the shared ones are network file
// systems, the local disks, tmpfs and an overlay are not. A share cannot be mounted here; a
// local disk and tmpfs are found local, a file not made yet by its folder.
TEST(NetworkFileSystem, SharedFileSystemsAreToldFromLocalOnes) {
    for (const std::uint64_t shared : std::initializer_list<std::uint64_t>{
             NFS_SUPER_MAGIC, SMB_SUPER_MAGIC, SMB2_SUPER_MAGIC, CIFS_SUPER_MAGIC, FUSE_SUPER_MAGIC,
             V9FS_MAGIC, AFS_SUPER_MAGIC, CEPH_SUPER_MAGIC})
        EXPECT_TRUE(fs::isNetworkFileSystemType(shared)) << std::hex << shared;
    for (const std::uint64_t local : std::initializer_list<std::uint64_t>{
             EXT4_SUPER_MAGIC, BTRFS_SUPER_MAGIC, XFS_SUPER_MAGIC, TMPFS_MAGIC,
             OVERLAYFS_SUPER_MAGIC, MSDOS_SUPER_MAGIC})
        EXPECT_FALSE(fs::isNetworkFileSystemType(local)) << std::hex << local;

    TempFolder dir, shm("/dev/shm");
    for (const std::string& path :
         {dir.path(), dir.write("file", "x"), dir.file("not yet"), shm.path(), shm.file("not yet")})
        EXPECT_FALSE(fs::isNetworkFileSystem(path)) << path;
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
        runner.whenFinished(*pid, [&](const ProcessEnd& end) { exitCode = end.status(); });
        EXPECT_EQ(exitCode, 0);
        EXPECT_EQ(descriptorsOf(emu).fds, expected) << emu;
    }
    for (int fd : {251, leaked[0], leaked[1]}) ::close(fd);
}

// The end of a program's error output: its last ten lines that say anything, without control
// characters; a line whose beginning was dropped with the oldest bytes is left out.
TEST(OutputTail, KeepsTheLastLinesOfTheLastBytes) {
    OutputTail tail;
    for (int i = 1; i <= 12; ++i) tail.append("l" + std::to_string(i) + "\n");
    tail.append("\x1b[1mred\x1b[0m\tend\r\n   \n");
    tail.append("last, no");
    tail.append(" line end");
    EXPECT_EQ(tail.lines(),
              (std::vector<std::string>{"l5", "l6", "l7", "l8", "l9", "l10", "l11", "l12",
                                        "[1mred[0m\tend", "last, no line end"}));
    for (const std::size_t before : {std::size_t{4092}, std::size_t{9000}}) {
        OutputTail cut;
        cut.append("early\n" + std::string(before, 'x') + "\nkept\n");
        EXPECT_EQ(cut.lines(), std::vector<std::string>{"kept"}) << before;
    }
}

// A captured program's end: its status as a shell tells it, and its last error lines.
TEST(ProcessRunner, AWaitedProgramsEndComesWithItsLastErrorLines) {
    TempFolder dir;
    const std::string emu = installRecorder(dir.file("emu"));
    const std::tuple<std::vector<std::string>, int, std::vector<std::string>, std::string> cases[] =
        {
            // arguments, status, error lines, signal name
            {{"--stderr", "no ROM", "--exit", "3"}, 3, {"no ROM"}, ""},
            {{"--stderr", "x", "--signal", "8"}, 128 + 8, {"x"}, "SIGFPE"},
            {{"--signal", "11"}, 128 + 11, {}, "SIGSEGV"},
            {{"--sleep", "200"}, 0, {}, ""},
        };
    PosixProcessRunner runner(ChildStdio::Null);
    runner.captureErrors(true);
    for (const auto& [args, status, lines, name] : cases) {
        std::vector<std::string> argv{emu};
        argv.insert(argv.end(), args.begin(), args.end());
        const std::optional<int> pid = runner.start(argv, dir.path());
        ASSERT_TRUE(pid.has_value());
        ProcessEnd end;
        runner.whenFinished(*pid, [&](const ProcessEnd& e) { end = e; });
        EXPECT_EQ(std::tuple(end.status(), end.failed(), end.errorLines,
                             signalName(end.signal.value_or(0))),
                  std::tuple(status, status != 0, lines, name))
            << args[1];
    }
}

}  // namespace
}  // namespace romshelf::test
