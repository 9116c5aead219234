// romshelf-cli's commands (dump, list and launch apart), each run in-process on a program folder
// of its own, and its progress line.
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <signal.h>
#include <sstream>
#include <stdlib.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

#include <tuple>

#include "AppFixture.h"
#include "LaunchFixture.h"
#include "RawBytes.h"
#include "RomImages.h"
#include "WholeDat.h"
#include "cli/BackupCommand.h"
#include "cli/CacheCommand.h"
#include "cli/CliSupport.h"
#include "cli/CategoryCommand.h"
#include "cli/DumpCommand.h"
#include "cli/EmulatorsCommand.h"
#include "cli/FileOpsCommand.h"
#include "cli/GameListCommand.h"
#include "cli/HistoryCommand.h"
#include "cli/IdentifyCommand.h"
#include "cli/InfoCommand.h"
#include "cli/LaunchCommand.h"
#include "cli/ListCommand.h"
#include "cli/OptimiseCommand.h"
#include "cli/RenameCommand.h"
#include "cli/SetCommand.h"
#include "cli/VerifyCommand.h"
#include "cli/Interrupts.h"
#include "cli/TerminalProgress.h"
#include "core/rename/FileIdentity.h"
#include "core/rename/RenameData.h"
#include "core/settings/MainSettings.h"
#include "core/storage/PlayHistory.h"
#include "core/text/TextCodec.h"
#include "core/pictures/BmpReader.h"
#include "core/pictures/DibPicture.h"

using namespace romshelf;
using V = std::vector<std::string>;

