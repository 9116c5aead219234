// Runs the real programs as a caller would: romshelf-cli's output and descriptors stay its own,
// and a FIFO where a file is expected holds up neither program.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

#include "DataFileFixtures.h"
#include "LaunchFixture.h"
#include "core/launch/EmulatorEntry.h"

using namespace romshelf;

namespace {

using Clock = std::chrono::steady_clock;
// Far longer than any of these runs takes; only there so that a hang fails instead of waiting.
constexpr auto kGuard = std::chrono::seconds(20);

std::string cliPath() {
    const char* dir = std::getenv("ROMSHELF_BIN_DIR");
    return std::string(dir ? dir : "build/bin") + "/romshelf-cli";
}

// romshelf-cli with its standard output into a pipe, as `x=$(romshelf-cli …)` runs it.
struct CliRun {
    pid_t pid = -1;
    int out = -1;  // the pipe's read end
};

// `handedOver`, when given, reaches the program as descriptor 251 without close-on-exec: a
// descriptor of the caller's that was not meant for it.
CliRun startCli(const std::vector<std::string>& args, int handedOver = -1) {
    std::vector<std::string> all = {cliPath()};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return {};
    const int devNull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(devNull, 0);
        ::dup2(out[1], 1);
        ::dup2(devNull, 2);
        if (handedOver >= 0) ::dup2(handedOver, 251);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(devNull);
    return {pid, out[0]};
}

// Reads the pipe to its end; nullopt when it is still open when the guard runs out.
std::optional<std::string> readToEnd(int fd) {
    std::string text;
    const auto end = Clock::now() + kGuard;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
        if (left.count() <= 0) return std::nullopt;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
        char buffer[4096];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0) return text;
        text.append(buffer, static_cast<std::size_t>(n));
    }
}

// The exit status; -1 when the program had to be killed.
int waitExit(pid_t pid) {
    const auto end = Clock::now() + kGuard;
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) != pid) {
        if (Clock::now() > end) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// The stand-in's "<path>.fds": its pid and its descriptors with what each leads to.
struct Descriptors {
    pid_t pid = -1;
    std::map<int, std::string> fds;
};
Descriptors descriptorsOf(const std::string& emulator) {
    const auto found = romshelf::test::readRecord(emulator, 10000);
    Descriptors d;
    if (!found.ran) return d;
    std::ifstream in(emulator + ".fds");
    std::string line;
    if (std::getline(in, line) && line.rfind("pid ", 0) == 0) d.pid = std::stoi(line.substr(4));
    while (std::getline(in, line)) {
        const std::size_t space = line.find(' ');  // the target may hold blanks itself
        if (space != std::string::npos)
            d.fds[std::stoi(line.substr(0, space))] = line.substr(space + 1);
    }
    return d;
}

// A program folder with MD set up: ROM folder 0 is ./roms/, the only emulator a stand-in that
// stays running and records its descriptors.
struct CliProcess : romshelf::test::DataFileTest {
    void SetUp() override {
        romshelf::test::RawFolderStrings folders{};
        folders[1] = "./roms/";
        dir.write("data/Folder_MD.slb", romshelf::test::rawFolderFile(folders));
        EmulatorEntries entries{};
        entries[0].name = "Gens";
        entries[0].executable = emulator;
        entries[0].commandLine = "$P";
        ASSERT_TRUE(saveEmulatorFile(stream, dir.file("data/Emulator_MD.slb"), entries));
    }
    std::vector<std::string> launch(const std::string& file) const {
        return {"launch", "--program-folder", dir.path(), "--hardware",
                "MD",     "--folder",         "0",        file};
    }

    const std::string emulator = romshelf::test::installRecorder(dir.file("emu/gens-stay-fds"));
};

}  // namespace

TEST_F(CliProcess, ACallerReadingTheOutputIsNotHeldUpByTheGameNorHandsItsDescriptorsOn) {
    dir.write("roms/Sonic.md", "x");
    int handed[2];
    ASSERT_EQ(::pipe2(handed, O_CLOEXEC), 0);
    const CliRun cli = startCli(launch("Sonic.md"), handed[1]);
    ::close(handed[1]);
    ASSERT_GT(cli.pid, 0);

    const std::optional<std::string> out = readToEnd(cli.out);
    ::close(cli.out);
    EXPECT_EQ(waitExit(cli.pid), 0);
    const Descriptors emu = descriptorsOf(emulator);
    ASSERT_GT(emu.pid, 0) << "the emulator did not start";
    // The output ended while the game still runs.
    EXPECT_TRUE(out.has_value()) << "the output stayed open";
    EXPECT_NE(out.value_or("").find("Gens を起動します。"), std::string::npos) << out.value_or("");
    EXPECT_EQ(::kill(emu.pid, 0), 0) << "the stand-in ended early";

    const std::map<int, std::string> quiet = {{0, "/dev/null"}, {1, "/dev/null"}, {2, "/dev/null"}};
    EXPECT_EQ(emu.fds, quiet);
    // Nobody holds the caller's pipe any more.
    pollfd p{handed[0], POLLIN, 0};
    EXPECT_EQ(::poll(&p, 1, 0), 1);
    EXPECT_NE(p.revents & POLLHUP, 0);
    ::close(handed[0]);
    ::kill(emu.pid, SIGTERM);
}

TEST_F(CliProcess, AFifoWhereAFileIsExpectedIsRefusedWithoutWaitingForAWriter) {
    ASSERT_EQ(::mkfifo(dir.file("RomData_FC.slb").c_str(), 0600), 0);
    dir.makeFolder("roms");
    ASSERT_EQ(::mkfifo(dir.file("roms/game.zip").c_str(), 0600), 0);
    const struct {
        std::vector<std::string> args;
        const char* printed;  // a log line the run prints
    } runs[] = {
        {{"dump", dir.file("RomData_FC.slb")}, ""},
        {launch("game.zip"), "ファイルの解凍に失敗しました。"},
    };
    for (const auto& run : runs) {
        const CliRun cli = startCli(run.args);
        ASSERT_GT(cli.pid, 0);
        const int status = waitExit(cli.pid);
        const std::string out = readToEnd(cli.out).value_or("(still open)");
        ::close(cli.out);
        EXPECT_NE(status, -1) << run.args[0] << " waited";
        EXPECT_NE(status, 0) << run.args[0];
        EXPECT_NE(out.find(run.printed), std::string::npos) << out;
    }
    EXPECT_FALSE(romshelf::test::readRecord(emulator, 0).ran);
}

// The window program reads its settings at start-up: a FIFO there is taken as no settings, and
// the program still starts and ends on a signal.
TEST(WindowProgramWithAFifo, StartsAndEndsOnASignal) {
    romshelf::test::TempFolder dir;
    const std::string exe = dir.file("romshelf");
    std::filesystem::copy_file(std::filesystem::path(cliPath()).parent_path() / "romshelf", exe);
    std::filesystem::permissions(exe, std::filesystem::perms::owner_all);
    dir.makeFolder("data");
    ASSERT_EQ(::mkfifo(dir.file("data/MainData.slb").c_str(), 0600), 0);

    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::execl(exe.c_str(), exe.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ASSERT_GT(pid, 0);
    // The folders appear once the program watches for signals.
    const auto end = Clock::now() + kGuard;
    while (!std::filesystem::is_directory(dir.file("temp")) && Clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ::kill(pid, SIGTERM);
    EXPECT_EQ(waitExit(pid), 0);
}
