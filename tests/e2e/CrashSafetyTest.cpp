// The real romshelf-cli, killed at every step of a command that changes several files together
// (a test-only variable names the step), then started again: every file is still there exactly
// once, with its record and snap under its name, and the rerun finishes the work. Two commands
// at once never lose an edit, and Ctrl+C stops a batch after its item.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <chrono>
#include <map>
#include <optional>
#include <random>
#include <thread>

#include "AppFixture.h"
#include "LaunchFixture.h"
#include "core/archive/ArchiveReadBack.h"
#include "core/platform/WriterLock.h"
#include "core/rename/FileIdentity.h"
#include "core/rename/RenameData.h"
#include "core/storage/MoveJournal.h"

using namespace romshelf;
using namespace romshelf::test;
namespace fsys = std::filesystem;

namespace {

struct CliRun {
    int status = -1;  // 128 + the signal that ended it
    std::string out, err;
};

// romshelf-cli with `args`, its environment plus `env`; what it printed and how it ended. With
// `killAfter`, SIGKILL ends it then if it still runs.
CliRun runCli(const std::vector<std::string>& args,
              const std::map<std::string, std::string>& env = {},
              std::optional<std::chrono::microseconds> killAfter = std::nullopt) {
    TempFolder io;
    const std::string outPath = io.file("out"), errPath = io.file("err");
    std::vector<std::string> argv{builtProgram("romshelf-cli")};
    argv.insert(argv.end(), args.begin(), args.end());
    const pid_t pid = ::fork();
    if (pid == 0) {
        for (const auto& [name, value] : env) ::setenv(name.c_str(), value.c_str(), 1);
        const int in = ::open("/dev/null", O_RDONLY);
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(in, 0), ::dup2(out, 1), ::dup2(err, 2);
        std::vector<char*> raw;
        for (std::string& a : argv) raw.push_back(a.data());
        raw.push_back(nullptr);
        ::execv(raw[0], raw.data());
        ::_exit(127);
    }
    if (killAfter) {
        std::this_thread::sleep_for(*killAfter);
        ::kill(pid, SIGKILL);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), io.read("out"),
            io.read("err")};
}

CliRun killedAt(int step, const std::vector<std::string>& args, int signal = SIGKILL) {
    return runCli(args, {{"ROMSHELF_TEST_CRASH_AT", std::to_string(step)},
                         {"ROMSHELF_TEST_CRASH_SIGNAL", std::to_string(signal)}});
}

// Every regular file under `folder` (recursively) by its contents: contents -> paths. The
// program's unfinished copies are no files of the user's: they are counted apart.
std::multimap<std::string, std::string> filesByContents(const std::string& folder) {
    std::multimap<std::string, std::string> found;
    if (!fsys::exists(folder)) return found;
    for (const auto& e : fsys::recursive_directory_iterator(folder))
        if (e.is_regular_file() && !e.path().filename().string().starts_with(".romshelf-part-")) {
            std::ifstream in(e.path(), std::ios::binary);
            found.emplace(std::string(std::istreambuf_iterator<char>(in), {}), e.path().string());
        }
    return found;
}

// The program's unfinished copies in `folder`, made older than any run, so that the next run
// that writes there may take them for a killed run's.
int ageLeftovers(const std::string& folder) {
    int n = 0;
    if (!fsys::exists(folder)) return n;
    for (const auto& e : fsys::directory_iterator(folder))
        if (e.path().filename().string().starts_with(".romshelf-part-")) {
            const struct timeval old[2] = {{1, 0}, {1, 0}};
            ::utimes(e.path().c_str(), old);
            ++n;
        }
    return n;
}

int leftovers(const std::string& folder) {
    int n = 0;
    if (fsys::exists(folder))
        for (const auto& e : fsys::directory_iterator(folder))
            n += e.path().filename().string().starts_with(".romshelf-part-");
    return n;
}

constexpr int kGames = 6;
std::string rom(int i) { return "rom " + std::to_string(i) + std::string(100 + i, 'r'); }
std::string snap(int i) { return "snap " + std::to_string(i); }

