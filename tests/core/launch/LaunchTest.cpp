#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <map>
#include <tuple>

#include "AppFixture.h"
#include "LaunchFixture.h"
#include "core/app/Application.h"
#include "core/archive/LzhWriter.h"

using namespace romshelf;
using romshelf::test::installRecorder;
using romshelf::test::readRecord;
using V = std::vector<std::string>;

namespace {

// Starts nothing; remembers what it was asked, and lets the test decide when processes end (as
// the window's event loop would tell it, when `background`).
struct FakeRunner : ProcessRunner {
    bool background = false;
    int next = 1000;
    std::vector<V> started;
    std::map<int, std::function<void(const ProcessEnd&)>> waiting;
    std::vector<int> terminated, killed;
    std::optional<int> start(const V& argv, const std::string&) override {
        started.push_back(argv);
        return next++;
    }
    void whenFinished(int pid, std::function<void(const ProcessEnd&)> then) override {
        waiting[pid] = then;
    }
    bool watchesInBackground() const override { return background; }
    void terminate(int pid) override { terminated.push_back(pid); }
    void kill(int pid) override { killed.push_back(pid); }
};

// The ends of the emulators, as the window or romshelf-cli hears of them.
struct EndListener : ApplicationListener {
    std::vector<EmulatorSession> runs;
    std::vector<std::pair<int, PadProfile>> mappings;  // the pad mappings asked for
    void emulatorEnded(const EmulatorSession& run) override { runs.push_back(run); }
    void padMappingWanted(int pid, const PadProfile& profile) override {
        mappings.emplace_back(pid, profile);
    }
};

struct LaunchTest : romshelf::test::AppFixture {
    std::string emu;  // the stand-in emulator of slot 0
    EmulatorEntries entries{};

    void SetUp() override {
        emu = installRecorder(dir.file("emu dir/nes emu"));
        entries[0] = emulator("TestNES", "./emu dir/nes emu", "-a $P -b");
        entries[0].options[kQuotePath] = true;
        setUpLaunching("FC");
    }
    // `code` with ROM folder 1 at roms/ and the test's emulators, started.
    void setUpLaunching(const std::string& code) {
        setUpLaunch(code, entries);
        start(code);
    }
    void change(std::function<void(MainSettings&)> c) { app.changeSettings(std::move(c)); }
    std::string rom(const std::string& name) { return dir.write("roms/" + name, "ROM"); }
    bool launch(const std::string& name, int folder = 0) {
        return app.launchFile({"Game", name, folder, -1});
    }
    V argv(const std::string& path) const { return {emu, "-a", path, "-b"}; }
    // What `program` recorded; the record goes, so that the next start records afresh.
    romshelf::test::Recorded taken(const std::string& program) {
        const auto r = readRecord(program);
        std::filesystem::remove(program + ".record");
        return r;
    }
};

}  // namespace

TEST_F(LaunchTest, AFileReachesTheEmulatorAsOneArgument) {
    const std::string path = rom("Super Mario (J).nes");
    ASSERT_TRUE(launch("Super Mario (J).nes"));
    const auto rec = readRecord(emu);
    EXPECT_EQ(rec.argv, argv(path));
    EXPECT_EQ(rec.workingFolder, dir.path() + "emu dir");
    EXPECT_EQ(log(), (V{"Super Mario (J).nes が指定されました。", "TestNES を起動します。",
                        "> " + emu, "コマンドラインを確認します。", "> -a \"" + path + "\" -b",
                        "正常に起動プロセスが終了しました。"}));
    EXPECT_EQ(app.recentFileLabels()[0], "&1 Game");
    EXPECT_EQ(app.lastLaunchedFile(), "Super Mario (J).nes");
    // Another hardware forgets it.
    setUpHardware("SFC");
    app.startUp();
    app.chooseHardware(1);
    EXPECT_EQ(app.lastLaunchedFile(), "");
    EXPECT_EQ(ports.sound.stops, 1);
}

TEST_F(LaunchTest, HostileFileNamesStayIntact) {
    for (const std::string name :
         {"a \"quoted\" game.nes", "$(touch pwned).nes", "-rf.nes", "semi;colon && ls.nes",
          "한국어 게임.nes", "*.nes", "back\\slash 'single'.nes"}) {
        const std::string path = rom(name);
        ASSERT_TRUE(launch(name)) << name;
        EXPECT_EQ(taken(emu).argv, argv(path)) << name;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("emu dir/pwned")));
    EXPECT_FALSE(std::filesystem::exists("pwned"));
}

