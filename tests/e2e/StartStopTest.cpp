// Runs a copy of the real program in an empty folder and stops it with signals.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "ProcessProbe.h"
#include "RawBytes.h"
#include "TempFolder.h"
#include "core/storage/DataStream.h"
#include "core/settings/MainSettings.h"

using namespace romshelf;
using namespace romshelf::test;
namespace fsys = std::filesystem;

namespace {

std::string binDir() {
    const char* dir = std::getenv("ROMSHELF_BIN_DIR");
    return dir ? dir : "build/bin";
}

// MainData.slb as the program writes `settings`.
std::string mainData(MainSettings settings) {
    DataStream s;
    s.openMemoryForWriting();
    writeHeader(s, DataFileKind::Main);
    DataWriter w(s);
    transferMainSettings(w, settings);
    return s.buffer();
}

// A copy of the program in a fresh folder, so that its program folder is that folder.
struct ProgramCopy {
    TempFolder dir;
    const std::string exe = dir.file("romshelf");
    ProgramCopy() { fsys::copy_file(binDir() + "/romshelf", exe); }

    // Starts the copy on the offscreen platform, sends `signal` once `folder` is there (by then
    // the program watches for signals) and gives its exit status; -1 when it never got so far.
    int runUntil(const std::string& folder, int signal) const {
        const pid_t pid = fork();
        if (pid == 0) {
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
            execl(exe.c_str(), exe.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        if (pid < 0) return -1;
        const bool started = waitFor([&] { return fsys::is_directory(dir.file(folder)); });
        kill(pid, started ? signal : SIGKILL);
        const int status = waitExit(pid);
        return started ? status : -1;
    }
    void expectFoldersAndMainData(const MainSettings& settings) const {
        for (const char* f : {"data", "temp", "frame", "plugin"})
            EXPECT_TRUE(fsys::is_directory(dir.file(f))) << f;
        EXPECT_TRUE(sameBytes(dir.read("data/MainData.slb"), mainData(settings)));
    }
};

}  // namespace

class StartStop : public ::testing::TestWithParam<int> {};

TEST_P(StartStop, ACopyInAnEmptyFolderMakesItsFoldersAndSavesTheDefaults) {
    ProgramCopy copy;
    EXPECT_EQ(copy.runUntil("data", GetParam()), 0);
    copy.expectFoldersAndMainData(MainSettings{});
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
    copy.expectFoldersAndMainData(MainSettings{});
}

// The same start and stop on a real X server: the window is there under its title, and a
// SIGTERM still closes it the normal way.
TEST(StartStopOnX, TheWindowAppearsAndSigtermSavesTheDefaults) {
    if (std::system("command -v xvfb-run >/dev/null && command -v xwininfo >/dev/null") != 0)
        GTEST_SKIP() << "xvfb-run and xwininfo are needed";
    ProgramCopy copy;
    const std::string script =
        copy.dir.write("run.sh",
                       "cd \"$(dirname \"$0\")\"\n"
                       "QT_QPA_PLATFORM=xcb ./romshelf & pid=$!\n"
                       "for i in $(seq 1 150); do\n"
                       "  xwininfo -root -tree 2>/dev/null | grep -q 'Romshelf Plus !!' && break\n"
                       "  sleep 0.1\n"
                       "done\n"
                       "xwininfo -root -tree > windows.txt 2>&1\n"
                       "kill -TERM $pid; wait $pid; echo $? > status.txt\n");
    ASSERT_EQ(
        std::system(
            ("xvfb-run -a -s '-screen 0 1024x768x24' sh '" + script + "' >/dev/null 2>&1").c_str()),
        0);
    const std::string windows = copy.dir.read("windows.txt");
    EXPECT_NE(windows.find("\"Romshelf Plus !!\""), std::string::npos) << windows;
    EXPECT_EQ(copy.dir.read("status.txt"), "0\n");
    copy.expectFoldersAndMainData(MainSettings{});
}