namespace {

// A command run in-process on this program folder: `front` before its arguments, `back` after
// them (for commands that read an action first); what it printed in `printed` and `err`.
struct CliCommand : test::AppFixture {
    template <class Command>
    int call(Command command, V args, const V& front, const V& back = {}) {
        args.insert(args.begin(), front.begin(), front.end());
        args.insert(args.end(), back.begin(), back.end());
        std::ostringstream out, errors;
        const int status = command(args, out, errors);
        printed = out.str(), err = errors.str();
        return status;
    }
    // The body of data/`file` as dump prints it.
    nlohmann::json dumped(const std::string& file) {
        std::ostringstream out, errors;
        EXPECT_EQ(cli::dumpDataFile(dir.file("data/" + file), out, errors), 0) << errors.str();
        return nlohmann::json::parse(out.str())["body"];
    }
    std::string printed, err;
};

// launch --wait ends as the emulator ended (128 + a signal), telling a failure on stderr as the
// log does; without it the start is what counts.
TEST_F(CliCommand, LaunchWaitEndsWithTheEmulatorsStatus) {
    test::installRecorder(dir.file("emu/gens"));
    dir.write("roms/sonic.md", "x");
    const V where = {"--program-folder", dir.path(), "--hardware", "MD"};
    const std::tuple<std::string, V, int, std::string> cases[] = {
        // the emulator's arguments, launch's own, status, stderr
        {"--stderr oops --exit 3 $P",
         {"--wait"},
         3,
         "エミュレータが終了コード 3 で終了しました。\n"},
        {"--signal 8 $P",
         {"--wait"},
         128 + 8,
         "エミュレータがシグナル 8 (SIGFPE) で終了しました。\n"},
        {"--stderr fine $P", {"--wait"}, 0, ""},
        {"--exit 3 $P", {}, 0, ""},
    };
    for (const auto& [commandLine, more, status, told] : cases) {
        setUpLaunch("MD", emulator("Gens", "./emu/gens", commandLine));
        V args = more;
        args.insert(args.end(), {"--folder", "0", "sonic.md"});
        EXPECT_EQ(call(cli::launchFile, args, where), status) << commandLine;
        EXPECT_EQ(err, told) << commandLine;
        if (!told.empty()) {
            EXPECT_NE(printed.find(told), std::string::npos) << printed;  // the log says it too
        }
        // The emulator's own words are in the log, indented; a clean end shows none.
        EXPECT_EQ(printed.find("  oops\n") != std::string::npos, status == 3) << printed;
        EXPECT_EQ(printed.find("  fine\n"), std::string::npos) << printed;
    }
}

// cache lists what launches kept, sets the cap (saved, and evicting down to it) and clears only
// its own files; a size it cannot read or a missing operation is refused.
TEST_F(CliCommand, CacheListsCapsAndClearsTheUnpackedImages) {
    test::installRecorder(dir.file("emu/gens"));
    setUpLaunch("MD", emulator("Gens", "./emu/gens", "$P"));
    writeZip("roms/sonic.zip", {{"sonic.md", "SONIC"}});
    writeZip("roms/tails.zip", {{"tails.md", "TAILS!"}});
    const V where = {"--program-folder", dir.path()};
    for (const char* zip : {"sonic.zip", "tails.zip"})
        ASSERT_EQ(
            call(cli::launchFile, {"--hardware", "MD", "--dry-run", "--folder", "0", zip}, where),
            0)
            << err;
    ASSERT_EQ(call(cli::cacheCommand, {"list"}, where), 0) << err;
    const std::string cacheFolder = dir.path() + "cache/unpacked/";
    const std::string total =
        "total 11 bytes (11 Byte) of 4294967296 (4,096 MB) in " + cacheFolder + "\n";
    EXPECT_EQ(printed.substr(printed.find("total")), total);
    EXPECT_EQ(printed.find(dir.path() + "roms/sonic.zip\tsonic.md\t5\t"), 0u) << printed;
    EXPECT_NE(printed.find(dir.path() + "roms/tails.zip\ttails.md\t6\t"), std::string::npos);

    dir.write("cache/unpacked/mine.txt", "mine");
    ASSERT_EQ(call(cli::cacheCommand, {"--max", "6"}, where), 0) << err;
    EXPECT_EQ(printed.substr(0, printed.find('\n')), "1 images removed");
    EXPECT_EQ(printed.find(dir.path() + "roms/sonic.zip"), std::string::npos) << printed;
    EXPECT_NE(dir.read("data/romshelf-plus.ini").find("unpackCacheLimit=6\n"), std::string::npos);
    ASSERT_EQ(call(cli::cacheCommand, {"clear"}, where), 0) << err;
    EXPECT_EQ(printed,
              "1 images removed\ntotal 0 bytes (0 Byte) of 6 (6 Byte) in " + cacheFolder + "\n");
    EXPECT_EQ(dir.read("cache/unpacked/mine.txt"), "mine");

    const std::tuple<V, std::string> refused[] = {
        {{"--max", "4X"},
         "romshelf-cli: --max: needs a size such as 512M, 4G or a number of bytes, not 4X\n"},
        {V{}, "romshelf-cli: cache: needs list, clear or --max SIZE\n"},
        {{"list", "clear"}, "romshelf-cli: clear: unexpected argument\n"},
    };
    for (const auto& [args, told] : refused) {
        EXPECT_EQ(call(cli::cacheCommand, args, where), 64);
        EXPECT_EQ(err, told);
    }
}

// The data folder's files are copied; a FIFO is named and not waited on, a sub-folder is left.
TEST_F(CliCommand, BackupCopiesTheDataFilesAndNamesWhatItCouldNot) {
    dir.write("data/Notes.slb", "notes");
    dir.makeFolder("data/sub");
    ASSERT_EQ(::mkfifo(dir.file("data/pipe.slb").c_str(), 0600), 0);
    EXPECT_EQ(call(cli::backUp, {}, {"--program-folder", dir.path()}), 1);
    EXPECT_EQ(dir.read("backup/Notes.slb"), "notes");
    EXPECT_FALSE(std::filesystem::exists(dir.file("backup/sub")));
    EXPECT_EQ(err, "not copied: pipe.slb\n");
    test::TempFolder empty;
    EXPECT_EQ(call(cli::backUp, {}, {"--program-folder", empty.path()}), 2);
}

// The optimisation as Ctrl+I runs it, saved; a ROM folder that is gone stops it before any loss.
TEST_F(CliCommand, OptimiseDeletesRecordsOfGoneFilesUnlessAFolderIsMissing) {
    dir.write("roms/a.nes", "a");
    setUpHardware("FC", "./roms/");
    RomRecord kept = record("a", "エー"), gone = record("Gone", "消えた");
    kept.rating = gone.rating = 3;
    writeRecords("FC", {kept, gone});
    const V where = {"--program-folder", dir.path(), "--hardware", "FC", "--yes"};
    EXPECT_EQ(call(cli::optimise, {}, {}), 64);  // no hardware
    std::filesystem::rename(dir.file("roms"), dir.file("away"));
    EXPECT_EQ(call(cli::optimise, {}, where), 1);
    EXPECT_EQ(savedRecords("FC").count(), 2);
    std::filesystem::rename(dir.file("away"), dir.file("roms"));
    EXPECT_EQ(call(cli::optimise, {}, where), 0);
    EXPECT_EQ(printed, "1 records deleted\n");
    ASSERT_EQ(savedRecords("FC").count(), 1);
    EXPECT_EQ(savedRecords("FC")[0].fileTitle, "a");
}

// A file renamed with mv keeps its record: list shows (and saves) it on the new name, and the
// optimisation moves it instead of deleting it (--yes answers its offer).
TEST_F(CliCommand, ListAndOptimiseLetRecordsFollowFilesRenamedOutside) {
    dir.write("roms/a.nes", std::string(800, 'a'));
    setUpHardware("FC", "./roms/");
    writeRecords("FC", {record("a", "エー")});
    start("FC");
    app.hashPending();  // the window summed the files while it ran
    std::filesystem::rename(dir.file("roms/a.nes"), dir.file("roms/b.nes"));
    EXPECT_EQ(call(cli::listFiles, {}, {"--program-folder", dir.path(), "--hardware", "FC"}), 0);
    EXPECT_NE(printed.find("エー\t\tb.nes\t"), std::string::npos) << printed;
    EXPECT_EQ(savedRecords("FC")[0].fileTitle, "b");

    std::filesystem::rename(dir.file("roms/b.nes"), dir.file("roms/c.nes"));
    EXPECT_EQ(
        call(cli::optimise, {}, {"--program-folder", dir.path(), "--hardware", "FC", "--yes"}), 0);
    EXPECT_EQ(printed, "0 records deleted\n");
    ASSERT_EQ(savedRecords("FC").count(), 1);
    EXPECT_EQ(savedRecords("FC")[0].fileTitle, "c");
}

// launch --wait records the run; history prints a game a line, the last played first, of one
// hardware or since a day when asked (the times in UTC here).
TEST_F(CliCommand, HistoryPrintsTheGamesLastPlayedFirst) {
    test::installRecorder(dir.file("emu/gens"));
    dir.write("roms/sonic.md", "x");
    setUpLaunch("MD", emulator("Gens", "./emu/gens", "$P"));
    const V where = {"--program-folder", dir.path()};
    ASSERT_EQ(call(cli::historyCommand, {}, where), 0);
    EXPECT_EQ(printed, "");  // no history yet, and none made
    EXPECT_FALSE(std::filesystem::exists(dir.file("data/PlayHistory.sqlite")));
    ASSERT_EQ(
        call(cli::launchFile, {"--hardware", "MD", "--wait", "--folder", "0", "sonic.md"}, where),
        0);
    ASSERT_EQ(call(cli::historyCommand, {}, where), 0);
    EXPECT_TRUE(printed.starts_with("MD\tsonic\t1\t0:00:0")) << printed;
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    {
        PlayHistory h(dir.file("data/PlayHistory.sqlite"));
        h.record({{"FC", "Zelda\tII", std::nullopt, std::nullopt}, 1700000000, 3661, 0, false});
        h.record({{"FC", "Mario", std::nullopt, std::nullopt}, 1600000000, 59, 0, false});
    }
    const std::tuple<V, int, std::string> cases[] = {
        {{"--hardware", "FC"},
         0,
         "FC\tZelda\\tII\t1\t1:01:01\t2023-11-14T22:13:20\n"
         "FC\tMario\t1\t0:00:59\t2020-09-13T12:26:40\n"},
        {{"--hardware", "FC", "--since", "2023-01-01"},
         0,
         "FC\tZelda\\tII\t1\t1:01:01\t2023-11-14T22:13:20\n"},
        {{"--since", "2023-1-1"}, 64, ""},
    };
    for (const auto& [args, status, out] : cases) {
        EXPECT_EQ(call(cli::historyCommand, args, where), status) << args.back();
        EXPECT_EQ(printed, out) << args.back();
    }
    ::unsetenv("TZ");
    ::tzset();
}

// list --sort puts the most played (or last played) first; the rest keep the list's order.
TEST_F(CliCommand, ListSortsByThePlayHistory) {
    setUpHardware("MD", "./roms/");
    for (const char* name : {"a.md", "b.md", "c.md"}) dir.write(std::string("roms/") + name, "x");
    {
        PlayHistory h(dir.file("data/PlayHistory.sqlite"));
        auto run = [&](const char* title, long long started, long long seconds) {
            h.record({{"MD", title, std::nullopt, std::nullopt}, started, seconds, 0, false});
        };
        run("b", 1700000000, 10);
        run("b", 1700000100, 10);
        run("c", 1600000000, 3600);
    }
    // The file cells of the rows, in their order.
    auto files = [&](V more) {
        more.insert(more.end(), {"--program-folder", dir.path(), "--hardware", "MD"});
        EXPECT_EQ(call(cli::listFiles, more, {}), 0) << err;
        V names;
        std::istringstream rows(printed);
        for (std::string row; std::getline(rows, row);) {
            std::istringstream cells(row);
            std::string cell;
            for (int k = 0; k < 3; ++k) std::getline(cells, cell, '\t');
            names.push_back(cell);
        }
        return names;
    };
    const std::tuple<V, V> cases[] = {
        {{}, {"a.md", "b.md", "c.md"}},
        {{"--sort", "playcount"}, {"b.md", "c.md", "a.md"}},
        {{"--sort", "playtime"}, {"c.md", "b.md", "a.md"}},
        {{"--sort", "lastplayed"}, {"b.md", "c.md", "a.md"}},
    };
    for (const auto& [more, order] : cases) EXPECT_EQ(files(more), order) << more.size();
    EXPECT_EQ(call(cli::listFiles, {"--sort", "rating"}, {"--program-folder", dir.path()}), 64);
}

// The reading commands leave a damaged play history as it is: history, list --sort and info
// find no plays, say why on stderr, and the data folder keeps its files and their bytes.
TEST_F(CliCommand, ReadingCommandsLeaveADamagedPlayHistoryAlone) {
    setUpHardware("MD", "./roms/");
    dir.write("roms/a.md", "x");
    {
        PlayHistory h(dir.file("data/PlayHistory.sqlite"));
        h.record({{"MD", "a", std::nullopt, std::nullopt}, 1700000000, 10, 0, false});
    }
    // Its first page kept, the rest written over.
    std::string bytes = dir.read("data/PlayHistory.sqlite");
    for (std::size_t i = 4096; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 31 + 5);
    dir.write("data/PlayHistory.sqlite", bytes);
    const auto dataFolder = [&] {
        std::map<std::string, std::string> files;
        for (const auto& entry : std::filesystem::directory_iterator(dir.file("data")))
            files[entry.path().filename().string()] =
                dir.read("data/" + entry.path().filename().string());
        return files;
    };
    const auto before = dataFolder();
    const V where = {"--program-folder", dir.path(), "--hardware", "MD"};
    EXPECT_EQ(call(cli::historyCommand, {}, where), 0);
    EXPECT_EQ(printed, "");
    EXPECT_NE(err.find("PlayHistory.sqlite"), std::string::npos) << err;
    EXPECT_EQ(call(cli::listFiles, {"--sort", "playcount"}, where), 0);
    EXPECT_NE(err.find("PlayHistory.sqlite"), std::string::npos) << err;
    EXPECT_EQ(call(cli::showInfo, {"--row", "0"}, where), 0);
    EXPECT_NE(printed.find("\nplaycount\t0\n"), std::string::npos) << printed;
    EXPECT_EQ(dataFolder(), before);
}

// One line of the five numbers and the name per file; a missing file makes the status 1.
TEST_F(CliCommand, IdentifyPrintsTheFiveNumbersOfEachFile) {
    dir.write("g.nes", std::string(600, 'g'));
    const FileIdentity id = fileIdentity(dir.file("g.nes"));
    EXPECT_EQ(call(cli::identifyFiles, {dir.file("g.nes"), dir.file("none.nes")}, {}), 1);
    EXPECT_TRUE(printed.starts_with("600\t" + std::to_string(id.crc) + "\t" +
                                    std::to_string(id.sum1) + "\t"))
        << printed;
    // The missing file is said on stderr; the output holds only the results.
    EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1);
    EXPECT_EQ(printed.find("none.nes"), std::string::npos) << printed;
    EXPECT_EQ(err, "not a regular file: " + dir.file("none.nes") +
                       "\nromshelf-cli: identify: 1 of 2 files could not be read\n");
}

