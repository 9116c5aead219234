// romshelf-cli as built, run as a script runs it (stdin no terminal) on copies of a demo program
// folder: every command's usage error is one line naming what is wrong with status 64, its run
// succeeds with 0, and a file it cannot read ends it with 2.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <filesystem>
#include <string>
#include <vector>

#include "TempFolder.h"
#include "core/views/FolderListingFile.h"
#include "core/platform/WriterLock.h"

using namespace romshelf;
using namespace romshelf::test;
namespace fsys = std::filesystem;
using V = std::vector<std::string>;

namespace {

struct Ran {
    int status = -1;
    std::string out, err;
};

std::string readAll(int fd) {
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    ::close(fd);
    return text;
}

// romshelf-cli with `args`, its stdin /dev/null and its user folders under `home`; `environment`
// ("NAME=value") added to its environment.
Ran runCli(const V& args, const std::string& home, const V& environment = {}) {
    V argv = {ROMSHELF_CLI_PROGRAM};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> c;
    for (std::string& a : argv) c.push_back(a.data());
    c.push_back(nullptr);
    int out[2], err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int devNull = ::open("/dev/null", O_RDONLY);
        ::dup2(devNull, 0), ::dup2(out[1], 1), ::dup2(err[1], 2);
        ::setenv("HOME", home.c_str(), 1);
        ::setenv("XDG_DATA_HOME", (home + "data").c_str(), 1);
        ::setenv("XDG_CACHE_HOME", (home + "cache").c_str(), 1);
        ::setenv("XDG_STATE_HOME", (home + "state").c_str(), 1);
        ::setenv("PATH", "/nonexistent", 1);  // no emulator or Wine found: the same every run
        for (const std::string& e : environment) ::putenv(const_cast<char*>(e.c_str()));
        ::execv(c[0], c.data());
        ::_exit(127);
    }
    ::close(out[1]), ::close(err[1]);
    Ran ran;
    // stderr is short: read after stdout, which may be long.
    ran.out = readAll(out[0]);
    ran.err = readAll(err[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ran.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return ran;
}

// The demo, made once; each case runs on a copy of its own.
class CliProgram : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        demo_ = new TempFolder;
        home_ = new TempFolder;
        const Ran made = runCli({"demo", demo_->file("demo")}, home_->path());
        ASSERT_EQ(made.status, 0) << made.err;
    }
    static void TearDownTestSuite() {
        delete demo_;
        delete home_;
    }
    // A fresh copy of the demo.
    void freshDemo() const {
        fsys::remove_all(dir.file("demo"));
        fsys::copy(demo_->file("demo"), dir.file("demo"), fsys::copy_options::recursive);
    }
    // `args` with "@" replaced by the program folder ("@/x" is x in it).
    Ran cli(V args, const V& environment = {}) const {
        for (std::string& a : args) {
            // At the start of an argument or of an option's attached value.
            const std::size_t at = a.starts_with("@") ? 0 : a.find("=@");
            if (at == std::string::npos) continue;
            const std::size_t from = at == 0 ? 0 : at + 1;
            a = a.substr(0, from) + dir.file("demo") + a.substr(from + 1);
        }
        return runCli(args, home_->path(), environment);
    }
    TempFolder dir;
    static inline TempFolder* demo_ = nullptr;
    static inline TempFolder* home_ = nullptr;
};

struct CommandCase {
    V usageError;       // arguments with one mistake
    std::string named;  // what the usage line names
    V success;
    V unreadable;  // arguments naming a file "none..." that cannot be read; empty when none applies
    V before = {};  // run before `success`, when it needs a file made
};