// FC with its games in roms/ under wrong names, each with its record and snap, and rename data
// that knows their canonical names; the OK, duplicate and failed folders; a game without data.
struct KilledRun : AppFixture {
    void SetUp() override {
        FolderSettings f;
        f.romFolderNames = {"FC", "OK"}, f.romFolderPaths = {"./roms/", "./ok/"};
        f.renameOkFolder = "./ok/", f.duplicateFolder = "./dup/",
        f.renameFailedFolder = "./failed/";
        f.snapFolderPaths[0] = "./snap/", f.tempFolder = "./temp/";
        writeFolderSettings("FC", f);
        for (const char* folder : {"roms", "ok", "dup", "failed", "snap", "temp"})
            dir.makeFolder(folder);
        RenameData data;
        data.hardware = "FC";
        std::vector<RomRecord> records;
        for (int i = 0; i < kGames; ++i) {
            const std::string title = "wrong" + std::to_string(i);
            data.records.push_back({"Canon " + std::to_string(i),
                                    fileIdentity(dir.write("roms/" + title + ".nes", rom(i))),
                                    {}});
            dir.write("snap/" + title + ".png", snap(i));
            records.push_back(record(title, "Game " + std::to_string(i)));
        }
        dir.write("roms/unknown.nes", "no record of it");
        writeRecords("FC", records);
        DataStream s;
        ASSERT_TRUE(saveRenameData(s, dir.file("data/Rename_FC.dat"), data));
    }
    // A fresh copy of the program folder to kill a run in.
    std::unique_ptr<TempFolder> copy() const {
        auto work = std::make_unique<TempFolder>();
        fsys::copy(dir.path(), work->path(), fsys::copy_options::recursive);
        return work;
    }
    static std::vector<std::string> on(const TempFolder& work, std::vector<std::string> args) {
        args.insert(args.begin() + 1, {"--program-folder", work.path(), "--hardware", "FC"});
        return args;
    }
    // Each game once, anywhere (in the program folder or `elsewhere`), with its record and its
    // snap under its title; no journal.
    static void expectWhole(const TempFolder& work, const std::string& elsewhere = "") {
        auto files = filesByContents(work.path());
        if (!elsewhere.empty()) files.merge(filesByContents(elsewhere));
        RomTable records;
        DataStream s;
        ScriptedPrompter quiet;
        ASSERT_NE(records.load(s, work.file("data/RomData_FC.slb"), quiet), LoadResult::Rejected);
        for (int i = 0; i < kGames; ++i) {
            SCOPED_TRACE(i);
            ASSERT_EQ(files.count(rom(i)), 1u);
            const std::string title = fsys::path(files.find(rom(i))->second).stem().string();
            const int r = records.findRecordByTitle(title);
            ASSERT_GE(r, 0) << title;
            EXPECT_EQ(records[r].gameName, "Game " + std::to_string(i));
            ASSERT_EQ(files.count(snap(i)), 1u);
            EXPECT_EQ(fsys::path(files.find(snap(i))->second).filename().string(), title + ".png");
        }
        EXPECT_EQ(records.count(), kGames);
        EXPECT_FALSE(fsys::exists(work.file("data/" + MoveJournal::fileName())));
    }
};

TEST_F(KilledRun, RenameApplyKilledAtEveryStepLeavesEachFileWithItsRecordAndSnap) {
    int kills = 0;
    for (int step = 1; step < 400; ++step) {
        SCOPED_TRACE("killed at step " + std::to_string(step));
        const auto work = copy();
        const CliRun run = killedAt(step, on(*work, {"rename", "apply", "--yes"}));
        if (run.status == 0) break;  // the run ended before this step
        ASSERT_EQ(run.status, 128 + SIGKILL) << run.err;
        ++kills;
        // The next start of either program finishes what the journal says.
        ASSERT_EQ(runCli(on(*work, {"list"})).status, 0);
        expectWhole(*work);
        // And a second apply gives every game its name, without moving anything twice.
        const CliRun again = runCli(on(*work, {"rename", "apply", "--yes"}));
        ASSERT_EQ(again.status, 0) << again.err;
        // The killed command's owner file was taken over (its process has ended) and let go.
        EXPECT_FALSE(fsys::exists(work->file("data/romshelf.owner")));
        expectWhole(*work);
        for (int i = 0; i < kGames; ++i)
            EXPECT_EQ(work->read("ok/Canon " + std::to_string(i) + ".nes"), rom(i));
        if (HasFailure()) return;
    }
    EXPECT_GT(kills, 4 * kGames);
}