TEST_F(LaunchTest, FailuresEndInRedAndAreNotRemembered) {
    rom("a.nes");
    EXPECT_FALSE(launch("missing.nes"));
    EXPECT_EQ(log(), (V{"missing.nes が指定されました。", "TestNES を起動します。", "> " + emu,
                        "@2", "指定されたROMファイルが見つかりません。",
                        "> " + dir.path() + "roms/missing.nes"}));
    rom("broken.zip");
    EXPECT_FALSE(launch("broken.zip"));
    EXPECT_EQ(log().back(), "ファイルの解凍に失敗しました。");
    ::chmod(emu.c_str(), 0644);  // the emulator cannot be started
    EXPECT_FALSE(launch("a.nes"));
    EXPECT_EQ(log()[log().size() - 2], "@2");
    EXPECT_EQ(log().back(), "エミュレータの起動に失敗しました。");
    // The emulator is gone: the combo offers nothing.
    std::filesystem::remove(emu);
    app.startUp();
    EXPECT_FALSE(launch("a.nes"));
    EXPECT_EQ(log(), (V{"a.nes が指定されました。", "@2",
                        "指定されたエミュレータが正常に設定されていません。"}));
    for (const auto& label : app.recentFileLabels()) EXPECT_FALSE(label.has_value());
    // Rows without a ROM folder do nothing, not even a log line.
    EXPECT_FALSE(launch("a.nes", -1));
    EXPECT_FALSE(launch("a.nes", -2));
    EXPECT_EQ(log().size(), 3u);
}

TEST_F(LaunchTest, PlaceholderAndUnownedRowsLaunchNothing) {
    dir.write("data/NoHave_FC.txt", "Not Owned\r\n");
    for (bool listMissing : {false, true}) {
        change([&](MainSettings& m) { m.setOption(Option::ListMissingFiles, listMissing); });
        app.showAll();  // the placeholder row, then the unowned file's
        ASSERT_EQ(app.fileList().rows().size(), 1u);
        ASSERT_EQ(app.fileList().rows()[0].folderNumber == kUnownedFolder, listMissing);
        EXPECT_FALSE(app.launchRow(0));
        EXPECT_EQ(log(), V{"RomshelfPlus!! を起動しました。"});
    }
}

TEST_F(LaunchTest, ArchivesAreUnpackedIntoTempUnlessPassedAsTheyAre) {
    writeZip("roms/Zipped Game.zip", {{"readme.txt", "hello"}, {"Zipped Game.nes", "NES"}});
    ASSERT_TRUE(launch("Zipped Game.zip"));
    EXPECT_EQ(taken(emu).argv, argv(dir.path() + "temp/Zipped Game.nes"));
    EXPECT_TRUE(logged("ファイルが圧縮されているので解凍します。"));
    EXPECT_TRUE(logged("TEMPフォルダを使用します。"));

    // With passZipUnpacked a ZIP goes as it is, an LZH is still unpacked.
    entries[0].options[kPassZipUnpacked] = true;
    setUpLaunching("FC");
    ASSERT_TRUE(launch("Zipped Game.zip"));
    EXPECT_EQ(taken(emu).argv, argv(dir.path() + "roms/Zipped Game.zip"));
    EXPECT_TRUE(logged("ファイルがZIP圧縮されていますが、設定により解凍しません。"));
    ASSERT_TRUE(archive::addFileToLzh(dir.file("roms/lzh game.lzh"),
                                      dir.write("pack/lzh game.nes", "NES2"),
                                      archive::LzhMethod::Lh5));
    ASSERT_TRUE(launch("lzh game.lzh"));
    EXPECT_EQ(taken(emu).argv, argv(dir.path() + "temp/lzh game.nes"));
}

