// One program folder on a share that two machines mount (SshfsShare: two SSHFS mounts of one
// folder through a private sshd). The real programs run on the two mounts at once; nothing either
// saves may be lost.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include <sqlite3.h>

#include "AppFixture.h"
#include "LaunchFixture.h"
#include "ProcessProbe.h"
#include "SshfsShare.h"

using namespace romshelf;
using namespace romshelf::test;
namespace fsys = std::filesystem;

namespace {

struct Ran {
    int status = -1;
    std::string err;
};

// A program as built, with `args`; stderr kept, stdout and stdin /dev/null.
pid_t start(const std::string& program, const std::vector<std::string>& args,
            const std::string& errPath, const std::map<std::string, std::string>& env = {}) {
    std::vector<std::string> argv{builtProgram(program)};
    argv.insert(argv.end(), args.begin(), args.end());
    const pid_t pid = ::fork();
    if (pid == 0) {
        for (const auto& [name, value] : env) ::setenv(name.c_str(), value.c_str(), 1);
        const int null = ::open("/dev/null", O_RDWR);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(null, 0), ::dup2(null, 1), ::dup2(err, 2);
        std::vector<char*> raw;
        for (std::string& a : argv) raw.push_back(a.data());
        raw.push_back(nullptr);
        ::execv(raw[0], raw.data());
        ::_exit(127);
    }
    return pid;
}

Ran runCli(const std::vector<std::string>& args, const std::string& scratch) {
    const pid_t pid = start("romshelf-cli", args, scratch);
    Ran r;
    r.status = waitExit(pid);
    std::ifstream in(scratch);
    r.err.assign(std::istreambuf_iterator<char>(in), {});
    return r;
}

// What `romshelf-cli command --program-folder folder --hardware FC` prints (through the file
// `out`); a failure when it does not end with status 0.
std::string cliOutput(const char* command, const std::string& folder, const std::string& out) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, 1);
        const std::string cli = builtProgram("romshelf-cli");
        ::execl(cli.c_str(), cli.c_str(), command, "--program-folder", folder.c_str(), "--hardware",
                "FC", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    EXPECT_EQ(waitExit(pid), 0) << command;
    std::ifstream in(out);
    return std::string{std::istreambuf_iterator<char>(in), {}};
}

// The private server and the two mounts, made once for the suite.
class Share : public ::testing::Test {
protected:
    static void SetUpTestSuite() { share_ = std::make_unique<SshfsShare>(kMachines); }
    static void TearDownTestSuite() { share_.reset(); }
    void SetUp() override {
        if (!share_->skipReason().empty()) GTEST_SKIP() << share_->skipReason();
        // Everything the share needs is installed: a share that cannot be made is a failure.
        if (!share_->error().empty()) GTEST_FAIL() << share_->error();
        root_ = share_->root();
        // A program folder of this test's own on the share, as both machines see it.
        folder_ =
            "pf-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name());
        local_ = root_->makeFolder("share/" + folder_);
        a_ = root_->file("machineA/" + folder_ + "/");
        b_ = root_->file("machineB/" + folder_ + "/");
    }
    // The program folder through the server's own disk (what is really stored).
    std::string onDisk(const std::string& relative) const { return local_ + relative; }
    std::string scratch(const std::string& name) const { return root_->file(folder_ + "." + name); }

    void setUpRecords(int files) {
        fsys::create_directories(onDisk("data"));
        fsys::create_directories(onDisk("roms"));
        FolderSettings f;
        f.romFolderNames[0] = "FC";
        f.romFolderPaths[0] = "./roms/";
        DataStream s;
        ASSERT_TRUE(saveFolderSettingsFile(s, onDisk("data/Folder_FC.slb"), f));
        RomTable table;
        for (int i = 0; i < files; ++i) {
            for (const char* side : {"a", "b"}) {
                const std::string title = side + std::to_string(i);
                std::ofstream(onDisk("roms/" + title + ".nes")) << title;
                RomRecord r;
                r.fileTitle = title, r.gameName = "Game " + title, r.reading = title;
                table.append(r);
            }
        }
        ASSERT_TRUE(table.save(s, onDisk("data/RomData_FC.slb")));
    }
    RomTable stored() const {
        RomTable table;
        DataStream s;
        SilentPrompter quiet;
        EXPECT_EQ(table.load(s, onDisk("data/RomData_FC.slb"), quiet), LoadResult::Loaded);
        return table;
    }