// SIGKILL at random moments (not only at the steps the program names): 20 kills of rename apply,
// each followed by a start, leave every game with its record and snap.
TEST_F(KilledRun, RenameApplyKilledAtRandomMomentsLosesNothing) {
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    // How long a whole run takes, to spread the kills over it.
    const auto clock = std::chrono::steady_clock::now();
    {
        const auto work = copy();
        ASSERT_EQ(runCli(on(*work, {"rename", "apply", "--yes"})).status, 0);
    }
    const auto whole = std::chrono::steady_clock::now() - clock;
    const long span = std::chrono::duration_cast<std::chrono::microseconds>(whole).count();
    for (int kill = 0; kill < 20; ++kill) {
        const auto work = copy();
        const long delay = std::uniform_int_distribution<long>(0, span)(random);
        SCOPED_TRACE("killed after " + std::to_string(delay) + " us");
        const CliRun run =
            runCli(on(*work, {"rename", "apply", "--yes"}), {}, std::chrono::microseconds(delay));
        ASSERT_TRUE(run.status == 0 || run.status == 128 + SIGKILL) << run.status << run.err;
        ASSERT_EQ(runCli(on(*work, {"list"})).status, 0);
        expectWhole(*work);
        if (HasFailure()) return;
    }
}

// Into a ROM folder on another file system, where a move is a copy and a removal.
TEST_F(KilledRun, AMoveAcrossFileSystemsKilledAtEveryStepNeitherLosesNorDoublesAFile) {
    if (!fsys::is_directory("/dev/shm")) GTEST_SKIP() << "no second file system";
    int kills = 0;
    for (int step = 1; step < 200; ++step) {
        SCOPED_TRACE("killed at step " + std::to_string(step));
        const auto work = copy();
        TempFolder other("/dev/shm");
        FolderSettings f;
        f.romFolderNames = {"FC", "Shm"}, f.romFolderPaths = {"./roms/", other.path()};
        f.snapFolderPaths[0] = "./snap/", f.tempFolder = "./temp/";
        DataStream s;
        ASSERT_TRUE(saveFolderSettingsFile(s, work->file("data/Folder_FC.slb"), f));
        const CliRun run = killedAt(step, on(*work, {"move", "--all", "--to", "1", "--yes"}));
        if (run.status == 0) break;
        ASSERT_EQ(run.status, 128 + SIGKILL) << run.err;
        ++kills;
        // A copy that had its name before its source went is finished at the next start.
        ASSERT_EQ(runCli(on(*work, {"list"})).status, 0);
        auto files = filesByContents(work->file("roms/"));
        files.merge(filesByContents(other.path()));
        for (int i = 0; i < kGames; ++i) EXPECT_EQ(files.count(rom(i)), 1u) << i;
        // The next move into the folder removes what the killed one left half-copied there.
        ageLeftovers(other.path());
        const CliRun again = runCli(on(*work, {"move", "--all", "--to", "1", "--yes"}));
        ASSERT_EQ(again.status, 0) << again.err;
        EXPECT_EQ(leftovers(other.path()), 0);
        for (int i = 0; i < kGames; ++i)
            EXPECT_EQ(other.read("wrong" + std::to_string(i) + ".nes"), rom(i)) << i;
        expectWhole(*work, other.path());
        if (HasFailure()) return;
    }
    EXPECT_GT(kills, 2 * kGames);
}