// Written from the usage of each command, not from its code; "@" is the program folder.
const CommandCase kCases[] = {
    {{"dump"}, "dump", {"dump", "@/data/Folder_FC.slb"}, {"dump", "@/data/none.slb"}},
    {{"list", "--program-folder", "@", "--rating", "7", "search", "x"},
     "--rating",
     {"list", "--program-folder", "@", "--hardware", "FC"},
     {}},
    {{"list", "--program-folder", "@", "--hardware", "--yes"},
     "--hardware",
     {"list", "--program-folder", "@", "all"},
     {}},
    {{"launch", "--program-folder", "@", "--hardware", "FC", "--row=x"},
     "--row",
     {"launch", "--program-folder", "@", "--hardware", "FC", "--row", "0", "--dry-run"},
     {}},
    {{"info", "--program-folder", "@", "--hardware", "FC", "--folder", "0"},
     "--folder",
     {"info", "--program-folder", "@", "--hardware", "FC", "--row", "0"},
     {"info", "--header", "@/none.nes"}},
    {{"clean-temp", "--program-folder", "@", "extra"},
     "extra",
     {"clean-temp", "--program-folder", "@", "--yes"},
     {}},
    {{"cache", "--program-folder", "@", "--max", "lots"},
     "--max",
     {"cache", "--program-folder", "@", "list"},
     {}},
    {{"category", "--program-folder", "@", "--hardware", "FC", "list", "9"},
     "9",
     {"category", "--program-folder", "@", "--hardware", "FC", "list", "1"},
     {}},
    {{"optimise", "--program-folder", "@"},
     "optimise",
     {"optimise", "--program-folder", "@", "--hardware", "FC", "--yes"},
     {}},
    {{"rename", "create", "--program-folder", "@", "--hardware", "FC", "--output"},
     "--output",
     {"rename", "create", "--program-folder", "@", "--hardware", "FC", "--output", "@/fc.dat",
      "--yes"},
     {}},
    {{"rename", "--dat", "--yes", "--program-folder", "@", "--hardware", "FC"},
     "--dat",
     {"rename", "create", "--program-folder", "@", "--hardware", "FC", "--yes"},
     {"rename", "--dat", "@/none.dat", "--program-folder", "@", "--hardware", "FC", "--yes"}},
    {{"compress", "--program-folder", "@", "--hardware", "FC"},
     "compress",
     {"compress", "--program-folder", "@", "--hardware", "FC", "--all", "--yes"},
     {}},
    {{"move", "--program-folder", "@", "--hardware", "FC", "--all"},
     "move",
     {"decompress", "--program-folder", "@", "--hardware", "FC", "--all", "--yes"},
     {}},
    {{"copy", "--program-folder", "@", "--hardware", "FC", "--all", "--output", "@/out/"},
     "copy",
     {"delete", "--program-folder", "@", "--hardware", "FC", "--all", "--yes"},
     {}},
    {{"set", "--program-folder", "@", "--hardware", "FC", "x.nes", "--rating", "6"},
     "--rating",
     {"list", "--program-folder", "@", "--hardware", "FC", "search", "x"},
     {}},
    {{"gamelist", "--program-folder", "@", "--hardware", "FC", "--encoding", "latin-1"},
     "--encoding",
     {"gamelist", "--program-folder", "@", "--hardware", "FC", "--encoding=utf-8"},
     {"gamelist", "--program-folder", "@", "--hardware", "FC", "--out", "@/none"}},
    {{"import-csv", "--program-folder", "@", "a.csv"},
     "import-csv",
     {"import-csv", "--program-folder", "@", "--hardware", "FC", "@/gamelist_fc.csv", "--yes"},
     {"import-csv", "--program-folder", "@", "--hardware", "FC", "@/none.csv", "--yes"},
     {"gamelist", "--program-folder", "@", "--hardware", "FC", "--csv"}},
    {{"import-metadata", "--program-folder", "@", "--hardware", "FC", "--esde"},
     "--esde",
     {"history", "--program-folder", "@"},
     {"import-metadata", "--program-folder", "@", "--hardware", "FC", "--esde", "@/none.xml"}},
    {{"verify", "--program-folder", "@", "--hardware", "FC", "--dat", "--report", "r.csv"},
     "--dat",
     {"verify", "--program-folder", "@", "--hardware", "FC", "--dat", "@/dat/FC.dat"},
     {"verify", "--program-folder", "@", "--hardware", "FC", "--dat", "@/none.dat"}},
    {{"fill", "--program-folder", "@", "--hardware", "FC", "--map", "genre=9", "--dry-run"},
     "--map",
     {"history", "--program-folder", "@"},
     {"fill", "--program-folder", "@", "--hardware", "FC", "--from", "@/none.rdb", "--map",
      "genre=1", "--dry-run"}},
    {{"emulators", "--program-folder", "@", "--hardware", "FC", "--set", "0", "x"},
     "--set",
     {"emulators", "--program-folder", "@", "--hardware", "FC"},
     {}},
    {{"history", "--program-folder", "@", "--since", "soon"},
     "--since",
     {"history", "--program-folder", "@"},
     {}},
    {{"disc-sets", "--program-folder", "@", "maybe"},
     "maybe",
     {"disc-sets", "--program-folder", "@", "on"},
     {}},
    {{"drives", "--program-folder", "@", "--set", "games", "@"},
     "--set",
     {"drives", "--program-folder", "@"},
     {}},
    {{"check-folder", "--program-folder", "@", "now"},
     "now",
     {"backup", "--program-folder", "@"},
     {}},
    {{"wine", "--program-folder", "@", "--program"},
     "--program",
     {"disc-sets", "--program-folder", "@"},
     {}},
    {{"backup", "--program-folder", "@", "--all"},
     "--all",
     {"backup", "--program-folder", "@"},
     {}},
    {{"demo"}, "demo", {"demo", "@/new/deeper/demo"}, {}},
    {{"identify"}, "identify", {"identify", "@/data/Folder_FC.slb"}, {}},
    {{"frobnicate"}, "frobnicate", {"--version"}, {}},
    {{"--yes=no", "list"}, "--yes", {"--help"}, {}},
};

}  // namespace