// MSX set up, and an openMSX first on PATH (the machine's own places are searched too).
struct EmulatorsCommand : CliCommand {
    void SetUp() override {
        setUpHardware("MSX");
        openmsx = dir.write("bin/openmsx", "");
        std::filesystem::permissions(openmsx, std::filesystem::perms::owner_all);
        const char* path = std::getenv("PATH");
        oldPath = path ? path : "";
        ::setenv("PATH", (dir.file("bin") + ":" + oldPath).c_str(), 1);
    }
    void TearDown() override { ::setenv("PATH", oldPath.c_str(), 1); }
    int run(std::vector<std::string> args, const std::string& code = "MSX") {
        return call(cli::emulatorsCommand, args,
                    {"--program-folder", dir.path(), "--hardware", code});
    }
    std::string openmsx, oldPath;
};

TEST_F(EmulatorsCommand, SuggestsAndFillsASlotThroughTheDialogsCode) {
    ASSERT_EQ(run({"--suggest"}), 0) << err;
    EXPECT_TRUE(printed.starts_with("openMSX\t" + openmsx + "\t$P\n")) << printed;

    ASSERT_EQ(run({"--set", "2", "openMSX"}), 0) << err;
    EXPECT_EQ(printed, "2\topenMSX\t" + openmsx + "\t$P\n");
    const EmulatorEntries saved = stored(loadEmulatorFile, dir.file("data/Emulator_MSX.slb"));
    EXPECT_EQ(saved[1].executable, openmsx);
    EXPECT_EQ(saved[1].commandLine, "$P");
    // The slot list shows it among the offered slots, one a line, counted from 1.
    ASSERT_EQ(run({}), 0) << err;
    EXPECT_NE(printed.find("\n2\topenMSX\t" + openmsx + "\t$P\n"), std::string::npos) << printed;
    EXPECT_TRUE(printed.starts_with("1\t")) << printed;

    const std::pair<std::vector<std::string>, int> refused[] = {
        {{"--set", "2", "mednafen"}, 1},  // no such emulator for MSX
        {{"--set", "50", "openMSX"}, 1},  // a slot MSX does not offer
        {{"--set", "0", "openMSX"}, 64}, {{"--set", "x", "openMSX"}, 64}, {{"--set", "2"}, 64},
        {{"--frobnicate"}, 64},
    };
    for (const auto& [args, status] : refused) EXPECT_EQ(run(args), status) << args[0] << err;
    // Suggesting needs no folder settings: a hardware not set up yet is offered its emulators.
    EXPECT_EQ(run({"--suggest"}, "MSX"), 0);
    std::filesystem::remove(dir.file("data/Folder_MSX.slb"));
    const std::string withSettings = printed;
    EXPECT_EQ(run({"--suggest"}, "MSX"), 0) << err;
    EXPECT_EQ(printed, withSettings);
    EXPECT_EQ(run({"--suggest"}, "NOPE"), 64);
    EXPECT_EQ(run({"--set", "2", "openMSX"}), 2);  // setting a slot does need them
}

// RetroArch on PATH and a core for MSX among the user's cores: offered after openMSX, named after
// the core, its command line loading the core; a slot takes it by that name.
TEST_F(EmulatorsCommand, OffersRetroArchOnceForEachCoreOfTheHardware) {
    const std::string retroarch = dir.write("bin/retroarch", "");
    std::filesystem::permissions(retroarch, std::filesystem::perms::owner_all);
    const std::string core = dir.write("config/retroarch/cores/fmsx_libretro.so", "");
    dir.write("config/retroarch/cores/fmsx_libretro.info",
              "display_name = \"Microsoft - MSX (fMSX)\"\ncorename = \"fMSX\"\n"
              "database = \"Microsoft - MSX|Microsoft - MSX2\"\n");
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const std::string oldConfig = config ? config : "";
    ::setenv("XDG_CONFIG_HOME", dir.file("config").c_str(), 1);
    const int suggested = run({"--suggest"});
    const std::string suggestions = printed;
    const int set = run({"--set", "2", "RetroArch (fMSX)"});
    const std::string slot = printed;
    if (config)
        ::setenv("XDG_CONFIG_HOME", oldConfig.c_str(), 1);
    else
        ::unsetenv("XDG_CONFIG_HOME");

    const std::string line = "RetroArch (fMSX)\t" + retroarch + "\t-L \"" + core + "\" $P\n";
    ASSERT_EQ(suggested, 0) << err;
    EXPECT_TRUE(suggestions.starts_with("openMSX\t" + openmsx + "\t$P\n" + line)) << suggestions;
    ASSERT_EQ(set, 0) << err;
    EXPECT_EQ(slot, "2\t" + line);
    const EmulatorEntries saved = stored(loadEmulatorFile, dir.file("data/Emulator_MSX.slb"));
    EXPECT_EQ(saved[1].executable, retroarch);
    EXPECT_EQ(saved[1].commandLine, "-L \"" + core + "\" $P");
}

// FC with ROM folders roms/ and other/.
struct FileOpsCommand : CliCommand {
    FileOpsCommand() {
        FolderSettings f;
        f.romFolderNames = {"A", "B"};
        f.romFolderPaths = {"./roms/", "./other/"};
        writeFolderSettings("FC", f);
        dir.makeFolder("other");
        dir.write("roms/Mario.nes", std::string(3000, 'm'));
        dir.write("roms/Zelda.nes", "zelda");
    }
    int run(const std::string& operation, V args, bool yes = true) {
        const auto command = [&](const V& a, std::ostream& o, std::ostream& e) {
            return cli::fileOperation(operation, a, o, e);
        };
        V where{"--program-folder", dir.path(), "--hardware", "FC"};
        if (yes) where.push_back("--yes");
        return call(command, args, {}, where);
    }
    bool has(const std::string& file) const { return std::filesystem::exists(dir.file(file)); }
};

// A file packed and its source deleted, unpacked again, moved to the other folder, deleted for
// good; the file names as list prints them.
TEST_F(FileOpsCommand, PacksUnpacksMovesAndDeletes) {
    ASSERT_EQ(run("compress", {"Mario.nes", "--delete-source"}), 0) << printed;
    EXPECT_TRUE(has("roms/Mario.zip"));
    EXPECT_FALSE(has("roms/Mario.nes"));
    ASSERT_EQ(run("decompress", {"--all"}), 0) << printed;
    EXPECT_EQ(dir.read("roms/Mario.nes"), std::string(3000, 'm'));
    ASSERT_EQ(run("move", {"Zelda.nes", "--to", "1"}), 0) << printed;
    EXPECT_EQ(dir.read("other/Zelda.nes"), "zelda");
    ASSERT_EQ(run("delete", {"Zelda.nes", "--permanent"}), 0) << printed;
    EXPECT_FALSE(has("other/Zelda.nes"));
    EXPECT_EQ(run("move", {"Mario.nes"}), 64);     // no destination
    EXPECT_EQ(run("delete", {"Missing.nes"}), 2);  // not listed
    EXPECT_TRUE(has("roms/Mario.nes"));
}