TEST_F(LaunchTest, ASecondLaunchTakesTheUnpackedImageFromTheCache) {
    writeZip("roms/Zipped Game.zip", {{"Zipped Game.nes", "NES"}});
    ASSERT_TRUE(launch("Zipped Game.zip"));
    EXPECT_EQ(taken(emu).argv, argv(dir.path() + "temp/Zipped Game.nes"));
    ASSERT_EQ(app.unpackCache().entries().size(), 1u);

    // The TEMP copy cleaned away and the archive spoilt behind the same size and time: the
    // second launch does not unpack, and still hands the image over in TEMP.
    ASSERT_TRUE(std::filesystem::remove(dir.file("temp/Zipped Game.nes")));
    const std::string zip = dir.file("roms/Zipped Game.zip");
    struct stat before {};
    ASSERT_EQ(::stat(zip.c_str(), &before), 0);
    dir.write("roms/Zipped Game.zip", std::string(static_cast<std::size_t>(before.st_size), 'x'));
    const struct timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, zip.c_str(), times, 0), 0);
    ASSERT_TRUE(launch("Zipped Game.zip"));
    EXPECT_EQ(taken(emu).argv, argv(dir.path() + "temp/Zipped Game.nes"));
    EXPECT_EQ(dir.read("temp/Zipped Game.nes"), "NES");
    EXPECT_TRUE(logged("解凍済みのファイルを解凍キャッシュから使用します。"));
    EXPECT_FALSE(logged("ファイルが圧縮されているので解凍します。"));

    // Beyond the cap the image is not kept, and the launch unpacks into TEMP, saying why.
    PlusSettings plus = app.plusSettings();
    plus.unpackCacheLimit = 2;
    app.changePlusSettings(plus);
    writeZip("roms/Other.zip", {{"Other.nes", "NES2"}});
    ASSERT_TRUE(launch("Other.zip"));
    EXPECT_EQ(dir.read("temp/Other.nes"), "NES2");
    EXPECT_TRUE(
        logged("解凍したファイルが解凍キャッシュの上限より大きいため、キャッシュしません。"));
    EXPECT_TRUE(logged("正常に解凍されました。"));
}

// MAME takes the set name, not the path (the special starts: SpecialStartTest below).
TEST_F(LaunchTest, MameTakesTheSetName) {
    entries[0].commandLine = "";
    entries[0].options[kQuotePath] = false;
    setUpLaunching("MAME");
    const std::string path = rom("pacman.zip");
    ASSERT_TRUE(launch("pacman.zip"));
    EXPECT_EQ(taken(emu).argv, (V{emu, "pacman"}));
    EXPECT_TRUE(logged("> pacman"));
    EXPECT_FALSE(logged("> " + path));
    EXPECT_EQ(app.recentFileLabels()[0], "&1 Game");
    EXPECT_TRUE(ports.desktop.opened.empty());
}

TEST_F(LaunchTest, APreferredEmulatorOverridesTheCombo) {
    const std::string other = installRecorder(dir.file("emu2/other"));
    entries[3] = emulator("Other", other);
    setUpLaunching("FC");
    app.chooseEmulator(0);
    rom("Metroid.nes");
    RomRecord r = record("Metroid", "メトロイド");
    r.preferredEmulator = 3;
    app.addRecord(r);
    app.showAll();
    ASSERT_TRUE(app.launchRow(0));
    EXPECT_EQ(taken(other).argv.at(0), other);
    EXPECT_EQ(log()[1], "Otherが優先エミュレータが設定されています。");
    EXPECT_EQ(app.recentFileLabels()[0], "&1 メトロイド");
    // Beyond the 64 entries a preference cannot be used: the combo's emulator starts.
    app.editRecord(0, [](RomRecord& rec) { rec.preferredEmulator = 70; });
    ASSERT_TRUE(app.launchRow(0));
    EXPECT_TRUE(readRecord(emu).ran);
}

TEST_F(LaunchTest, JoyToKeyRunsWhileTheEmulatorRuns) {
    const std::string joy = installRecorder(dir.file("joy/stay JoyToKey"));
    dir.write("joy/JoyToKey.ini", "[General]\r\nLang=JP\r\n");
    change([](MainSettings& m) {
        m.toolPaths[0] = "./joy/stay JoyToKey";
        m.setOption(Option::MinimiseWhileRunning, true);
        m.windowSlots[kSlotMainFrame].showState = ShowState::Maximised;
    });
    // An emulator that is played for a moment, so JoyToKey is up before it is stopped.
    emu = installRecorder(dir.file("emu dir/pause emu"));
    entries[0].executable = emu;
    entries[0].joyToKeySetting = "マリオ";
    setUpLaunching("FC");
    rom("a.nes");
    ASSERT_TRUE(launch("a.nes"));  // waits here until the stand-in emulator ends
    EXPECT_EQ(dir.read("joy/JoyToKey.ini"),
              "[General]\r\nLang=JP\r\n[LastStatus]\r\nFileName=\x83\x7d\x83\x8a\x83\x49\r\n");
    const auto joyRun = readRecord(joy);
    EXPECT_EQ(joyRun.argv, V{joy});
    EXPECT_EQ(joyRun.workingFolder, dir.path() + "joy");
    EXPECT_EQ(ports.sound.stops, 1);
    EXPECT_EQ(ports.windows.events, (V{"hide registration", "minimise", "restore 2"}));
    EXPECT_TRUE(logged("JoyToKey を起動しました。"));
}