    static inline const std::vector<std::string> kMachines = {"machineA", "machineB"};
    static inline std::unique_ptr<SshfsShare> share_;
    const TempFolder* root_ = nullptr;
    std::string folder_, local_, a_, b_;
};

// Two loops of `set`, one on each machine: every edit a command reported done is there at the
// end, and every other one was refused with the lock's status, having changed nothing.
TEST_F(Share, TwoMachinesSettingRecordsAtOnceLoseNoEdit) {
    constexpr int kEach = 100;
    setUpRecords(kEach);
    std::array<std::vector<int>, 2> statuses;
    std::array<std::string, 2> errors;
    auto loop = [&](int side) {
        const std::string folder = side == 0 ? a_ : b_;
        const std::string name = side == 0 ? "a" : "b";
        for (int i = 0; i < kEach; ++i) {
            const Ran r = runCli({"--program-folder", folder, "set", "--hardware", "FC",
                                  name + std::to_string(i) + ".nes", "--comment",
                                  "edit " + name + std::to_string(i)},
                                 scratch("err" + name));
            statuses[static_cast<std::size_t>(side)].push_back(r.status);
            if (r.status != 0 && r.status != 75) errors[static_cast<std::size_t>(side)] += r.err;
        }
    };
    std::thread other(loop, 1);
    loop(0);
    other.join();
    const RomTable table = stored();
    int done = 0, refused = 0, lost = 0;
    for (int side = 0; side < 2; ++side) {
        EXPECT_EQ(errors[static_cast<std::size_t>(side)], "");
        for (int i = 0; i < kEach; ++i) {
            const std::string title = (side == 0 ? "a" : "b") + std::to_string(i);
            const int index = table.findRecordByTitle(title);
            ASSERT_GE(index, 0) << title << " lost its record";
            const bool there = table[index].comment == "edit " + title;
            const int status =
                statuses[static_cast<std::size_t>(side)][static_cast<std::size_t>(i)];
            if (status == 0) {
                ++done;
                lost += there ? 0 : 1;
            }
            if (status == 75) {
                ++refused;
                EXPECT_FALSE(there) << title;
            }
        }
    }
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(done + refused, 2 * kEach);
    EXPECT_GT(done, 0);
    // Nothing of the lock is left once both are done.
    EXPECT_FALSE(fsys::exists(onDisk("data/romshelf.owner")));
}

// The window on one machine: a command on the other is refused with the window's name, and so
// is a second window there; the window ends leaving nothing of the lock behind.
TEST_F(Share, AWindowOnOneMachineRefusesTheOtherMachinesWriters) {
    setUpRecords(2);
    const std::map<std::string, std::string> env = {
        {"QT_QPA_PLATFORM", "offscreen"},
        {"SDL_AUDIODRIVER", "dummy"},
        {"HOME", root_->file("home")},
        {"XDG_CONFIG_HOME", root_->file("home/config")}};
    const pid_t window = start("romshelf", {"--demo", a_}, scratch("window"), env);
    ASSERT_TRUE(waitFor([&] { return fsys::exists(onDisk("data/romshelf.owner")); }));
    const Ran set =
        runCli({"--program-folder", b_, "set", "--hardware", "FC", "a0.nes", "--comment", "from B"},
               scratch("set"));
    EXPECT_EQ(set.status, 75) << set.err;
    EXPECT_NE(set.err.find("is in use by the window (romshelf, process " + std::to_string(window)),
              std::string::npos)
        << set.err;
    // A second window says who holds the folder (and waits on its box until told to go).
    const pid_t second = start("romshelf", {"--demo", b_}, scratch("second"), env);
    EXPECT_TRUE(waitFor([&] {
        std::ifstream in(scratch("second"));
        const std::string said{std::istreambuf_iterator<char>(in), {}};
        return said.find("is in use by the window") != std::string::npos;
    }));
    ::kill(second, SIGTERM);
    EXPECT_EQ(waitExit(second), 75);
    ::kill(window, SIGTERM);
    EXPECT_EQ(waitExit(window), 0);
    EXPECT_FALSE(fsys::exists(onDisk("data/romshelf.owner")));
    EXPECT_NE(stored().findRecordByTitle("a0"), -1);
}