// An unpacked member's new title reaches the recent launches, saved at once (the run's
// --permanent is not); a MainData.slb that cannot be written makes the run fail, and says so.
TEST_F(FileOpsCommand, DecompressSavesTheRecentLaunchThatFollowedTheMember) {
    writeZip("roms/Game.zip", {{"Other.nes", "other"}});
    writeZip("roms/Two.zip", {{"Three.nes", "three"}});
    const std::size_t fc = static_cast<std::size_t>(hardwareIndexOf("FC"));
    MainSettings m;
    m.currentHardware = "FC";
    m.recentLaunches[fc][0] = {"ゲーム", "Game.zip", 0};
    m.recentLaunches[fc][1] = {"ツー", "Two.zip", 0};
    DataStream s;
    ASSERT_TRUE(saveMainSettings(s, app.mainDataPath(), m));
    const auto recent = [&](std::size_t k) {
        return dumped("MainData.slb")["recentLaunches"][fc][k]["fileName"];
    };

    ASSERT_EQ(::chmod(app.mainDataPath().c_str(), 0444), 0);
    EXPECT_EQ(run("decompress", {"Two.zip", "--delete-source", "--permanent"}), 1);
    EXPECT_NE(err.find("could not save " + app.mainDataPath() + "\n"), std::string::npos) << err;
    EXPECT_EQ(recent(1), "Two.zip");
    ASSERT_EQ(::chmod(app.mainDataPath().c_str(), 0644), 0);

    ASSERT_EQ(run("decompress", {"Game.zip", "--delete-source", "--permanent"}), 0) << err;
    EXPECT_FALSE(has("roms/Game.zip"));
    EXPECT_EQ(dir.read("roms/Other.nes"), "other");
    EXPECT_EQ(std::tuple(recent(0), dumped("MainData.slb")["options"][15]),
              std::tuple("Other.nes", false));
}

// copy asks before it replaces a file (--yes says yes); a folder, or a path ending in '/', takes
// the file under its own name; every refusal says why.
TEST_F(FileOpsCommand, CopyAsksBeforeReplacingAndCopiesIntoAFolder) {
    dir.makeFolder("out/sub/Zelda.nes");
    const struct {
        std::string output;
        bool yes;
        int status;
        std::string file, bytes, said;  // the file copied to and its bytes; among the messages
    } cases[] = {
        {dir.file("out"), false, 0, "out/Zelda.nes", "zelda", ""},
        {dir.file("out") + "/", false, 1, "out/Zelda.nes", "older",
         "上書きしてもいいですか？\n-> no\nnot copied: " + dir.file("out/Zelda.nes") +
             " exists (--yes replaces it)\n"},
        {dir.file("out") + "/", true, 0, "out/Zelda.nes", "zelda", ""},
        {dir.file("out/z.nes"), false, 0, "out/z.nes", "zelda", ""},
        {dir.file("none") + "/", true, 1, "", "",
         "not copied: no such folder " + dir.file("none") + "/\n"},
        {dir.file("none/z.nes"), true, 1, "", "", "no such folder"},
        {dir.file("out/sub/"), true, 1, "", "", dir.file("out/sub/Zelda.nes") + " is a folder"},
        {dir.file("roms/Zelda.nes"), true, 1, "roms/Zelda.nes", "zelda", "is the file itself"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.output);
        if (c.bytes == "older") dir.write(c.file, "older");
        EXPECT_EQ(run("copy", {"Zelda.nes", "--output", c.output}, c.yes), c.status);
        EXPECT_EQ(printed, c.status == 0 ? "copied to " + dir.file(c.file) + "\n" : "");
        EXPECT_EQ(c.file.empty() ? "" : dir.read(c.file), c.bytes);
        EXPECT_NE(err.find(c.said), std::string::npos) << err;
    }
    EXPECT_FALSE(has("none"));
}

// FC with Alpha.nes (a record with a comment that needs quoting) and Beta.nes (none).
struct GameListCommand : CliCommand {
    GameListCommand() {
        setUpHardware("FC", "./roms/");
        dir.write("roms/Alpha.nes", "a");
        dir.write("roms/Beta.nes", "b");
        RomRecord alpha = record("Alpha", "Alpha");
        alpha.reading = "Alpha";
        alpha.rating = 3;
        alpha.comment = "a \"quoted\", two-line\ncomment";
        writeRecords("FC", {alpha});
    }
    // Runs the command on the program folder; its printed lines, the messages in `err`.
    std::string run(int (*command)(const V&, std::ostream&, std::ostream&), V args,
                    int status = 0) {
        EXPECT_EQ(call(command, args, {}, {"--program-folder", dir.path()}), status) << err;
        return printed;
    }
};

TEST_F(GameListCommand, WritesTheListedRowsWithTheChosenItems) {
    dir.makeFolder("out");
    EXPECT_EQ(run(cli::gameListCommand, {"--hardware", "FC", "--items", "file,rating,cat1",
                                         "--second-line", "--out", dir.file("out")}),
              dir.file("out/gamelist_fc.txt") + "\n");
    const std::string stars(56, '*');
    EXPECT_EQ(text::decodeTextFile(dir.read("out/gamelist_fc.txt")),
              stars + "\n\t\tファミリーコンピュータ (ファイル数 : 2)\n" + stars +
                  "\n\n・Alpha\n\t (Alpha.nes : ★★★)\n・Beta\n\t (Beta.nes)\n");
    // Only the rows of a list mode, CSV into the program folder.
    EXPECT_EQ(run(cli::gameListCommand, {"--hardware", "FC", "--csv", "unregistered"}),
              dir.file("gamelist_fc.csv") + "\n");
    EXPECT_EQ(std::ranges::count(dir.read("gamelist_fc.csv"), '\n'), 1);
    run(cli::gameListCommand, {"--hardware", "FC", "--items", "file,colour"}, 64);
    run(cli::gameListCommand, {"--csv"}, 64);
    // A folder that is not there is named as the reason.
    EXPECT_EQ(run(cli::gameListCommand, {"--hardware", "FC", "--out", dir.file("nowhere")}, 2), "");
    EXPECT_EQ(err, "no such folder: " + dir.file("nowhere") + "\n");
}