TEST_F(CliProgram, EveryCommandKeepsTheExitStatusesAndTellsAUsageErrorInOneLine) {
    for (const CommandCase& c : kCases) {
        SCOPED_TRACE(c.usageError.front() + " / " + c.named);
        freshDemo();
        const Ran wrong = cli(c.usageError);
        EXPECT_EQ(wrong.status, 64) << wrong.err;
        EXPECT_EQ(wrong.out, "");
        // One line, the program's name first, naming what is wrong.
        EXPECT_EQ(std::count(wrong.err.begin(), wrong.err.end(), '\n'), 1) << wrong.err;
        EXPECT_TRUE(wrong.err.starts_with("romshelf-cli: " + c.named + ":")) << wrong.err;

        if (!c.before.empty()) {
            ASSERT_EQ(cli(c.before).status, 0);
        }
        const Ran done = cli(c.success);
        EXPECT_EQ(done.status, 0) << done.err;

        if (c.unreadable.empty()) continue;
        freshDemo();
        const Ran unread = cli(c.unreadable);
        EXPECT_EQ(unread.status, 2) << unread.err;
        EXPECT_NE(unread.err.find("none"), std::string::npos) << unread.err;  // names the file
    }
}

// A question without --yes and without a terminal to ask it on is refused in one line naming
// --yes, with the usage status.
TEST_F(CliProgram, AQuestionWithoutATerminalNeedsYes) {
    freshDemo();
    const Ran asked = cli({"clean-temp", "--program-folder", "@"});
    EXPECT_EQ(asked.status, 64);
    EXPECT_EQ(std::count(asked.err.begin(), asked.err.end(), '\n'), 1) << asked.err;
    EXPECT_TRUE(asked.err.starts_with("romshelf-cli: --yes: ")) << asked.err;
}

// `list` prints nothing on stdout when nothing matches, and succeeds.
TEST_F(CliProgram, AListOfNothingPrintsNothing) {
    freshDemo();
    const Ran none =
        cli({"list", "--program-folder", "@", "--hardware", "FC", "search", "no such game"});
    EXPECT_EQ(none.status, 0) << none.err;
    EXPECT_EQ(none.out, "");
}

// The libraries only some commands need are loaded by those, not at every start: a listing or a
// CRC loads neither libcrypto, nor libarchive, nor SQLite, nor SDL, nor libgcab, nor ICU's
// collation once the list's keys are kept (the dynamic loader's own trace tells).
// A listing keeps the names of its settled folders for the next one, which takes them while each
// folder stays as it was and reads a folder again once it changed.
TEST_F(CliProgram, AListingKeepsTheNamesOfItsSettledFoldersForTheNext) {
    freshDemo();
    const V list = {"list", "--program-folder", "@", "--hardware", "FC"};
    const auto keptFiles = [&] {
        V found;
        if (fsys::exists(dir.file("demo/cache")))
            for (const auto& e : fsys::directory_iterator(dir.file("demo/cache")))
                if (e.path().filename().string().starts_with("folders-")) found.push_back(e.path());
        return found;
    };
    // The copy's folders changed a moment ago: a change in the same clock tick could go unseen.
    const Ran early = cli(list);
    ASSERT_EQ(early.status, 0) << early.err;
    EXPECT_EQ(keptFiles(), V{});
    std::this_thread::sleep_for(std::chrono::milliseconds(2100));
    const Ran first = cli(list);
    EXPECT_EQ(first.out, early.out);
    const V kept = keptFiles();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(fsys::path(kept[0]).filename().string(),
              "folders-FC@" + WriterLock::thisHost() + ".bin");
    EXPECT_EQ(cli(list).out, early.out);

    // Names kept under the folder's stamp as it is now are what the next listing shows...
    const std::string fc = dir.file("demo/roms/FC/");
    struct stat st {};
    ASSERT_EQ(::stat(fc.c_str(), &st), 0);
    const std::string_view names("Ghost (J).nes\0Hoshizora Demo (J).nes\0", 37);
    const FolderListing planted{fc, FolderStamp::of(st), 0, 0, names, 2};
    ASSERT_TRUE(saveFolderListingFile(kept[0], WriterLock::thisHost(), {&planted, 1}));
    const Ran ghost = cli(list);
    EXPECT_NE(ghost.out.find("\tGhost (J).nes\t"), std::string::npos) << ghost.out;
    EXPECT_EQ(ghost.out.find("Midori"), std::string::npos) << ghost.out;
    // ... until the folder changes.
    dir.write("demo/roms/FC/New (J).nes", "x");
    const Ran changed = cli(list);
    EXPECT_EQ(changed.out.find("Ghost"), std::string::npos) << changed.out;
    EXPECT_NE(changed.out.find("\tNew (J).nes\t"), std::string::npos) << changed.out;
    EXPECT_NE(changed.out.find("\tMidori no Mori (J).nes\t"), std::string::npos) << changed.out;
}