TEST_F(LaunchTest, NekoProjectGetsItsDisks) {
    entries[1] = emulator("Neko Project II", installRecorder(dir.file("np2/np2")));
    entries[1].specialStart = true;
    setUpLaunching("PC98");
    RomRecord game = record("Game");
    game.preferredEmulator = 1;
    app.addRecord(game);
    rom("Game.hdi");
    app.showAll();
    ports.desktop.keys = true;
    ports.clock.journal = &ports.desktop.events;
    ASSERT_TRUE(app.launchRow(0));
    EXPECT_TRUE(ports.desktop.events.empty());  // it takes its disks from the INI file, no keys
    EXPECT_EQ(dir.read("np2/NP2.ini"), "[NekoProjectII]\r\nFDfolder=\r\nHDfolder=" + dir.path() +
                                           "roms/\r\nHDD1FILE=" + dir.path() +
                                           "roms/Game.hdi\r\nHDD2FILE=\r\n");
}

// The special start's keys, as the desktop and the clock saw them.
struct SpecialStartTest : LaunchTest {
    std::vector<std::string>& events = ports.desktop.events;
    void SetUp() override {
        LaunchTest::SetUp();
        ports.desktop.keys = true;
        ports.clock.journal = &events;
    }
    // `code`'s emulator `slot` started specially with these waits, forced to the front.
    void setUpSpecial(const std::string& code, int slot, int waitAfterStart, int waitAfterDialog) {
        EmulatorEntry e = entries[0];
        e.specialStart = true;
        e.waitAfterStart = waitAfterStart, e.waitAfterFileDialog = waitAfterDialog;
        e.options[kForceActivate] = true;
        entries = {};
        entries[static_cast<std::size_t>(slot)] = e;
        setUpLaunching(code);
    }
    std::string keys() const {
        std::string all;
        for (const std::string& e : events) all += (all.empty() ? "" : ", ") + e;
        return all;
    }
};

TEST_F(SpecialStartTest, TheFileIsTypedOnceTheEmulatorShowsItsWindow) {
    setUpSpecial("FC", 4, 500, 800);
    const std::string path = rom("Zelda.nes");
    ports.desktop.pollsBeforeWindow = 2;
    ASSERT_TRUE(launch("Zelda.nes"));
    const auto rec = readRecord(emu);
    EXPECT_EQ(rec.argv, V{emu});
    EXPECT_EQ(rec.workingFolder, dir.path() + "emu dir");
    // The first two waits look for the window until it shows.
    EXPECT_EQ(keys(),
              "wait 100, wait 100, wait 500, front 7, down Alt, up Alt, wait 100, down F, up F, "
              "wait 100, down D, up D, wait 100, wait 800, paste " +
                  path + ", down Ctrl, down V, up V, up Ctrl, down Enter, up Enter");
    EXPECT_TRUE(logged("TestNES を特殊起動します。") && logged("> " + path));
    EXPECT_EQ(log().back(), "正常に起動プロセスが終了しました。");
    EXPECT_FALSE(logged("@2"));
    // A window that never shows: ten seconds of looking, then no keys; the launch still ends.
    events.clear();
    ports.desktop.pollsBeforeWindow = -1;
    ASSERT_TRUE(launch("Zelda.nes"));
    EXPECT_EQ(events, V(99, "wait 100"));
    EXPECT_EQ(log().back(), "正常に起動プロセスが終了しました。");
}

TEST_F(SpecialStartTest, CommandsAndCloseRequestsWaitForTheLastKey) {
    setUpSpecial("N64", 0, 30, 40);
    rom("mario.z64");
    ports.clock.queue = true;  // the waits wait for the event loop
    ASSERT_TRUE(launch("mario.z64"));
    EXPECT_TRUE(app.busy());
    bool closed = false;
    app.whenIdle([&] { closed = true; });
    EXPECT_FALSE(closed);
    EXPECT_FALSE(app.recentFileLabels()[0].has_value());
    ports.clock.runQueued();
    EXPECT_TRUE(closed);
    EXPECT_FALSE(app.busy());
    EXPECT_EQ(events.back(), "up Enter");
    EXPECT_EQ(app.recentFileLabels()[0], "&1 Game");
}

