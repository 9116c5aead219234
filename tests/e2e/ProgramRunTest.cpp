// Runs the built programs as a caller would. romshelf-cli: its output and descriptors stay its
// own, and a FIFO where a file is expected holds it up nowhere. The window program: a copy in an
// empty folder is started and stopped with signals.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "AppFixture.h"
#include "core/app/FirstSteps.h"
#include "core/platform/WriterLock.h"
#include "ProcessProbe.h"
#include "RawBytes.h"

using namespace romshelf;
using namespace romshelf::test;
namespace fsys = std::filesystem;

namespace {

// Starts `argv`; its pid. With `out`, its output goes there and its input and errors to /dev/null;
// `handedOver` reaches it as descriptor 251: a caller's descriptor not meant for it.
pid_t spawn(std::vector<std::string> argv, int out = -1, int handedOver = -1) {
    std::vector<char*> args;
    for (std::string& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    const int devNull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (out >= 0) ::dup2(devNull, 0), ::dup2(out, 1), ::dup2(devNull, 2);
        if (handedOver >= 0) ::dup2(handedOver, 251);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    ::close(devNull);
    return pid;
}

// romshelf-cli writing into a pipe, as `x=$(romshelf-cli …)` runs it: its pid, the pipe's read end.
std::pair<pid_t, int> startCli(std::vector<std::string> args, int handedOver = -1) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return {-1, -1};
    args.insert(args.begin(), builtProgram("romshelf-cli"));
    const pid_t pid = spawn(args, out[1], handedOver);
    ::close(out[1]);
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

// MD with ROM folder 0 at ./roms/, its only emulator a stand-in that stays running and records
// its descriptors.
struct CliProcess : AppFixture {
    const std::string emu = installRecorder(dir.file("emu/gens-stay-fds"));
    void SetUp() override { setUpLaunch("MD", emulator("Gens", emu, "$P")); }
    std::vector<std::string> launch(const std::string& file) const {
        return {"launch", "--program-folder", dir.path(), "--hardware",
                "MD",     "--folder",         "0",        file};
    }
};

// The offscreen platform's one screen.
constexpr ScreenArea kOffscreen{0, 0, 800, 800};

// MainData.slb as the program writes `settings`.
std::string mainData(const MainSettings& settings) {
    TempFolder folder;
    DataStream s;
    return saveMainSettings(s, folder.file("MainData.slb"), settings) ? folder.read("MainData.slb")
                                                                      : "";
}

// A copy of the program in a fresh folder, so that its program folder is that folder.
struct ProgramCopy {
    TempFolder dir;
    const std::string exe = dir.file("romshelf");
    ProgramCopy() { fsys::copy_file(builtProgram("romshelf"), exe); }

    // Starts the copy on the offscreen platform, sends `signal` once `folder` is there (by then
    // the program watches for signals) and gives its exit status; -1 when it never got so far.
    int runUntil(const std::string& folder, int signal) const {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        const pid_t pid = spawn({exe});
        if (pid < 0) return -1;
        const bool started = waitFor([&] { return fsys::is_directory(dir.file(folder)); });
        ::kill(pid, started ? signal : SIGKILL);
        const int status = waitExit(pid);
        return started ? status : -1;
    }
    // The folders, and MainData.slb as `settings` with this one start counted; after a first
    // start on a screen of `screen`, the windows as that start placed them.
    void expectFoldersAndMainData(MainSettings settings,
                                  std::optional<ScreenArea> screen = std::nullopt) const {
        ++settings.extraOptions[0].value;
        if (screen) {
            const auto slots = firstStartLayout(*screen);
            for (int s = 0; s < kWindowSlotCount; ++s)
                settings.windowSlots[static_cast<std::size_t>(s)] =
                    slots[static_cast<std::size_t>(s)];
        }
        for (const char* f : {"data", "temp", "frame", "plugin"})
            EXPECT_TRUE(fsys::is_directory(dir.file(f))) << f;
        // Saved as a file: reading a FIFO left in its place would hang the test.
        ASSERT_TRUE(fsys::is_regular_file(dir.file("data/MainData.slb")));
        EXPECT_TRUE(sameBytes(dir.read("data/MainData.slb"), mainData(settings)));
    }
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
    const Descriptors started = descriptorsOf(emu);
    ASSERT_GT(started.pid, 0) << "the emulator did not start";
    // The output ended while the game still runs, and nobody holds the caller's pipe any more.
    EXPECT_NE(text.find("Gens を起動します。"), std::string::npos) << text;
    EXPECT_EQ(::kill(started.pid, 0), 0) << "the stand-in ended early";
    EXPECT_EQ(started.fds,
              (std::map<int, std::string>{{0, "/dev/null"}, {1, "/dev/null"}, {2, "/dev/null"}}));
    pollfd p{handed[0], POLLIN, 0};
    EXPECT_TRUE(::poll(&p, 1, 0) == 1 && (p.revents & POLLHUP));
    ::close(handed[0]);
    ::kill(started.pid, SIGTERM);
}

TEST_F(CliProcess, AFifoWhereAFileIsExpectedIsRefusedWithoutWaitingForAWriter) {
    ASSERT_EQ(::mkfifo(dir.file("RomData_FC.slb").c_str(), 0600), 0);
    dir.makeFolder("roms");
    ASSERT_EQ(::mkfifo(dir.file("roms/game.zip").c_str(), 0600), 0);
    const std::pair<std::vector<std::string>, const char*> runs[] = {
        // a run, a line it prints
        {{"dump", dir.file("RomData_FC.slb")}, ""},
        // (its error, that the archive could not be unpacked, goes to stderr)
        {launch("game.zip"), "game.zip が指定されました。"}};
    for (const auto& [args, printed] : runs) {
        const auto [pid, out] = startCli(args);
        ASSERT_GT(pid, 0);
        const int status = waitExit(pid);
        EXPECT_TRUE(status != -1 && status != 0) << args[0] << ": " << status;
        const std::string text = readToEnd(out).value_or("(still open)");
        EXPECT_NE(text.find(printed), std::string::npos) << text;
    }
    EXPECT_FALSE(readRecord(emu, 0).ran);
}

// Output that cannot be written is a failure the caller hears of, not a listing.
TEST_F(CliProcess, AListIntoAFullDiskFailsAndSaysSo) {
    if (!fsys::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    dir.write("roms/Sonic.md", "x");
    const std::string command = builtProgram("romshelf-cli") + " list --program-folder '" +
                                dir.path() + "' --hardware MD >/dev/full 2>'" +
                                dir.file("err.txt") + "'";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_NE(dir.read("err.txt").find("the output could not be written"), std::string::npos)
        << dir.read("err.txt");
}

class StartStop : public ::testing::TestWithParam<int> {};

TEST_P(StartStop, ACopyInAnEmptyFolderMakesItsFoldersAndSavesTheDefaults) {
    ProgramCopy copy;
    EXPECT_EQ(copy.runUntil("data", GetParam()), 0);
    copy.expectFoldersAndMainData(MainSettings{}, kOffscreen);
}

INSTANTIATE_TEST_SUITE_P(Signals, StartStop, ::testing::Values(SIGTERM, SIGINT, SIGHUP));

TEST(StartStopFiles, AnotherProgramsSettingsSurviveARun) {
    ProgramCopy copy;
    // Settings as another program wrote them: the media slot is still all zeros.
    MainSettings written;
    written.customNames[2] = "ニンテンドウ64 \u301C";  // not in CP932
    written.categoryNames[0] = "ジャンル";
    written.columnWidths[12] = 33;
    written.windowSlots[kSlotMedia] = WindowSlot{0, 0, 0, 0, ShowState::Minimised, 0};
    written.windowSlots[kSlotSnap] = WindowSlot{5, 6, 300, 250, ShowState::Normal, 1};
    DataStream s;
    fsys::create_directories(copy.dir.file("data"));
    ASSERT_TRUE(saveMainSettings(s, copy.dir.file("data/MainData.slb"), written));

    EXPECT_EQ(copy.runUntil("temp", SIGTERM), 0);
    MainSettings expected = written;
    expected.windowSlots[kSlotMedia] = defaultWindowSlot(kSlotMedia);
    copy.expectFoldersAndMainData(expected);
}

// The settings are read at start-up: a FIFO there is taken as no settings (without waiting for a
// writer), and the program still starts and ends on a signal.
TEST(StartStopFiles, AFifoForTheSettingsIsTakenAsNone) {
    ProgramCopy copy;
    copy.dir.makeFolder("data");
    ASSERT_EQ(mkfifo(copy.dir.file("data/MainData.slb").c_str(), 0600), 0);
    EXPECT_EQ(copy.runUntil("temp", SIGTERM), 0);
    copy.expectFoldersAndMainData(MainSettings{}, kOffscreen);
}

// The same start and stop on a real X server: the window is there under its title, and a
// SIGTERM still closes it the normal way.
// The copy started with its errors going to `errors`; its pid.
pid_t startWithErrorsTo(const ProgramCopy& copy, const std::string& errors) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return spawn({"/bin/sh", "-c", "exec \"$0\" 2>\"$1\"", copy.exe, errors});
}

TEST(StartStopFiles, ASecondWriterOnTheFolderIsToldWhoAndNothingIsWritten) {
    ProgramCopy copy;
    copy.dir.makeFolder("data");
    WriterLock command(copy.dir.file("data/romshelf.lock"));
    ASSERT_EQ(command.tryAcquire("romshelf-cli rename"), WriterLock::Result::Acquired);
    TempFolder io;
    const pid_t pid = startWithErrorsTo(copy, io.file("err"));
    // It waits a little for the command to end, then says who holds the folder, in a box that a
    // signal closes as well.
    EXPECT_TRUE(waitFor([&] {
        return io.read("err").find(
                   "in use by another command (romshelf-cli "
                   "rename, process " +
                   std::to_string(::getpid()) + ")\n") != std::string::npos;
    })) << io.read("err");
    ::kill(pid, SIGTERM);
    EXPECT_EQ(waitExit(pid), 75);
    EXPECT_FALSE(fsys::exists(copy.dir.file("data/MainData.slb")));
}

// A session ending while the program folder is gone (a stick pulled): the program does not wait
// for anyone to read a box; what it could not save goes to stderr and to the next start.
TEST(StartStopFiles, SigtermWithTheProgramFolderGoneEndsWithoutABoxAndLeavesANote) {
    ProgramCopy copy;
    TempFolder state;
    ::setenv("XDG_STATE_HOME", state.path().c_str(), 1);
    const pid_t pid = startWithErrorsTo(copy, state.file("err"));
    ASSERT_TRUE(waitFor([&] { return fsys::exists(copy.dir.file("temp")); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const std::string folder = copy.dir.path();
    fsys::remove_all(folder);
    const auto sent = std::chrono::steady_clock::now();
    ::kill(pid, SIGTERM);
    EXPECT_GE(waitExit(pid), 0);
    ::unsetenv("XDG_STATE_HOME");
    EXPECT_LT(std::chrono::steady_clock::now() - sent, std::chrono::seconds(10));
    EXPECT_NE(state.read("err").find("次のファイルを保存できませんでした。"), std::string::npos)
        << state.read("err");
    EXPECT_TRUE(state.read("romshelf-plus/romshelf-unsaved.txt")
                    .starts_with(folder + "\t次のファイルを保存できませんでした。"))
        << state.read("romshelf-plus/romshelf-unsaved.txt");
}

TEST(StartStopOnX, TheWindowAppearsAndSigtermSavesTheDefaults) {
    if (std::system("command -v xvfb-run >/dev/null && command -v xwininfo >/dev/null") != 0)
        GTEST_SKIP() << "xvfb-run and xwininfo are needed";
    ProgramCopy copy;
    const std::string script =
        copy.dir.write("run.sh",
                       "cd \"$(dirname \"$0\")\"\n"
                       "QT_QPA_PLATFORM=xcb ./romshelf 2> romshelf.err & pid=$!\n"
                       "for i in $(seq 1 150); do\n"
                       "  xwininfo -root -tree 2>/dev/null | grep -q 'Romshelf Plus !!' && break\n"
                       "  sleep 0.1\n"
                       "done\n"
                       "xwininfo -root -tree > windows.txt 2>&1\n"
                       "xprop -name 'Romshelf Plus !!' WM_CLASS > class.txt 2>&1\n"
                       "kill -TERM $pid; wait $pid; echo $? > status.txt\n");
    // Without -noreset the server resets each time its last client leaves, and a program that
    // connects during the reset is refused: xwininfo's polling would race the program's start.
    ASSERT_EQ(std::system(("xvfb-run -a -s '-screen 0 1024x768x24 -noreset' sh '" + script +
                           "' >/dev/null 2>&1")
                              .c_str()),
              0);
    const std::string windows = copy.dir.read("windows.txt");
    EXPECT_NE(windows.find("\"Romshelf Plus !!\""), std::string::npos)
        << windows << copy.dir.read("romshelf.err");
    EXPECT_EQ(copy.dir.read("status.txt"), "0\n");
    copy.expectFoldersAndMainData(MainSettings{}, ScreenArea{0, 0, 1024, 768});
    // Docks tie the window to the desktop entry by its class: the entry names the one it has.
    EXPECT_EQ(copy.dir.read("class.txt"), "WM_CLASS(STRING) = \"romshelf\", \"Romshelf Plus\"\n");
    std::ifstream file(ROMSHELF_SOURCE_DIR "/resources/io.github.romshelf.RomshelfPlus.desktop");
    const std::string entry{std::istreambuf_iterator<char>(file), {}};
    EXPECT_NE(entry.find("\nStartupWMClass=Romshelf Plus\n"), std::string::npos) << entry;
}

// `romshelf --demo DIR` makes the demo folder and starts on it; romshelf-cli lists its games.
TEST(DemoRun, TheProgramMakesTheDemoCatalogueStartsOnItAndTheCliListsItsGames) {
    TempFolder dir;
    const std::string demo = dir.file("demo/");
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const pid_t pid = spawn({builtProgram("romshelf"), "--demo", demo});
    ASSERT_GT(pid, 0);
    const bool made = waitFor([&] { return fsys::exists(demo + "data/Folder_MD.slb"); });
    ::kill(pid, made ? SIGTERM : SIGKILL);
    ASSERT_EQ(waitExit(pid), 0);
    for (const char* file :
         {"roms/FC/Hoshizora Demo (J).nes", "roms/GB/Pocket Kaeru (J).gb",
          "roms/MD/Umi no Soko (J).md", "snap/FC/Hoshizora Demo (J).bmp",
          "media/FC/Hoshizora Demo (J).bmp", "data/RomData_FC.slb", "data/MainData.slb"})
        EXPECT_TRUE(fsys::is_regular_file(demo + file)) << file;
    // The run saved its hardware: the listing needs no --hardware.
    const auto [cli, out] = startCli({"list", "--program-folder", demo});
    ASSERT_GT(cli, 0);
    const std::string rows = readToEnd(out).value_or("");
    EXPECT_EQ(waitExit(cli), 0);
    EXPECT_TRUE(
        rows.starts_with("星空デモ\tほしぞらでも\tHoshizora Demo (J).nes\t★★★★★\tアクション\t"
                         "自作\t"))
        << rows;
    EXPECT_NE(rows.find("\n夕焼けパズル\tゆうやけぱずる\t"), std::string::npos) << rows;
}
