// Runs a copy of the real program in an empty folder and stops it with signals.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <thread>

#include "RawBytes.h"
#include "TempFolder.h"
#include "core/storage/DataStream.h"
#include "core/settings/MainSettings.h"

using namespace romshelf;
namespace fsys = std::filesystem;

namespace {

std::string binDir() {
    const char* dir = std::getenv("ROMSHELF_BIN_DIR");
    return dir ? dir : "build/bin";
}

// Starts `exe` with the offscreen platform; returns its pid.
pid_t launch(const std::string& exe) {
    pid_t pid = fork();
    if (pid == 0) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        execl(exe.c_str(), exe.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

bool waitFor(const std::function<bool()>& condition, std::chrono::seconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

int waitExit(pid_t pid) {
    int status = 0;
    bool done = waitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, std::chrono::seconds(30));
    if (!done) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string defaultMainData() {
    DataStream s;
    s.openMemoryForWriting();
    writeHeader(s, DataFileKind::Main);
    DataWriter w(s);
    MainSettings defaults;
    transferMainSettings(w, defaults);
    return s.buffer();
}

}  // namespace

class StartStop : public ::testing::TestWithParam<int> {};

TEST_P(StartStop, ACopyInAnEmptyFolderMakesItsFoldersAndSavesTheDefaults) {
    romshelf::test::TempFolder dir;
    const std::string exe = dir.file("romshelf");
    fsys::copy_file(binDir() + "/romshelf", exe);
    fsys::permissions(exe, fsys::perms::owner_all);

    pid_t pid = launch(exe);
    ASSERT_GT(pid, 0);
    // The folders appear once the program watches for signals.
    ASSERT_TRUE(waitFor([&] { return fsys::is_directory(dir.file("data")); }, std::chrono::seconds(30)));
    kill(pid, GetParam());
    EXPECT_EQ(waitExit(pid), 0);

    for (const char* f : {"data", "temp", "frame", "plugin"}) EXPECT_TRUE(fsys::is_directory(dir.file(f))) << f;
    EXPECT_TRUE(romshelf::test::sameBytes(dir.read("data/MainData.slb"), defaultMainData()));
}

INSTANTIATE_TEST_SUITE_P(Signals, StartStop, ::testing::Values(SIGTERM, SIGINT, SIGHUP));

TEST(StartStopFiles, AnotherProgramsSettingsSurviveARun) {
    romshelf::test::TempFolder dir;
    const std::string exe = dir.file("romshelf");
    fsys::copy_file(binDir() + "/romshelf", exe);
    // Settings as another program wrote them: the media slot is still all zeros.
    MainSettings written;
    written.customNames[2] = "ニンテンドウ64 \u301C";  // not in CP932
    written.categoryNames[0] = "ジャンル";
    written.columnWidths[12] = 33;
    written.windowSlots[kSlotMedia] = WindowSlot{0, 0, 0, 0, ShowState::Minimised, 0};
    written.windowSlots[kSlotSnap] = WindowSlot{5, 6, 300, 250, ShowState::Normal, 1};
    DataStream s;
    fsys::create_directories(dir.file("data"));
    ASSERT_TRUE(saveMainSettings(s, dir.file("data/MainData.slb"), written));

    pid_t pid = launch(exe);
    ASSERT_TRUE(waitFor([&] { return fsys::is_directory(dir.file("temp")); }, std::chrono::seconds(30)));
    kill(pid, SIGTERM);
    EXPECT_EQ(waitExit(pid), 0);

    MainSettings expected = written;
    expected.windowSlots[kSlotMedia] = defaultWindowSlot(kSlotMedia);
    DataStream out;
    out.openMemoryForWriting();
    writeHeader(out, DataFileKind::Main);
    DataWriter w(out);
    transferMainSettings(w, expected);
    EXPECT_TRUE(romshelf::test::sameBytes(dir.read("data/MainData.slb"), out.buffer()));
}

// The same start and stop on a real X server: the window is there under its title, and a
// SIGTERM still closes it the normal way.
TEST(StartStopOnX, TheWindowAppearsAndSigtermSavesTheDefaults) {
    if (std::system("command -v xvfb-run >/dev/null && command -v xwininfo >/dev/null") != 0)
        GTEST_SKIP() << "xvfb-run and xwininfo are needed";
    romshelf::test::TempFolder dir;
    const std::string exe = dir.file("romshelf");
    fsys::copy_file(binDir() + "/romshelf", exe);
    const std::string script = dir.write("run.sh",
        "cd \"$(dirname \"$0\")\"\n"
        "QT_QPA_PLATFORM=xcb ./romshelf & pid=$!\n"
        "for i in $(seq 1 150); do\n"
        "  xwininfo -root -tree 2>/dev/null | grep -q 'Romshelf Plus !!' && break\n"
        "  sleep 0.1\n"
        "done\n"
        "xwininfo -root -tree > windows.txt 2>&1\n"
        "kill -TERM $pid; wait $pid; echo $? > status.txt\n");
    ASSERT_EQ(std::system(("xvfb-run -a -s '-screen 0 1024x768x24' sh '" + script + "' >/dev/null 2>&1").c_str()), 0);
    const std::string windows = dir.read("windows.txt");
    EXPECT_NE(windows.find("\"Romshelf Plus !!\""), std::string::npos) << windows;
    EXPECT_EQ(dir.read("status.txt"), "0\n");
    for (const char* f : {"data", "temp", "frame", "plugin"}) EXPECT_TRUE(fsys::is_directory(dir.file(f))) << f;
    EXPECT_TRUE(romshelf::test::sameBytes(dir.read("data/MainData.slb"), defaultMainData()));
}