// ROM folders on a share are read at every listing: their times come from another machine in whole
// seconds, with no change time of their own, so no names are kept for them.
TEST_F(Share, FoldersOnAShareAreReadAtEveryListing) {
    setUpRecords(1);
    auto listOn = [&](const std::string& folder) {
        return cliOutput("list", folder, scratch("list.out"));
    };
    // Settled on any clock: a local folder would be kept by now.
    std::this_thread::sleep_for(std::chrono::milliseconds(2100));
    const std::string first = listOn(a_);
    EXPECT_NE(first.find("\ta0.nes\t"), std::string::npos) << first;
    EXPECT_EQ(listOn(a_), first);
    for (const std::string& machine : {a_, b_}) {
        if (!fsys::exists(machine + "cache")) continue;
        for (const auto& e : fsys::directory_iterator(machine + "cache"))
            EXPECT_FALSE(e.path().filename().string().starts_with("folders-")) << e.path();
    }
    // A file the other machine adds is listed as soon as this machine's mount shows it (SSHFS
    // keeps a folder's names for a while of its own accord).
    std::ofstream(b_ + "roms/late.nes") << "late";
    bool shown = false;
    for (const auto& e : fsys::directory_iterator(a_ + "roms"))
        shown = shown || e.path().filename() == "late.nes";
    const std::string later = listOn(a_);
    EXPECT_EQ(later.find("\tlate.nes\t") != std::string::npos, shown) << later;
    // Added on this machine, it is listed at once.
    std::ofstream(a_ + "roms/mine.nes") << "mine";
    const std::string mine = listOn(a_);
    EXPECT_NE(mine.find("\tmine.nes\t"), std::string::npos) << mine;
}

// Games played from both machines at once: every play whose end was recorded is in the history,
// read from either machine, and the history's database is whole.
TEST_F(Share, PlaysFromBothMachinesAreAllInAWholeHistory) {
    setUpRecords(1);
    const std::string emu = installRecorder(onDisk("emu/nes"));
    EmulatorEntries e{};
    e[0].name = "Stand-in";
    e[0].executable = emu;
    e[0].commandLine = "--sleep 300 $P";
    DataStream s;
    ASSERT_TRUE(saveEmulatorFile(s, onDisk("data/Emulator_FC.slb"), e));
    constexpr int kEach = 4;
    std::array<int, 2> recorded{};
    auto play = [&](int side) {
        const std::string folder = side == 0 ? a_ : b_;
        const std::string title = side == 0 ? "a0.nes" : "b0.nes";
        for (int i = 0; i < kEach; ++i) {
            const Ran r = runCli({"--program-folder", folder, "launch", "--hardware", "FC",
                                  "--wait", "--folder", "0", title},
                                 scratch("play" + std::to_string(side)));
            EXPECT_TRUE(r.status == 0 || r.status == 75) << r.err;
            if (r.status == 0 && r.err.find("not recorded") == std::string::npos)
                ++recorded[static_cast<std::size_t>(side)];
        }
    };
    std::thread other(play, 1);
    play(0);
    other.join();
    EXPECT_GT(recorded[0] + recorded[1], 0);
    for (const std::string& folder : {a_, b_}) {
        const std::string listed = cliOutput("history", folder, scratch("history.out"));
        // A game a line: hardware, title, play count, …
        for (int side = 0; side < 2; ++side) {
            const std::string title = side == 0 ? "a0" : "b0";
            const int count = recorded[static_cast<std::size_t>(side)];
            if (count == 0) continue;
            EXPECT_NE(listed.find("FC\t" + title + "\t" + std::to_string(count) + "\t"),
                      std::string::npos)
                << listed;
        }
    }
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(onDisk("data/PlayHistory.sqlite").c_str(), &db, SQLITE_OPEN_READONLY,
                              nullptr),
              SQLITE_OK);
    std::string check;
    sqlite3_exec(
        db, "PRAGMA integrity_check",
        [](void* into, int, char** values, char**) {
            *static_cast<std::string*>(into) += values[0] ? values[0] : "";
            return 0;
        },
        &check, nullptr);
    sqlite3_close(db);
    EXPECT_EQ(check, "ok");
}

}  // namespace