// Packing or unpacking with the source deleted: at any kill each game is in its file or in an
// archive that holds it whole, and a rerun finishes the work.
TEST_F(KilledRun, PackingWithTheSourceDeletedKilledAtEveryStepLosesNoGame) {
    for (const bool unpack : {false, true}) {
        SCOPED_TRACE(unpack ? "decompress" : "compress");
        const std::string command = unpack ? "decompress" : "compress";
        const auto base = copy();
        if (unpack) {  // the archives to unpack, made by a run that is not killed
            ASSERT_EQ(
                runCli(on(*base, {"compress", "--all", "--delete-source", "--yes", "--permanent"}))
                    .status,
                0);
        }
        int kills = 0;
        for (int step = 1; step < 300; ++step) {
            SCOPED_TRACE("killed at step " + std::to_string(step));
            auto work = std::make_unique<TempFolder>();
            fsys::copy(base->path(), work->path(), fsys::copy_options::recursive);
            const std::vector<std::string> args =
                on(*work, {command, "--all", "--delete-source", "--yes", "--permanent"});
            const CliRun run = killedAt(step, args);
            if (run.status == 0) break;
            ASSERT_EQ(run.status, 128 + SIGKILL) << run.err;
            ++kills;
            for (int i = 0; i < kGames; ++i) {
                const std::string name = "wrong" + std::to_string(i) + ".nes";
                const std::string zip = work->file("roms/wrong" + std::to_string(i) + ".zip");
                const bool plain = fsys::exists(work->file("roms/" + name));
                const auto member =
                    fsys::exists(zip) ? archive::memberSum(zip, name) : std::nullopt;
                EXPECT_TRUE(plain || member) << name;
                if (plain) {
                    EXPECT_EQ(work->read("roms/" + name), rom(i));
                }
            }
            ageLeftovers(work->file("roms/"));
            const CliRun again = runCli(args);
            ASSERT_EQ(again.status, 0) << again.err;
            EXPECT_EQ(leftovers(work->file("roms/")), 0);
            for (int i = 0; i < kGames; ++i) {
                const std::string title = "roms/wrong" + std::to_string(i);
                EXPECT_EQ(fsys::exists(work->file(title + ".nes")), unpack) << i;
                EXPECT_EQ(fsys::exists(work->file(title + ".zip")), !unpack) << i;
            }
            if (HasFailure()) return;
        }
        EXPECT_GT(kills, kGames);
    }
}

// Saves of whole data files: a kill leaves each file as it was or as the command writes it.
TEST_F(KilledRun, ImportOptimiseAndCategoryRenameKilledAtEveryStepLeaveWholeFiles) {
    // A category item that the records of two hardware use, for its rename.
    setUpHardware("MD");
    RomRecord sonic = record("sonic", "Sonic");
    sonic.classes[0] = "ACT";
    writeRecords("MD", {sonic});
    const auto base = copy();
    ASSERT_EQ(runCli(on(*base, {"category", "--yes", "add", "1", "ACT"})).status, 0);
    ASSERT_EQ(runCli(on(*base, {"set", "wrong2.nes", "--category", "1", "ACT", "--yes"})).status,
              0);
    // The CSV a finished export writes, to import again with a change.
    ASSERT_EQ(runCli(on(*base, {"gamelist", "--csv", "--out", base->path()})).status, 0);
    std::string csv = base->read("gamelist_fc.csv");
    for (std::size_t at = csv.find("Game "); at != std::string::npos; at = csv.find("Game ", at))
        csv.replace(at, 5, "Title ");
    base->write("gamelist_fc.csv", csv);
    base->write("roms/wrong0.nes", "");
    fsys::remove(base->file("roms/wrong1.nes"));
    const std::vector<std::vector<std::string>> commands = {
        {"import-csv", base->file("gamelist_fc.csv"), "--yes"},
        {"optimise", "--yes"},
        {"category", "--yes", "rename", "1", "ACT", "アクション"},
    };
    for (const auto& command : commands) {
        SCOPED_TRACE(command[0]);
        // What the data files are before and after a run that is not killed.
        const auto before = filesByContents(base->file("data/"));
        std::map<std::string, std::string> shapes;
        for (const auto& [bytes, path] : before) shapes[fsys::path(path).filename()] = bytes;
        auto finished = std::make_unique<TempFolder>();
        fsys::copy(base->path(), finished->path(), fsys::copy_options::recursive);
        ASSERT_EQ(runCli(on(*finished, command)).status, 0);
        for (int step = 1; step < 100; ++step) {
            auto work = std::make_unique<TempFolder>();
            fsys::copy(base->path(), work->path(), fsys::copy_options::recursive);
            const CliRun run = killedAt(step, on(*work, command));
            if (run.status == 0) break;
            ASSERT_EQ(run.status, 128 + SIGKILL) << step << run.err;
            for (const auto& e : fsys::directory_iterator(work->file("data/"))) {
                const std::string name = e.path().filename();
                // Never under a real name; the lock and owner files say who held the folder (the
                // next program takes the owner file of a process that has ended over).
                if (name.starts_with(".romshelf-part-") || name == "romshelf.lock" ||
                    name == "romshelf.owner")
                    continue;
                const std::string bytes = work->read("data/" + name);
                const bool old = shapes.contains(name) && shapes[name] == bytes;
                const bool done = fsys::exists(finished->file("data/" + name)) &&
                                  finished->read("data/" + name) == bytes;
                EXPECT_TRUE(old || done) << name << " at step " << step;
            }
        }
    }
}