// The records the import saves are those exported, byte for byte: a comment's CR LF (as the
// dialog stores it) and a bare line feed come back as they were.
TEST_F(GameListCommand, CsvComesBackThroughTheImport) {
    RomRecord alpha = savedRecords("FC")[0];
    alpha.comment = "落ち物\r\n名作, \"quoted\"\nand \"\"\r\n";
    alpha.classes[2] = "A,\"B\"", alpha.favourite = true, alpha.preferredEmulator = 7;
    writeRecords("FC", {alpha});
    const auto dumped = [&] {
        std::ostringstream out, errors;
        EXPECT_EQ(cli::dumpDataFile(dir.file("data/RomData_FC.slb"), out, errors), 0);
        return out.str();
    };
    const std::string exported = dumped();
    ASSERT_NE(exported.find(R"("落ち物\r\n名作, \"quoted\"\nand \"\"\r\n")"), std::string::npos)
        << exported;
    run(cli::gameListCommand, {"--hardware", "FC", "--csv"});
    run(cli::importCsvCommand, {"--hardware", "FC", dir.file("gamelist_fc.csv")}, 1);
    EXPECT_NE(err.find("-> no"), std::string::npos) << err;
    EXPECT_EQ(
        run(cli::importCsvCommand, {"--hardware", "FC", dir.file("gamelist_fc.csv"), "--yes"}),
        "1 records read\nreplaced records saved to " + dir.file("data/RomData_FC_before-csv.slb") +
            "\n");
    EXPECT_EQ(dumped(), exported);
    // The older layout in the own import is refused and changes nothing.
    dir.write("list_fc.csv",
              "\"a\",\"b\",\"c\",\"d\",\"e\",\"f\",\"g\",\"h\",\"i\",\"j\",\"k\","
              "\"l\",\"m\",1,2\n");
    run(cli::importCsvCommand, {"--hardware", "FC", dir.file("list_fc.csv"), "--yes"}, 1);
    EXPECT_NE(err.find("見出しではありません"), std::string::npos) << err;
    run(cli::importCsvCommand, {"--hardware", "FC"}, 64);
    run(cli::importCsvCommand, {"--hardware", "FC", "a.csv", "--sideways"}, 64);
}

// MD with "tab\tname.md" registered (a comment of two lines), a red picture in media folder 1
// and a blue snap in snap folder 1.
struct InfoCommand : CliCommand {
    void SetUp() override {
        FolderSettings f;
        f.romFolderPaths[0] = "./roms/";
        f.mediaFolderPaths[0] = "./media/";
        f.snapFolderPaths[0] = "./snap/";
        writeFolderSettings("MD", f);
        writeRecords("MD", {{"tab\tname", "ゲーム", "", {}, "", "行1\n行2"}});
        dir.write("roms/tab\tname.md", std::string(1500, 'x'));
        DibPicture red;
        red.create(64, 32);
        red.fill({0, 0, 64, 32}, {255, 0, 0});
        ASSERT_TRUE(red.saveBmp(dir.write("media/tab\tname.bmp", "")));
        red.fill({0, 0, 64, 32}, {0, 0, 255});
        ASSERT_TRUE(red.saveBmp(dir.write("snap/tab\tname.bmp", "")));
    }
    // The picture written to `path`: its size, and the red and blue of pixel (x, y).
    static std::array<int, 4> picture(const std::string& path, int x, int y) {
        const auto p = readBmpFile(path);
        if (!p) return {};
        const std::size_t at = 3 * static_cast<std::size_t>(y * p->width + x);
        return {p->width, p->height, p->rgb[at], p->rgb[at + 2]};
    }
    int run(V more) {
        return call(cli::showInfo, more, {"--program-folder", dir.path(), "--hardware", "MD"});
    }
};

TEST_F(InfoCommand, PrintsTheDetailWindowsTextsEscapedAndWritesTheirPictures) {
    const std::string media = dir.file("media.bmp"), snap = dir.file("snap.bmp");
    ASSERT_EQ(
        run({"--folder", "0", "tab\\tname.md", "--media-picture", media, "--snap-picture", snap}),
        0);
    EXPECT_EQ(err, "");
    EXPECT_EQ(printed,
              "database\t行1\\n行2\nplaycount\t0\nplaytime\t0:00:00\nlastplayed\t\n"
              "name\tゲーム\n"
              "status\ttab\\tname.md - ファイルサイズ : 1 KB\nrating\t\ncategory1\t\n"
              "category2\t\ncategory3\t\ncategory4\t\ncategory5\t\nclass\t\n"
              "media-picture\t" +
                  dir.path() + "media/tab\\tname.bmp\nmedia-midi\t\nmedia-wave\t\nsnap\t" +
                  dir.path() + "snap/tab\\tname.bmp\n");
    // Each picture in the middle of its 320 x 240 window; the snap's frame round it.
    EXPECT_EQ(picture(media, 160, 120), (std::array<int, 4>{320, 240, 255, 0}));
    EXPECT_EQ(picture(snap, 160, 120), (std::array<int, 4>{320, 240, 0, 255}));
    EXPECT_NE(picture(snap, 2, 2)[3], 255);

    // A game that was played: its runs as the history counts them (the times in UTC here).
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    PlayHistory(dir.file("data/PlayHistory.sqlite"))
        .record({{"MD", "tab\tname", std::nullopt, std::nullopt}, 1700000000, 3661, 0, false});
    ASSERT_EQ(run({"--row", "0"}), 0);
    EXPECT_NE(printed.find("\nplaycount\t1\nplaytime\t1:01:01\nlastplayed\t2023-11-14T22:13:20\n"),
              std::string::npos)
        << printed;
    ::unsetenv("TZ");
    ::tzset();

    EXPECT_EQ(run({"--row", "1"}), 2);
    EXPECT_EQ(run({"--folder", "1", "tab\\tname.md"}), 2);
    EXPECT_EQ(run({"--row", "0", "--folder", "0", "x"}), 64);
    EXPECT_EQ(run({"--row", "0", "--media-picture", dir.file("no/such/folder/x.bmp")}), 1);

    // A snap this program cannot decode here is named, warned about, and not drawn.
    std::filesystem::remove(dir.file("snap/tab\tname.bmp"));
    dir.write("snap/tab\tname.png", std::string("\x89PNG\r\n\x1a\n", 8) + std::string(64, '\0'));
    ASSERT_EQ(run({"--row", "0", "--snap-picture", snap}), 0);
    EXPECT_TRUE(printed.ends_with("snap\t" + dir.path() + "snap/tab\\tname.png\n")) << printed;
    EXPECT_NE(err.find("the snap cannot be read here"), std::string::npos) << err;
    EXPECT_NE(picture(snap, 160, 120)[3], 255);
}

TEST_F(InfoCommand, HeaderPrintsTheReadersLinesForAFileOrAnArchivesMember) {
    dir.write("h/game.md", test::rom::megaDrive(32, "SONIC"));
    dir.write("h/game.gb", test::rom::gameBoy("TETRIS"));
    dir.write("h/data.bin", test::rom::gameBoy("TETRIS"));
    dir.write("h/game.pce", "x");
    writeZip("h/game.zip", {{"inner.gb", test::rom::gameBoy("ZIPPED")}});
    const struct {
        V args;
        int status;
        std::string line;  // among those printed
    } cases[] = {
        {{"--hardware", "MD", "--header", dir.file("h/game.md")}, 0, "国内名: SONIC"},
        {{"--header", dir.file("h/game.gb")}, 0, "タイトル: TETRIS"},  // by the extension
        {{"--header", dir.file("h/game.zip")}, 0, "タイトル: ZIPPED"},
        // .bin is read as a Mega Drive image unless the hardware is named.
        {{"--header", dir.file("h/data.bin")}, 1, "メガドライブのヘッダが正しくありません。"},
        {{"--header", dir.file("h/data.bin"), "--hardware", "GB"}, 0, "タイトル: TETRIS"},
        {{"--header", dir.file("h/game.pce")}, 2, ""},
        {{"--header", dir.file("h/missing.gb")}, 2, ""},  // a file that cannot be read
        {{"--header"}, 64, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(call(cli::showInfo, c.args, {}), c.status) << c.args.back() << err;
        EXPECT_NE(("\n" + printed).find("\n" + c.line), std::string::npos) << printed;
    }
}

// FC with ROM folder roms/ and no rename folders: files are renamed where they lie.
struct RenameCommand : CliCommand {
    RenameCommand() {
        setUpHardware("FC", "./roms/");
        dir.write("roms/Alpha.nes", std::string(700, 'a'));
        dir.write("roms/Beta.nes", std::string(700, 'b'));
    }
    // Runs `rename ARGS` on the program folder; its printed lines, and the messages in `err`.
    std::string rename(V args, int status = 0) {
        EXPECT_EQ(call(cli::renameCommand, args, {}, {"--program-folder", dir.path()}), status)
            << err;
        return printed;
    }
};

TEST_F(RenameCommand, CreatesAppliesToTheListedRowsAndWritesTheUnownedList) {
    EXPECT_EQ(rename({"create", "--hardware", "FC", "--yes"}), "2 records written\n");
    std::filesystem::rename(dir.file("roms/Alpha.nes"), dir.file("roms/wrong1.nes"));
    std::filesystem::rename(dir.file("roms/Beta.nes"), dir.file("roms/wrong2.nes"));
    // Only the rows `list search wrong1 --field file` prints.
    EXPECT_EQ(rename({"apply", "--hardware", "FC", "search", "wrong1", "--field", "file",
                      "--unowned", dir.file("unowned.txt"), "--yes"}),
              "1 renamed\t0 already named\t0 duplicate\t0 same name\t0 unknown\t0 too large\t"
              "0 unreadable\t0 name too long\t0 bad character\t0 failed\n");
    EXPECT_TRUE(std::filesystem::exists(dir.file("roms/Alpha.nes")));
    EXPECT_TRUE(std::filesystem::exists(dir.file("roms/wrong2.nes")));
    EXPECT_EQ(dir.read("unowned.txt"), "Beta\n");
    EXPECT_NE(err.find("ファイルのリネームが終了しました。"), std::string::npos) << err;
}

TEST_F(RenameCommand, MergeDatAndRefusals) {
    rename({"create", "--hardware", "FC", "--yes", "--output", dir.file("one.dat")});
    rename({"create", "--hardware", "FC", "--yes", "--output", dir.file("two.dat")});
    // Two files of the same rows: every record of the second is one the first has.
    EXPECT_EQ(rename({"merge", dir.file("one.dat"), dir.file("two.dat"), "--yes"}),
              "0 added\t2 renamed\t0 refused\t2 records\n");
    EXPECT_NE(err.find("の内容を追加しました。"), std::string::npos) << err;
    // A disc image of 4 GiB is named and left out; none is stored with its size wrapped to 0.
    dir.write("nes.dat",
              "<?xml version=\"1.0\"?>\n<datafile>\n\t<game name=\"G\">\n"
              "\t\t<rom name=\"G.nes\" size=\"1\" crc=\"e8b7be43\"/>\n"
              "\t\t<rom name=\"G (Disc).iso\" size=\"4294967296\" crc=\"0badf00d\"/>\n"
              "\t</game>\n</datafile>\n");
    EXPECT_EQ(rename({"--dat", dir.file("nes.dat"), "--hardware", "FC", "--yes"}),
              "1 records written\n");
    EXPECT_NE(err.find("作成したリネームデータ数 : 1\n4GiB以上のため除いたROMの数 : 1\n"
                       "除いたROM : G (Disc).iso"),
              std::string::npos)
        << err;
    RenameData written;
    DataStream s;
    ASSERT_EQ(loadRenameData(s, dir.file("data/Rename_FC.dat"), prompter, written),
              LoadResult::Loaded);
    ASSERT_EQ(written.records.size(), 1u);
    EXPECT_EQ(std::tuple(written.records[0].name, written.records[0].identity.size),
              std::tuple("G", 1));
    rename({"merge", dir.file("one.dat")}, 64);
    rename({"apply"}, 64);
    rename({"shuffle", "--hardware", "FC"}, 64);
    rename({"apply", "--hardware", "FC"}, 1);  // the question answered no
}

// `rename apply --dat` matches against every entry of the DAT, however many: files answering to
// entries from the first to the 14,000th are renamed, and the report names each one's reason.
TEST_F(RenameCommand, ApplyWithADatUsesTheWholeDat) {
    for (int k = 0; k < test::kWholeDatFiles; ++k)
        dir.write("roms/file" + std::to_string(k) + ".nes", test::wholeDatFileBytes(k));
    const std::string dat = dir.write("nes.dat", test::wholeDatText());
    EXPECT_EQ(
        rename({"apply", "--dat", dat, "--hardware", "FC", "--report", dir.file("r.csv"), "--yes"}),
        "40 renamed\t0 already named\t0 duplicate\t0 same name\t2 unknown\t0 too large\t"
        "0 unreadable\t0 name too long\t0 bad character\t0 failed\n");
    for (int k = 0; k < test::kWholeDatFiles; ++k)
        EXPECT_EQ(dir.read("roms/" + test::wholeDatTitle(test::wholeDatEntryOf(k)) + ".nes"),
                  test::wholeDatFileBytes(k))
            << k;
    EXPECT_NE(dir.read("r.csv").find("\r\n" + dir.file("roms/file39.nes") +
                                     ",Title 13999 (Japan).nes,renamed\r\n"),
              std::string::npos);
    EXPECT_NE(dir.read("r.csv").find("\r\n" + dir.file("roms/Alpha.nes") + ",,unknown\r\n"),
              std::string::npos);
    // The hardware's rename data were neither needed nor made.
    EXPECT_FALSE(std::filesystem::exists(dir.file("data/Rename_FC.dat")));
}

struct SetCommand : CliCommand {
    void SetUp() override {
        setUpHardware("FC", "./roms/");
        EmulatorEntries e{};
        e[2] = emulator("Nestopia", "/bin/true");
        writeEmulators("FC", e);
        dir.write("roms/Super_Mario.nes", "a");
        dir.write("roms/old.nes", "b");
        dir.write("roms/taken.nes", "c");
        dir.makeFolder("snap");
        writeRecords("FC", {record("old", "Old Game")});
    }
    int set(V args) {
        return call(cli::setFileInfo, args, {"--program-folder", dir.path(), "--hardware", "FC"});
    }
    // The record of `title` as saved, or nullopt.
    std::optional<RomRecord> saved(const std::string& title) {
        RomTable table;
        DataStream s;
        test::ScriptedPrompter quiet;
        table.load(s, dir.file("data/RomData_FC.slb"), quiet);
        const int i = table.findRecordByTitle(title);
        return i < 0 ? std::nullopt : std::optional(table[i]);
    }
};

TEST_F(SetCommand, EditsAreSavedAndRefusalsSayWhy) {
    struct Case {
        V args;
        int status;
    };
    for (const Case& c : std::vector<Case>{
             {{"missing.nes"}, 1},
             {{"old.nes", "--rating", "6"}, 64},
             {{"old.nes", "--category", "7", "x"}, 64},
             {{"old.nes", "--emulator", "Unknown"}, 64},
             {{"old.nes", "--rename", "x:y", "--yes"}, 1},
             {{"old.nes", "--rename", "taken", "--yes"}, 1},
             {{"old.nes", "--rename", "new"}, 1},  // answered no: the name stays
             {{"old.nes", "--clear"}, 1},
         }) {
        SCOPED_TRACE(c.args[0] + " " + (c.args.size() > 1 ? c.args[1] : ""));
        EXPECT_EQ(set(c.args), c.status) << err;
        EXPECT_TRUE(std::filesystem::exists(dir.file("roms/old.nes")));
        ASSERT_TRUE(saved("old"));
        EXPECT_EQ(saved("old")->gameName, "Old Game");
    }

    EXPECT_EQ(set({"Super_Mario.nes"}), 0) << err;
    EXPECT_EQ(saved("Super_Mario")->gameName, "Super Mario");
    EXPECT_EQ(set({"Super_Mario.nes", "--name", "Super_Mario", "--reading", "Super_Mario"}), 0);
    EXPECT_FALSE(saved("Super_Mario"));  // nothing beyond the title: dropped

    dir.write("snap/old.png", "p");
    EXPECT_EQ(set({"old.nes", "--rename", "new", "--rating", "3", "--category", "2", "RPG",
                   "--class", "Disk", "--comment", "a\\nb", "--favourite", "yes", "--emulator",
                   "Nestopia", "--yes"}),
              0)
        << err;
    EXPECT_TRUE(std::filesystem::exists(dir.file("roms/new.nes")));
    EXPECT_TRUE(printed.starts_with("Old Game\t\tnew.nes\t★★★\t\tRPG\t"));
    const std::optional<RomRecord> r = saved("new");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->classes[1], "RPG");
    EXPECT_EQ(r->hardwareClass, "Disk");
    EXPECT_EQ(r->comment, "a\r\nb");  // stored with CR LF, as the dialog stores it
    EXPECT_TRUE(r->favourite);
    EXPECT_EQ(r->preferredEmulator, 2);

    EXPECT_EQ(set({"new.nes", "--clear", "--yes"}), 0);
    EXPECT_FALSE(saved("new"));
}

// A catalogue cut in the middle of a record (a crash of another program, a full disk, a share
// caught mid-write) is never rewritten shorter: a command that would change it stops with
// status 2 naming the file and the byte, and dump --salvage recovers the whole records.
TEST_F(SetCommand, ADamagedCatalogueIsRefusedByNameAndSalvagedIntoANewFile) {
    writeRecords("FC", {record("old", "Old Game"), record("taken", "Taken"),
                        record("Super_Mario", "Mario")});
    const std::string whole = dir.read("data/RomData_FC.slb");
    const std::string damaged = whole.substr(0, whole.size() - 20);
    dir.write("data/RomData_FC.slb", damaged);
    cli::setWriterRole("romshelf-cli set");
    EXPECT_EQ(set({"old.nes", "--rating", "2"}), 2);
    cli::setWriterRole("");
    EXPECT_NE(
        err.find(dir.file("data/RomData_FC.slb") + " cannot be read whole (damaged from byte "),
        std::string::npos)
        << err;
    EXPECT_EQ(dir.read("data/RomData_FC.slb"), damaged);

    std::ostringstream out, errors;
    EXPECT_EQ(cli::dumpDataFile(dir.file("data/RomData_FC.slb"), out, errors), 2);
    EXPECT_NE(errors.str().find("dump --salvage"), std::string::npos);
    EXPECT_EQ(cli::salvageFile(dir.file("data/RomData_FC.slb"), dir.file("data/salvaged.slb"), out,
                               errors),
              0)
        << errors.str();
    EXPECT_NE(out.str().find("salvaged 2 of 3 records"), std::string::npos) << out.str();
    const nlohmann::json body = dumped("salvaged.slb");
    ASSERT_EQ(body["count"], 2);
    EXPECT_EQ(body["records"][0]["gameName"], "Old Game");
    EXPECT_EQ(body["records"][1]["gameName"], "Taken");
    EXPECT_EQ(dir.read("data/RomData_FC.slb"), damaged);
}

// Every data file `set` reads, cut short or with a flipped length: the command stops with status
// 2 naming it, and every file of the data folder is as it was (nothing shorter, nothing new but
// the kept copy of the damaged file).
TEST_F(SetCommand, EveryKindOfDamagedDataFileStopsAWritingCommandAndNothingIsWritten) {
    EXPECT_EQ(set({"old.nes", "--category", "1", "ACT", "--class", "Disk"}), 0) << err;
    ASSERT_TRUE(app.saveMainSettings());
    auto snapshot = [&] {
        std::map<std::string, std::string> files;
        for (const auto& e : std::filesystem::directory_iterator(dir.file("data"))) {
            const std::string name = e.path().filename().string();
            if (name.find(".broken-") == std::string::npos && name.ends_with(".slb"))
                files[name] = dir.read("data/" + name);
        }
        return files;
    };
    const std::map<std::string, std::string> before = snapshot();
    for (const char* name : {"MainData.slb", "Folder_FC.slb", "Emulator_FC.slb", "RomData_FC.slb",
                             "ClassData1.slb", "ClassData_FC.slb"}) {
        ASSERT_TRUE(before.count(name)) << name;
        const std::string whole = before.at(name);
        // Cut in the middle, and the first length after the header made huge.
        const std::size_t afterMagic =
            test::RawBytes()
                .str(dataFileKindInfo(*dataFileKindFromFileName(name)).magic)
                .bytes()
                .size() +
            4;
        std::string flipped = whole;
        flipped[afterMagic + 3] = '\x7f';
        for (const std::string& damaged : {whole.substr(0, whole.size() / 2), flipped}) {
            SCOPED_TRACE(std::string(name) + (damaged.size() < whole.size() ? " cut" : " flipped"));
            dir.write(std::string("data/") + name, damaged);
            cli::setWriterRole("romshelf-cli set");
            EXPECT_EQ(set({"old.nes", "--rating", "4"}), 2);
            cli::setWriterRole("");
            EXPECT_NE(err.find(dir.file("data/") + name + " cannot be read whole"),
                      std::string::npos)
                << err;
            std::map<std::string, std::string> expected = before;
            expected[name] = damaged;
            EXPECT_EQ(snapshot(), expected);
        }
        dir.write(std::string("data/") + name, whole);
    }
}

// Every command reads its arguments through one reader: the common options anywhere, an option's
// values taken as they stand, and every mistake said on stderr with status 64 (a row that is not
// there 2).
TEST_F(SetCommand, EveryCommandReadsItsArgumentsAlike) {
    using Command = int (*)(const std::vector<std::string>&, std::ostream&, std::ostream&);
    setUpHardware("GB", "./gbroms/");
    dir.makeFolder("gbroms");
    const V fc = {"--program-folder", dir.path(), "--hardware", "FC"};
    const std::tuple<Command, V, int, std::string> cases[] = {
        {cli::setFileInfo, {"old.nes", "--bogus"}, 64, "romshelf-cli: --bogus: unknown option\n"},
        {cli::setFileInfo, {"old.nes", "--name"}, 64, "romshelf-cli: --name: needs a value\n"},
        {cli::setFileInfo,
         {"old.nes", "taken.nes"},
         64,
         "romshelf-cli: taken.nes: unexpected argument\n"},
        // A forgotten value never takes the next option for it.
        {cli::setFileInfo,
         {"old.nes", "--name", "--yes"},
         64,
         "romshelf-cli: --name: needs a value\n"},
        {cli::setFileInfo, {"old.nes", "--yes=no"}, 64, "romshelf-cli: --yes: takes no value\n"},
        {cli::launchFile, {"--row", "9"}, 2, "no row 9: the list has 3 rows (0 to 2)\n"},
        {cli::launchFile, {"--row", "x"}, 64, "romshelf-cli: --row: needs a number, not x\n"},
        {cli::launchFile, {"--row=x"}, 64, "romshelf-cli: --row: needs a number, not x\n"},
        {cli::launchFile, {"--folder", "0"}, 64, "romshelf-cli: --folder: needs 2 values\n"},
        {cli::launchFile, {}, 64, "romshelf-cli: --folder: needs N FILE, or --row N instead\n"},
        {cli::showInfo, {"--folder", "0", "gone.nes"}, 2, "no such file in the list: 0 gone.nes\n"},
        {cli::historyCommand,
         {"--since", "yesterday"},
         64,
         "romshelf-cli: --since: needs a date as YYYY-MM-DD, not yesterday\n"},
        {cli::backUp, {"extra"}, 64, "romshelf-cli: extra: unexpected argument\n"},
        {cli::backUp, {"--", "--extra"}, 64, "romshelf-cli: --extra: unexpected argument\n"},
        {cli::listFiles, {"--sort"}, 64, "romshelf-cli: --sort: needs a value\n"},
    };
    for (const auto& [command, args, status, told] : cases) {
        SCOPED_TRACE(args.empty() ? "" : args[0]);
        EXPECT_EQ(call(command, args, fc), status);
        EXPECT_EQ(err, told);
        EXPECT_EQ(printed, "");
    }
    // A hardware whose list is the no-file row: that row is no file to launch.
    EXPECT_EQ(
        call(cli::launchFile, {"--row", "0", "--hardware", "GB"}, {"--program-folder", dir.path()}),
        2);
    EXPECT_EQ(err, "row 0 is no file: ファイルがありません\n");

    // The common options after the command's own, and a value that looks like an option given
    // with "=".
    EXPECT_EQ(call(cli::setFileInfo, {"old.nes", "--name=--yes"}, {},
                   {"--hardware=FC", "--program-folder", dir.path()}),
              0)
        << err;
    EXPECT_EQ(saved("old")->gameName, "--yes");
    // After `--` an argument beginning with "--" is the file.
    EXPECT_EQ(call(cli::setFileInfo, {"--rating", "3", "--", "--odd.nes"}, fc), 1);
    EXPECT_EQ(err, "no such file: --odd.nes\n");
}

// FC and MD set up, GB not; category 1 and FC's class list name ACT and RPG; every record's
// category 2 is ACT, its hardware class its category 1.
struct CategoryCommand : CliCommand {
    void SetUp() override {
        setUpHardware("FC");
        setUpHardware("MD");
        writeRecords("FC", {rec("Mario", "ACT"), rec("Zelda", "RPG")});
        writeRecords("MD", {rec("Sonic", "ACT"), rec("Gunstar", "STG")});
        writeRecords("GB", {rec("Kirby", "ACT")});
        CategoryLists lists;
        lists.items[0] = lists.items[kHardwareClassList] = {"ACT", "RPG"};
        DataStream s;
        lists.save(s, app.programFolder(), "FC");
    }
    static RomRecord rec(const std::string& title, const std::string& category1) {
        RomRecord r;
        r.fileTitle = title;
        r.classes = {category1, "ACT"};
        r.hardwareClass = category1;
        return r;
    }
    // The list printed by `category ARGS` on FC.
    std::string category(V args, int status = 0) {
        const V front{"--program-folder", dir.path(), "--hardware", "FC"};
        EXPECT_EQ(call(cli::organiseCategory, args, front), status) << err;
        return printed;
    }
    // Category `k` (0-4) of the records of RomData_<code>.slb, as dump prints them.
    V stored(const std::string& code, int k = 0) {
        V values;
        const nlohmann::json body = dumped("RomData_" + code + ".slb");
        for (const auto& r : body["records"]) values.push_back(r["classes"][k]);
        return values;
    }
};

TEST_F(CategoryCommand, DeleteKeepsRecordsFindMissingBringsValuesBackRenameReachesAllHardware) {
    EXPECT_EQ(category({"delete", "1", "ACT"}), "RPG\n");
    EXPECT_EQ(dumped("ClassData1.slb")["items"], nlohmann::json({"RPG"}));
    EXPECT_EQ(stored("FC"), (V{"ACT", "RPG"}));
    // In hardware order (FC, MD, GB), each file's records in order.
    EXPECT_EQ(category({"find-missing", "1"}), "RPG\nACT\nSTG\n");

    EXPECT_EQ(category({"rename", "1", "ACT", "アクション"}), "RPG\nアクション\nSTG\n");
    EXPECT_EQ(stored("FC"), (V{"アクション", "RPG"}));
    EXPECT_EQ(stored("MD"), (V{"アクション", "STG"}));
    EXPECT_EQ(stored("GB"), V{"アクション"});
    EXPECT_EQ(stored("MD", 1), (V{"ACT", "ACT"}));  // category 2 keeps its ACT
    EXPECT_EQ(dumped("ClassData1.slb")["items"], nlohmann::json({"RPG", "アクション", "STG"}));

    EXPECT_EQ(category({"rename", "1", "RPG", "STG"}, 1), "");
    EXPECT_EQ(err, "既に同名の項目が存在しています。\n");
    EXPECT_EQ(category({"move", "1", "STG", "up", "5"}), "STG\nRPG\nアクション\n");
    EXPECT_EQ(category({"sort", "1"}), "RPG\nSTG\nアクション\n");
}

TEST_F(CategoryCommand, CancelKeepsRenamedRecordsAndTheHardwareClassStaysInMemory) {
    start("FC");
    CategoryCommands& commands = app.categoryCommands();
    CategoryOrganiser o = commands.open(0);
    o.selectCurrent(0);
    o.renameText = "アクション";
    EXPECT_EQ(commands.rename(o), CategoryCommands::RenameResult::Renamed);
    // Not applied (the dialog is cancelled): the list keeps ACT, the records keep アクション.
    EXPECT_EQ(app.categoryLists().items[0], (V{"ACT", "RPG"}));
    EXPECT_EQ(app.romTable()[0].classes[0], "アクション");
    EXPECT_EQ(stored("FC"), (V{"アクション", "RPG"}));

    // The hardware class: only the current records change, and a moved item comes back when a
    // record uses it.
    CategoryOrganiser cls = commands.open(kHardwareClassList);
    cls.selectCurrent(0);
    cls.renameText = "アクション";
    EXPECT_EQ(commands.rename(cls), CategoryCommands::RenameResult::Renamed);
    EXPECT_EQ(app.romTable()[0].hardwareClass, "アクション");
    EXPECT_EQ(dumped("RomData_MD.slb")["records"][0]["hardwareClass"], "ACT");
    cls.moveToDelete();
    EXPECT_EQ(commands.addMissing(cls), 1);
    EXPECT_EQ(cls.current(), (V{"RPG", "アクション"}));
    EXPECT_TRUE(prompter.boxes().empty());
}

TEST_F(CategoryCommand, ABrokenFileStaysAsItWasAndAnUnwritableOneKeepsTheOldName) {
    dir.write("data/RomData_MD.slb", "garbage");
    // GB's file was made read-only by its owner: it is not replaced, not even by root.
    const std::string gb = dir.file("data/RomData_GB.slb");
    ASSERT_EQ(::chmod(gb.c_str(), 0444), 0);
    const std::string gbBefore = dir.read("data/RomData_GB.slb");
    EXPECT_EQ(category({"rename", "1", "ACT", "アクション"}, 1), "");
    EXPECT_EQ(dir.read("data/RomData_GB.slb"), gbBefore);
    EXPECT_EQ(dir.read("data/RomData_MD.slb"), "garbage");
    EXPECT_TRUE(err.starts_with("ロム情報ファイルが異常です。")) << err;
    EXPECT_NE(err.find("「ACT」のまま"), std::string::npos) << err;
    EXPECT_NE(err.find("ゲームボーイ\n" + dir.file("data/RomData_GB.slb")), std::string::npos);
    EXPECT_EQ(stored("GB"), V{"ACT"});
    EXPECT_EQ(stored("FC"), (V{"アクション", "RPG"}));
    EXPECT_EQ(dumped("ClassData1.slb")["items"], nlohmann::json({"ACT", "RPG"}));

    // Once the file can be written, the same rename finishes the work.
    ASSERT_EQ(::chmod(gb.c_str(), 0644), 0);
    EXPECT_EQ(category({"rename", "1", "ACT", "アクション"}), "アクション\nRPG\n");
    EXPECT_EQ(stored("GB"), V{"アクション"});
}

// A loop of two items that the user interrupts with Ctrl+C; what it printed.
std::string run(int fd) {
    std::ostringstream out;
    romshelf::cli::catchInterrupts();
    {
        romshelf::cli::TerminalProgress progress(out, fd);
        progress.begin("整理", 2, romshelf::kDoneOfTotal);
        progress.step(1, "Game");
        ::raise(SIGINT);  // caught: the test goes on
        // Without a window to ask, the signal is the answer: the loop stops without a question.
        EXPECT_TRUE(progress.cancelRequested());
        romshelf::test::ScriptedPrompter prompter;
        EXPECT_TRUE(romshelf::stopRequested(progress, prompter, "中止しますか？"));
        EXPECT_TRUE(prompter.boxes().empty());
        EXPECT_EQ(romshelf::cli::interruptSignal(), SIGINT);
        progress.clearCancelRequest();
        EXPECT_FALSE(progress.cancelRequested());
        progress.end();
    }
    return out.str();
}

TEST(TerminalProgress, ALineRewrittenOnATerminalAndNothingElsewhere) {
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    EXPECT_EQ(run(pipeFds[1]), "");
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);

    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const int terminal = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
    ASSERT_GE(terminal, 0);
    EXPECT_EQ(run(terminal), "\r\x1b[K整理 1/2 Game\r\x1b[K");
    ::close(terminal);
    ::close(master);
}

}  // namespace