TEST_F(SpecialStartTest, WithoutKeysTheEmulatorStartsAndTheLogSaysSo) {
    setUpSpecial("FC", 4, 30, 40);
    ports.desktop.keys = false;
    rom("a.nes");
    ASSERT_TRUE(launch("a.nes"));
    EXPECT_EQ(readRecord(emu).argv, V{emu});
    EXPECT_TRUE(events.empty());
    const V lines = log();
    const auto red = std::ranges::find(lines, "@2");
    ASSERT_NE(red, lines.end());
    EXPECT_EQ(
        *(red + 1),
        "この環境では特殊起動のキー入力が使用できません。ファイルはエミュレータで開いて下さい。");
    EXPECT_EQ(*(red + 2), "@0");
    EXPECT_EQ(lines.back(), "正常に起動プロセスが終了しました。");
}

TEST_F(SpecialStartTest, WsCampStartedTheOtherWayIsFoundByItsTitle) {
    change([](MainSettings& m) { m.setOption(Option::AlternativeLaunch, true); });
    setUpSpecial("WS", 0, 30, 40);
    const std::string path = rom("gunpey.ws");
    ASSERT_TRUE(launch("gunpey.ws"));
    EXPECT_EQ(readRecord(emu).argv, V{emu});
    EXPECT_EQ(keys(),
              "wait 500, find WSCamp, wait 30, front 9, down Alt, up Alt, wait 100, down F, up F, "
              "wait 100, down O, up O, wait 100, wait 40, paste " +
                  path + ", down Ctrl, down V, up V, up Ctrl, down Enter, up Enter");
    EXPECT_TRUE(logged("別方法にてエミュレータを起動します。") && logged("> " + path));
    EXPECT_EQ(log().back(), "正常に起動プロセスが終了しました。");
    EXPECT_FALSE(app.recentFileLabels()[0].has_value());
}

// (A dry run is checked through romshelf-cli launch --dry-run.)
TEST_F(LaunchTest, TheEmulatorAlone) {
    ASSERT_TRUE(app.startEmulatorOnly());
    EXPECT_EQ(taken(emu).argv, V{emu});
    EXPECT_EQ(log(),
              (V{"TestNES を起動します。", "> " + emu, "正常に起動プロセスが終了しました。"}));
}

TEST_F(LaunchTest, OtherSoftwareRunsProgramsAndOpensDocuments) {
    const std::string tool = installRecorder(dir.file("apps/editor"));
    const std::string doc = dir.write("docs/manual.pdf", "%PDF");
    FolderSettings f;
    f.romFolderPaths[0] = tool;
    f.romFolderPaths[1] = doc;
    writeFolderSettings("HARD", f);
    start("HARD");
    ASSERT_EQ(app.fileList().count(), 2);
    for (int row = 0; row < 2; ++row) ASSERT_TRUE(app.launchRow(row));
    EXPECT_EQ(taken(tool).argv, V{tool});
    EXPECT_EQ(ports.desktop.opened, V{doc});
    EXPECT_EQ(log(),
              (V{"manual を起動します。", "> " + doc, "正常に起動プロセスが終了しました。"}));
}

TEST_F(LaunchTest, AFailedStartLeavesJoyToKeyRunningWithoutWaitingForIt) {
    const std::string joy = installRecorder(dir.file("joy2/stay joy"));
    change([&](MainSettings& m) { m.toolPaths[0] = joy; });
    entries[0].joyToKeySetting = "x";
    setUpLaunching("FC");
    rom("a.nes");
    ::chmod(emu.c_str(), 0644);  // the emulator cannot start
    const auto before = std::chrono::steady_clock::now();
    EXPECT_FALSE(launch("a.nes"));
    // The stand-in JoyToKey lives for 30 seconds: the launch must not have waited for it.
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(15));
    EXPECT_EQ(log().back(), "エミュレータの起動に失敗しました。");
    EXPECT_TRUE(readRecord(joy).ran);
    if (const int pid = pidOf(joy)) ::kill(pid, SIGTERM);
}

TEST_F(LaunchTest, ALaunchStillRunningAtShutDownIsRecordedAndItsJoyToKeyStopped) {
    FakeRunner runner;
    ports.processes.target = &runner;
    const std::string joy = installRecorder(dir.file("joy3/joy"));
    change([&](MainSettings& m) { m.toolPaths[0] = joy; });
    entries[0].joyToKeySetting = "x";
    setUpLaunching("FC");
    rom("a.nes");
    ASSERT_TRUE(launch("a.nes"));
    ASSERT_EQ(runner.started.size(), 2u);  // JoyToKey, then the emulator
    EXPECT_EQ(app.launcher().pendingLaunches(), 1u);
    EXPECT_FALSE(app.recentFileLabels()[0].has_value());  // only once the emulator ends…
    app.shutDown();                                       // …or the program does
    EXPECT_EQ(runner.terminated, std::vector<int>{1000});
    EXPECT_EQ(app.recentFileLabels()[0], "&1 Game");
    EXPECT_EQ(app.launcher().pendingLaunches(), 0u);
    runner.waiting.at(1001)(ProcessEnd{0, {}, {}});  // it ends later: nothing more happens
    EXPECT_EQ(runner.terminated.size(), 1u);
}