// Two commands at once on one program folder: the second waits for the first, and every edit
// either reports lands.
TEST_F(KilledRun, TwoWritersAtOnceLoseNoEdit) {
    constexpr int kEdits = 15;
    for (const char* writer : {"a", "b"})
        for (int k = 0; k < kEdits; ++k)
            dir.write(std::string("roms/") + writer + std::to_string(k) + ".nes", "");
    // Each registers files of its own: an edit lost to the other's save stays lost.
    auto edits = [&](std::string writer) {
        for (int k = 0; k < kEdits; ++k) {
            const std::string title = writer + std::to_string(k);
            const CliRun run =
                runCli(on(dir, {"set", title + ".nes", "--comment", "edit " + title, "--yes"}));
            EXPECT_EQ(run.status, 0) << run.err;
        }
    };
    std::thread first(edits, "a"), second(edits, "b");
    first.join();
    second.join();
    const RomTable records = savedRecords("FC");
    for (const char* writer : {"a", "b"})
        for (int k = 0; k < kEdits; ++k) {
            const std::string title = writer + std::to_string(k);
            const int r = records.findRecordByTitle(title);
            ASSERT_GE(r, 0) << title;
            EXPECT_EQ(records[r].comment, "edit " + title);
        }
}

TEST_F(KilledRun, AWriterWaitsForTheHolderThenStopsWithStatus75AndChangesNothing) {
    WriterLock window(dir.file("data/romshelf.lock"));
    ASSERT_EQ(window.tryAcquire("romshelf"), WriterLock::Result::Acquired);
    const std::string records = dir.read("data/RomData_FC.slb");
    const CliRun run = runCli(on(dir, {"set", "wrong0.nes", "--comment", "x", "--yes"}));
    EXPECT_EQ(run.status, 75);
    const std::string holder = "the window (romshelf, process " + std::to_string(::getpid()) + ")";
    EXPECT_NE(run.err.find("is in use by " + holder + "; waiting"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(holder + ": nothing was changed"), std::string::npos) << run.err;
    EXPECT_EQ(dir.read("data/RomData_FC.slb"), records);
    // Readers take no lock.
    EXPECT_EQ(runCli(on(dir, {"list"})).status, 0);
    window.release();
    EXPECT_EQ(runCli(on(dir, {"set", "wrong0.nes", "--comment", "x", "--yes"})).status, 0);
}

// Ctrl+C (or SIGTERM) during a batch: the item at hand is finished, what was done is printed,
// nothing is left half-written, and the status says which signal stopped it.
TEST_F(KilledRun, ASignalStopsABatchAfterItsItem) {
    for (const int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        int stoppedMidway = 0;
        for (int step = 1; step < 60; ++step) {
            const auto work = copy();
            const CliRun run = killedAt(step, on(*work, {"compress", "--all"}), signal);
            if (run.status == 0) break;
            ASSERT_EQ(run.status, 128 + signal) << step << run.err;
            int zips = 0;  // the games' and the file without a record
            for (const auto& e : fsys::directory_iterator(work->file("roms/")))
                zips += e.path().extension() == ".zip";
            EXPECT_EQ(leftovers(work->file("roms/")), 0);
            // What was done is printed.
            EXPECT_EQ(run.out.substr(0, run.out.find(' ')), std::to_string(zips)) << run.out;
            if (zips > 0 && zips <= kGames && run.out.find("aborted") != std::string::npos)
                ++stoppedMidway;
        }
        EXPECT_GT(stoppedMidway, 0);
    }
}

}  // namespace
