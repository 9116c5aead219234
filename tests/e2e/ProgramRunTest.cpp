// Runs romshelf-cli as a caller would: its output and descriptors stay its own, and a FIFO where a
// file is expected holds it up nowhere.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "DataFileFixtures.h"
#include "ProcessProbe.h"
#include "core/launch/EmulatorEntry.h"

using namespace romshelf;
using namespace romshelf::test;

namespace {

// romshelf-cli writing into a pipe, as `x=$(romshelf-cli …)` runs it: its pid, the pipe's read end.
// `handedOver` reaches it as descriptor 251: a caller's descriptor not meant for it.
std::pair<pid_t, int> startCli(std::vector<std::string> args, int handedOver = -1) {
    const char* dir = std::getenv("ROMSHELF_BIN_DIR");
    args.insert(args.begin(), std::string(dir ? dir : "build/bin") + "/romshelf-cli");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return {-1, -1};
    const int devNull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(devNull, 0), ::dup2(out[1], 1), ::dup2(devNull, 2);
        if (handedOver >= 0) ::dup2(handedOver, 251);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(devNull);
    return {pid, out[0]};
}

// Reads the pipe to its end and closes it; nullopt when it is still open after the guard.
std::optional<std::string> readToEnd(int fd) {
    std::string text;
    const bool ended = waitFor([&] {
        pollfd p{fd, POLLIN, 0};
        char buffer[4096];
        ssize_t n = 0;
        while (::poll(&p, 1, 0) == 1 && (n = ::read(fd, buffer, sizeof buffer)) > 0)
            text.append(buffer, static_cast<std::size_t>(n));
        return p.revents != 0 && n <= 0;
    });
    ::close(fd);
    return ended ? std::optional(text) : std::nullopt;
}

// A program folder with MD set up: ROM folder 0 is ./roms/, the only emulator a stand-in that
// stays running and records its descriptors.
struct CliProcess : DataFileTest {
    void SetUp() override {
        RawFolderStrings folders{};
        folders[1] = "./roms/";
        dir.write("data/Folder_MD.slb", rawFolderFile(folders));
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

    const std::string emulator = installRecorder(dir.file("emu/gens-stay-fds"));
};

}  // namespace

TEST_F(CliProcess, ACallerReadingTheOutputIsNotHeldUpByTheGameNorHandsItsDescriptorsOn) {
    dir.write("roms/Sonic.md", "x");
    int handed[2];
    ASSERT_EQ(::pipe2(handed, O_CLOEXEC), 0);
    const auto [pid, out] = startCli(launch("Sonic.md"), handed[1]);
    ::close(handed[1]);
    ASSERT_GT(pid, 0);
    const std::string text = readToEnd(out).value_or("(the output stayed open)");
    EXPECT_EQ(waitExit(pid), 0);
    const Descriptors emu = descriptorsOf(emulator);
    ASSERT_GT(emu.pid, 0) << "the emulator did not start";
    // The output ended while the game still runs, and nobody holds the caller's pipe any more.
    EXPECT_NE(text.find("Gens を起動します。"), std::string::npos) << text;
    EXPECT_EQ(::kill(emu.pid, 0), 0) << "the stand-in ended early";
    EXPECT_EQ(emu.fds,
              (std::map<int, std::string>{{0, "/dev/null"}, {1, "/dev/null"}, {2, "/dev/null"}}));
    pollfd p{handed[0], POLLIN, 0};
    EXPECT_TRUE(::poll(&p, 1, 0) == 1 && (p.revents & POLLHUP));
    ::close(handed[0]);
    ::kill(emu.pid, SIGTERM);
}

TEST_F(CliProcess, AFifoWhereAFileIsExpectedIsRefusedWithoutWaitingForAWriter) {
    ASSERT_EQ(::mkfifo(dir.file("RomData_FC.slb").c_str(), 0600), 0);
    dir.makeFolder("roms");
    ASSERT_EQ(::mkfifo(dir.file("roms/game.zip").c_str(), 0600), 0);
    const std::pair<std::vector<std::string>, const char*> runs[] = {
        // a run, a line it prints
        {{"dump", dir.file("RomData_FC.slb")}, ""},
        {launch("game.zip"), "ファイルの解凍に失敗しました。"}};
    for (const auto& [args, printed] : runs) {
        const auto [pid, out] = startCli(args);
        ASSERT_GT(pid, 0);
        const int status = waitExit(pid);
        EXPECT_TRUE(status != -1 && status != 0) << args[0] << ": " << status;
        const std::string text = readToEnd(out).value_or("(still open)");
        EXPECT_NE(text.find(printed), std::string::npos) << text;
    }
    EXPECT_FALSE(readRecord(emulator, 0).ran);
}
