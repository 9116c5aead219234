// romshelf-cli launch --wait stopped by a signal, run as a terminal or a service manager runs it:
// the signal reaches the game, whose end is recorded and told as any other end, and the program
// folder is free for the others while the game runs.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "AppFixture.h"
#include "core/platform/WriterLock.h"
#include "ProcessProbe.h"

using namespace romshelf;
using namespace romshelf::test;
namespace fsys = std::filesystem;

namespace {

// MD with ROM folder 0 at ./roms/ holding sonic.md, its only emulator a stand-in (named "fds" so
// that it says its process id) that waits for a signal.
struct LaunchWait : AppFixture {
    const std::string emu = installRecorder(dir.file("emu/gens-fds"));

    void SetUp() override { dir.write("roms/sonic.md", "x"); }
    // The stand-in does `onSignal` (as --trap takes it) when it is stopped.
    void emulatorTraps(const std::string& onSignal) {
        setUpLaunch("MD", emulator("Gens", emu,
                                   "--stderr starting --trap " + onSignal + " --sleep 30000 $P"));
    }

    // romshelf-cli `args` on this program folder, its output into `name`.out and its errors into
    // `name`.err of the folder; its pid.
    pid_t startCli(std::vector<std::string> args, const std::string& name = "launch") {
        args.insert(args.begin(), builtProgram("romshelf-cli"));
        args.insert(args.end(), {"--program-folder", dir.path()});
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        constexpr int kWrite = O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC;
        const int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        const int out = ::open(dir.file(name + ".out").c_str(), kWrite, 0600);
        const int err = ::open(dir.file(name + ".err").c_str(), kWrite, 0600);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::dup2(in, 0), ::dup2(out, 1), ::dup2(err, 2);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(in), ::close(out), ::close(err);
        return pid;
    }
    // The end of the command started as `name`: its status; what it printed in `printed` and
    // `told`.
    int ended(pid_t cli, const std::string& name = "launch") {
        const int status = waitExit(cli);
        printed = dir.read(name + ".out"), told = dir.read(name + ".err");
        return status;
    }
    int runCli(std::vector<std::string> args) {
        return ended(startCli(std::move(args), "run"), "run");
    }
    pid_t launch() {
        return startCli({"launch", "--hardware", "MD", "--wait", "--folder", "0", "sonic.md"});
    }
    // The launch started the stand-in, which now catches signals.
    bool gameRuns() const {
        return waitFor([&] { return fsys::exists(emu + ".signals"); });
    }
    std::string signalsCaught() const { return dir.read("emu/gens-fds.signals"); }
    std::string history() {
        EXPECT_EQ(runCli({"history"}), 0) << told;
        return printed;
    }

    std::string printed, told;
};

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class LaunchWaitSignal : public LaunchWait, public ::testing::WithParamInterface<int> {};

}  // namespace

// An emulator that saves and quits when told to: the command passes the signal on, records the
// play and ends as the shell has it for that signal; meanwhile another command may write.
TEST_P(LaunchWaitSignal, IsPassedOnToTheGameWhosePlayIsRecorded) {
    const int signal = GetParam();
    emulatorTraps("0");
    const pid_t cli = launch();
    ASSERT_TRUE(gameRuns());
    const pid_t game = descriptorsOf(emu).pid;
    ASSERT_GT(game, 0);
    // The game does not keep the program folder: a record is edited while it runs.
    EXPECT_EQ(runCli({"set", "--hardware", "MD", "sonic.md", "--rating", "4"}), 0) << told;
    EXPECT_EQ(savedRecords("MD")[0].rating, 4);

    ASSERT_EQ(::kill(cli, signal), 0);
    EXPECT_EQ(ended(cli), 128 + signal) << told;
    EXPECT_EQ(signalsCaught(), std::to_string(signal) + "\n");
    EXPECT_NE(::kill(game, 0), 0) << "the game still runs";
    EXPECT_TRUE(has(printed, "Gens を起動します。")) << printed;
    EXPECT_TRUE(has(printed, "正常に起動プロセスが終了しました。")) << printed;
    EXPECT_TRUE(has(told, signal == SIGINT ? "interrupted (SIGINT)" : "interrupted (SIGTERM)"))
        << told;
    EXPECT_TRUE(history().starts_with("MD\tsonic\t1\t0:00:")) << printed;
}

INSTANTIATE_TEST_SUITE_P(Signals, LaunchWaitSignal, ::testing::Values(SIGTERM, SIGINT));

// An emulator that the signal ends: its end and its last words are told as for any failed end.
TEST_F(LaunchWait, TheGamesEndByTheSignalIsToldWithItsOutput) {
    emulatorTraps("die");
    const pid_t cli = launch();
    ASSERT_TRUE(gameRuns());
    ASSERT_EQ(::kill(cli, SIGINT), 0);
    EXPECT_EQ(ended(cli), 130) << told;
    EXPECT_EQ(signalsCaught(), "2\n");
    const std::string end = "エミュレータがシグナル 2 (SIGINT) で終了しました。\n";
    EXPECT_TRUE(has(printed, end + "  starting\n  caught signal 2\n")) << printed;
    EXPECT_TRUE(has(told, end)) << told;
}

// An emulator that ignores the signal is killed after a while; so it is at once on a second one.
TEST_F(LaunchWait, AGameThatGoesOnIsKilled) {
    emulatorTraps("ignore");
    for (const int signals : {1, 2}) {
        const pid_t cli = launch();
        ASSERT_TRUE(gameRuns());
        const pid_t game = descriptorsOf(emu).pid;
        ASSERT_EQ(::kill(cli, SIGTERM), 0);
        if (signals == 2) {
            ASSERT_TRUE(waitFor([&] { return signalsCaught() == "15\n"; }));
            ASSERT_EQ(::kill(cli, SIGTERM), 0);
        }
        EXPECT_EQ(ended(cli), 143) << told;
        EXPECT_TRUE(has(printed, "エミュレータがシグナル 9 (SIGKILL) で終了しました。")) << printed;
        EXPECT_NE(::kill(game, 0), 0) << "the game still runs";
        fsys::remove(emu + ".signals");
        fsys::remove(emu + ".record");
    }
}

// Another program holds the folder when the game ends: the play cannot be recorded, and the
// command says so instead of losing it without a word.
TEST_F(LaunchWait, APlayThatCannotBeRecordedIsToldOnStderr) {
    emulatorTraps("0");
    const pid_t cli = launch();
    ASSERT_TRUE(gameRuns());
    WriterLock window(dir.file("data/romshelf.lock"));
    // Free once the launch has saved what it changed before the game.
    ASSERT_TRUE(
        waitFor([&] { return window.tryAcquire("romshelf") == WriterLock::Result::Acquired; }));
    ASSERT_EQ(::kill(cli, SIGTERM), 0);
    EXPECT_EQ(ended(cli), 143) << told;
    const std::string holder = "the window (romshelf, process " + std::to_string(::getpid()) + ")";
    EXPECT_TRUE(has(told, "is in use by " + holder + ": the play is not recorded.\n")) << told;
    EXPECT_TRUE(has(told, "「sonic」のプレイ記録を保存できませんでした。\n")) << told;
    window.release();
    EXPECT_EQ(history(), "");
}