// verify: the counts on stdout; the CSV and the fixdat where asked; a DAT that does not read is
// told with status 2; the files themselves are never touched.
TEST_F(CliCommand, VerifyPrintsTheCountsAndWritesTheReportAndFixdat) {
    setUpHardware("FC", "./roms/");
    dir.write("roms/Alpha.nes", "alpha");  // in no entry of the DAT; "abc" (zlib: 352441c2) is
    dir.write("text.dat",
              "clrmamepro ( name \"Text\" )\n"
              "game ( name \"One\" rom ( name \"One.nes\" size 3 crc 352441c2 ) )\n");
    const V base = {"--program-folder", dir.path(), "--hardware", "FC"};
    EXPECT_EQ(call(cli::verifyCommand,
                   {"--dat", dir.file("text.dat"), "--report", dir.file("r.csv"), "--fixdat",
                    dir.file("f.dat")},
                   base),
              0)
        << err;
    EXPECT_EQ(printed, "0 have\t0 rename\t1 unknown\t0 bad\t1 missing\n");
    EXPECT_NE(
        dir.read("r.csv").find("\r\nmissing,,,One,One.nes,,3,352441c2,,,,no file matches\r\n"),
        std::string::npos);
    EXPECT_NE(dir.read("f.dat").find("<rom name=\"One.nes\" size=\"3\" crc=\"352441c2\" />"),
              std::string::npos)
        << dir.read("f.dat");
    EXPECT_EQ(dir.read("roms/Alpha.nes"), "alpha");
    dir.write("bad.dat", "( )");
    EXPECT_EQ(call(cli::verifyCommand, {"--dat", dir.file("bad.dat")}, base), 2);
    EXPECT_NE(err.find("clrmamepro"), std::string::npos) << err;
    EXPECT_EQ(call(cli::verifyCommand, {}, base), 64);
    // Nothing missing: a DAT of no game would be no valid DAT, so none is written.
    dir.write("roms/One.nes", "abc");
    EXPECT_EQ(call(cli::verifyCommand,
                   {"--dat", dir.file("text.dat"), "--fixdat", dir.file("none.dat")}, base),
              0)
        << err;
    EXPECT_EQ(printed, "1 have\t0 rename\t1 unknown\t0 bad\t0 missing\n");
    EXPECT_FALSE(std::filesystem::exists(dir.file("none.dat")));
    EXPECT_NE(err.find("nothing missing: no fixdat written"), std::string::npos) << err;
}