TEST_F(CliProgram, ALibraryIsLoadedOnlyByTheCommandsThatNeedIt) {
    freshDemo();
    const std::string rom = dir.write("game.bin", "not much of a game");
    const auto loaded = [](const std::string& trace, const std::string& library) {
        return trace.find("file=" + library) != std::string::npos;
    };
    const V list = {"list", "--program-folder", "@", "--hardware", "FC"};
    // The first listing computes the keys, with ICU's collation, and keeps them.
    const Ran first = cli(list, {"LD_DEBUG=files"});
    EXPECT_EQ(first.status, 0) << first.err;
    EXPECT_TRUE(loaded(first.err, "libicui18n.so."));
    for (const V& args : {list, V{"identify", rom}}) {
        SCOPED_TRACE(args[0]);
        const Ran ran = cli(args, {"LD_DEBUG=files"});
        EXPECT_EQ(ran.status, 0) << ran.err;
        ASSERT_TRUE(loaded(ran.err, "libz.so.1")) << "no trace of the dynamic loader";
        EXPECT_FALSE(loaded(ran.err, "libcrypto.so.3"));
        EXPECT_FALSE(loaded(ran.err, "libarchive.so.13"));
        EXPECT_FALSE(loaded(ran.err, "libsqlite3.so.0"));
        EXPECT_FALSE(loaded(ran.err, "libSDL2-2.0.so.0"));
        EXPECT_FALSE(loaded(ran.err, "libgcab-1.0.so.0"));
        EXPECT_FALSE(loaded(ran.err, "libicui18n.so."));
    }
    // Checking against a DAT that gives SHA-1s loads it.
    const Ran verify =
        cli({"verify", "--program-folder", "@", "--hardware", "FC", "--dat", "@/dat/FC.dat"},
            {"LD_DEBUG=files"});
    EXPECT_EQ(verify.status, 0);
    EXPECT_TRUE(loaded(verify.err, "libcrypto.so.3"));
    EXPECT_FALSE(loaded(verify.err, "libarchive.so.13"));  // no archive among the files
    // Packing a file loads libarchive, and the archive it makes reads back as its file.
    const Ran packed = cli({"compress", "--program-folder", "@", "--hardware", "FC", "--yes",
                            "--delete-source", "Midori no Mori (J).nes"},
                           {"LD_DEBUG=files"});
    EXPECT_EQ(packed.status, 0) << packed.err;
    EXPECT_TRUE(loaded(packed.err, "libarchive.so.13"));
    const Ran listed = cli(list);
    EXPECT_NE(listed.out.find("Midori no Mori (J).zip"), std::string::npos) << listed.out;
    EXPECT_EQ(listed.out.find("Midori no Mori (J).nes"), std::string::npos) << listed.out;
}

// The options' two forms and `--` are the same to every command.
TEST_F(CliProgram, AnOptionsValueMayBeAttachedAndDoubleDashEndsTheOptions) {
    freshDemo();
    const Ran apart = cli({"list", "--program-folder", "@", "--hardware", "FC"});
    ASSERT_EQ(apart.status, 0) << apart.err;
    ASSERT_NE(apart.out, "");
    const Ran attached = cli({"list", "--program-folder=@", "--hardware=FC"});
    EXPECT_EQ(attached.out, apart.out);
    // After `--`, "--all" is a file's name, which no listed file has.
    const Ran named =
        cli({"delete", "--program-folder", "@", "--hardware", "FC", "--yes", "--", "--all"});
    EXPECT_EQ(named.status, 2) << named.err;
    EXPECT_EQ(cli({"list", "--program-folder", "@", "--hardware", "FC"}).out, apart.out);
}