TEST_F(LaunchTest, NamesWrittenInCp932AreTextOnScreenAndTheirOwnBytesOnDisk) {
    const std::string path = rom("\x83\x7D\x83\x8A\x83\x49.nes");  // マリオ in CP932, as unzipped
    const std::string stray = rom("\xFF\xFE.nes");                 // neither UTF-8 nor CP932
    app.addRecord(record("マリオ", "スーパーマリオ"));
    SearchCriteria c;
    c.typed = "マリオ";
    c.field = 2;  // file name
    c.rating = c.favourite = std::string(kNoCondition);
    c.classes.fill(std::string(kNoCondition));
    app.showSearchResult(c);
    ASSERT_EQ(app.fileList().count(), 1);
    EXPECT_EQ(app.fileList().rows()[0].fileName(), "マリオ.nes");
    EXPECT_EQ(app.fileList().rows()[0].gameName(), "スーパーマリオ");  // joined with its record
    ASSERT_TRUE(app.launchRow(0));
    EXPECT_EQ(taken(emu).argv, argv(path));
    app.showAll();
    ASSERT_EQ(app.fileList().count(), 2);
    ASSERT_TRUE(app.launchRow(app.fileList().rows()[0].fileName() == "マリオ.nes" ? 1 : 0));
    EXPECT_EQ(taken(emu).argv, argv(stray));

    // The recent file is saved as text and finds the same file after a restart.
    ASSERT_TRUE(app.shutDown());
    romshelf::test::FakePorts again;
    Application next(ProgramFolder(dir.path()), again.host());
    next.loadMainSettings();
    next.startUp();
    ASSERT_TRUE(next.launchRecent(1));
    EXPECT_EQ(taken(emu).argv, argv(path));
}

// Waiting for the emulator as romshelf-cli launch --wait does: a failure is told in magenta with
// the last lines of its error output (never taken for the log's own directives), a clean end
// adds nothing; the listener hears of each end with its times.
TEST_F(LaunchTest, AFailedEmulatorIsToldInMagentaWithItsLastErrorLines) {
    ports.processes.posix.captureErrors(true);
    app.launcher().setWaitForEmulator(true);
    EndListener ends;
    app.setListener(&ends);
    rom("a.nes");
    const std::tuple<std::string, V, std::optional<int>, std::optional<int>> cases[] = {
        // the emulator's arguments, the log after the launch's own lines, exit code, signal
        {"--stderr \"bad header\" --stderr \" \" --stderr \"@2 clear\" --exit 3 $P",
         {"@3", "エミュレータが終了コード 3 で終了しました。", "  bad header", "  @2 clear", "@0"},
         3,
         std::nullopt},
        {"--signal 8 $P",
         {"@3", "エミュレータがシグナル 8 (SIGFPE) で終了しました。", "@0"},
         std::nullopt,
         8},
        {"--stderr fine --sleep 300 $P", {}, 0, std::nullopt},
    };
    for (const auto& [commandLine, after, code, signal] : cases) {
        entries[0].commandLine = commandLine;
        setUpLaunching("FC");
        ends.runs.clear();
        const auto before = std::chrono::system_clock::now();
        ASSERT_TRUE(launch("a.nes"));
        const V lines = log();
        const auto finished = std::ranges::find(lines, "正常に起動プロセスが終了しました。");
        ASSERT_NE(finished, lines.end()) << commandLine;
        EXPECT_EQ(V(finished + 1, lines.end()), after) << commandLine;
        ASSERT_EQ(ends.runs.size(), 1u) << commandLine;
        const EmulatorSession& run = ends.runs[0];
        EXPECT_EQ(std::tie(run.end.exitCode, run.end.signal, run.request.fileName),
                  std::tie(code, signal, "a.nes"))
            << commandLine;
        EXPECT_TRUE(before <= run.started && run.started <= run.ended) << commandLine;
    }
    EXPECT_GE(ends.runs[0].ended - ends.runs[0].started, std::chrono::milliseconds(300));
    EXPECT_EQ(ends.runs[0].end.errorLines, V{"fine"});
    // The exit line is drawn magenta; the lines before and after it keep their colours.
    entries[0].commandLine = "--exit 3 $P";
    setUpLaunching("FC");
    ASSERT_TRUE(launch("a.nes"));
    const auto shown = app.systemLog().shownLines();
    ASSERT_GE(shown.size(), 2u);
    using Shown = std::pair<std::string, std::uint32_t>;
    EXPECT_EQ(Shown(shown[shown.size() - 2].text, shown[shown.size() - 2].rgb),
              Shown("正常に起動プロセスが終了しました。", 0x000000));
    EXPECT_EQ(Shown(shown.back().text, shown.back().rgb),
              Shown("エミュレータが終了コード 3 で終了しました。", 0xFF00FF));
    EXPECT_EQ(app.systemLog().colour(), LogColour::Black);
    app.setListener(nullptr);
}

// In the window the launch returns while the emulator runs, and its end arrives later: a
// launch waiting for it finishes first; the emulator started alone is watched as well.
TEST_F(LaunchTest, TheWindowHearsOfTheEndLaterAndFinishesAWaitingLaunchFirst) {
    FakeRunner runner;
    runner.background = true;
    ports.processes.target = &runner;
    change([](MainSettings& m) {
        m.setOption(Option::MinimiseWhileRunning, true);
        m.windowSlots[kSlotMainFrame].showState = ShowState::Normal;
    });
    EndListener ends;
    app.setListener(&ends);
    rom("a.nes");
    ASSERT_TRUE(launch("a.nes"));
    EXPECT_EQ(ports.windows.events, (V{"hide registration", "minimise"}));
    EXPECT_FALSE(logged("正常に起動プロセスが終了しました。"));
    runner.waiting.at(1000)(ProcessEnd{std::nullopt, 11, {"Segmentation fault"}});
    const V lines = log();
    EXPECT_EQ(
        V(lines.end() - 5, lines.end()),
        (V{"正常に起動プロセスが終了しました。", "@3",
           "エミュレータがシグナル 11 (SIGSEGV) で終了しました。", "  Segmentation fault", "@0"}));
    EXPECT_EQ(ports.windows.events.back(), "restore 1");
    EXPECT_EQ(app.recentFileLabels()[0], "&1 Game");

    ASSERT_TRUE(app.startEmulatorOnly());
    const V alone = log();
    runner.waiting.at(1001)(ProcessEnd{0, std::nullopt, {}});
    EXPECT_EQ(log(), alone);  // a clean end adds nothing
    ASSERT_EQ(ends.runs.size(), 2u);
    EXPECT_EQ(std::tie(ends.runs[0].end.signal, ends.runs[1].end.exitCode,
                       ends.runs[1].request.folderNumber),
              std::tuple(11, 0, -1));
    app.setListener(nullptr);
}

// The pad's hotkey ends the game as its user would first: the window is asked to close; the
// emulator that stays is asked to end 3 seconds later, and killed 3 seconds after that. Its end
// is heard and recorded as any other.
struct HotkeyEndTest : LaunchTest {
    FakeRunner runner;
    V journal;
    EndListener ends;
    void SetUp() override {
        LaunchTest::SetUp();
        runner.background = true;
        ports.processes.target = &runner;
        app.setListener(&ends);
        rom("a.nes");
        ASSERT_FALSE(app.launcher().endEmulator());
        ASSERT_TRUE(launch("a.nes"));
        ports.clock.journal = &journal;
        ports.clock.queue = true;
    }
    void TearDown() override { app.setListener(nullptr); }
    // The event loop runs the next delay that is due.
    void nextDelay() {
        ASSERT_FALSE(ports.clock.queued.empty());
        std::function<void()> next = std::move(ports.clock.queued.front());
        ports.clock.queued.erase(ports.clock.queued.begin());
        next();
    }
};

TEST_F(HotkeyEndTest, AnEmulatorThatStaysIsClosedThenTerminatedThenKilled) {
    EXPECT_TRUE(app.launcher().emulatorRunning());
    EXPECT_TRUE(app.launcher().endEmulator());
    EXPECT_EQ(ports.desktop.events, V{"close 7"});
    EXPECT_EQ(journal, V{"wait 3000"});
    EXPECT_TRUE(runner.terminated.empty());
    nextDelay();
    EXPECT_EQ(runner.terminated, std::vector<int>{1000});
    EXPECT_TRUE(runner.killed.empty());
    EXPECT_EQ(journal, (V{"wait 3000", "wait 3000"}));
    nextDelay();
    EXPECT_EQ(runner.killed, std::vector<int>{1000});
    runner.waiting.at(1000)(ProcessEnd{std::nullopt, SIGKILL, {}});
    EXPECT_FALSE(app.launcher().emulatorRunning());
    ASSERT_EQ(ends.runs.size(), 1u);
    EXPECT_EQ(ends.runs[0].request.fileName, "a.nes");
    EXPECT_EQ(app.recentFileLabels()[0], "&1 Game");
    EXPECT_TRUE(logged("ホットキーでエミュレータを終了します。"));
}

TEST_F(HotkeyEndTest, AnEmulatorThatClosesItsWindowIsNeitherTerminatedNorKilled) {
    EXPECT_TRUE(app.launcher().endEmulator());
    runner.waiting.at(1000)(ProcessEnd{0, std::nullopt, {}});
    EXPECT_FALSE(app.launcher().emulatorRunning());
    EXPECT_FALSE(app.launcher().endEmulator());
    while (!ports.clock.queued.empty()) nextDelay();
    EXPECT_TRUE(runner.terminated.empty());
    EXPECT_TRUE(runner.killed.empty());
    ASSERT_EQ(ends.runs.size(), 1u);
}

TEST_F(HotkeyEndTest, WithoutAWindowToCloseItIsTerminatedAtOnce) {
    ports.desktop.pollsBeforeWindow = -1;
    EXPECT_TRUE(app.launcher().endEmulator());
    EXPECT_TRUE(ports.desktop.events.empty());
    EXPECT_EQ(runner.terminated, std::vector<int>{1000});
    // Asked to end, it ends: nothing is killed.
    runner.waiting.at(1000)(ProcessEnd{std::nullopt, SIGTERM, {}});
    while (!ports.clock.queued.empty()) nextDelay();
    EXPECT_TRUE(runner.killed.empty());
    ASSERT_EQ(ends.runs.size(), 1u);
}

// An entry with a built-in pad profile starts no JoyToKey: the window is asked to map the pad
// for the emulator's process, as the profile says.
TEST_F(LaunchTest, ABuiltInPadProfileMapsThePadForTheEmulatorInsteadOfJoyToKey) {
    installRecorder(dir.file("joy/JoyToKey"));
    change([](MainSettings& m) { m.toolPaths[0] = "./joy/JoyToKey"; });
    dir.write("data/pad/shooter.ini", "[keys]\na = z\nb = x turbo\n");
    entries[0].joyToKeySetting = "<内蔵> shooter";
    setUpLaunching("FC");
    FakeRunner runner;
    runner.background = true;
    ports.processes.target = &runner;
    EndListener listener;
    app.setListener(&listener);
    rom("a.nes");
    ASSERT_TRUE(launch("a.nes"));
    ASSERT_EQ(runner.started.size(), 1u);
    EXPECT_EQ(runner.started[0][0], emu);
    ASSERT_EQ(listener.mappings.size(), 1u);
    EXPECT_EQ(listener.mappings[0].first, 1000);
    const PadProfile& p = listener.mappings[0].second;
    ASSERT_EQ(p.mappings.size(), 2u);
    EXPECT_EQ(p.mappings[0].keysym, 0x7au);
    EXPECT_EQ(p.mappings[1].repeat, KeyRepeat::Turbo);
    EXPECT_TRUE(logged("パッドを内蔵プロファイル「shooter」でキーに割り当てます。"));
    EXPECT_FALSE(logged("JoyToKey を起動しました。"));
    app.setListener(nullptr);
}

TEST_F(LaunchTest, APadProfileThatDoesNotReadMapsNothingAndSaysWhichLine) {
    dir.write("data/pad/broken.ini", "[keys]\na = z\nb = ??\n");
    entries[0].joyToKeySetting = "<内蔵> broken";
    setUpLaunching("FC");
    FakeRunner runner;
    runner.background = true;
    ports.processes.target = &runner;
    EndListener listener;
    app.setListener(&listener);
    rom("a.nes");
    ASSERT_TRUE(launch("a.nes"));  // the game starts all the same
    EXPECT_EQ(runner.started.size(), 1u);
    EXPECT_TRUE(listener.mappings.empty());
    EXPECT_TRUE(
        logged("パッドのプロファイル「broken」を使えません: 3 行目: キー「??」は知りません"));
    app.setListener(nullptr);
}
