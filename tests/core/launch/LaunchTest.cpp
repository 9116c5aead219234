#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <cstdlib>
#include <filesystem>

#include "AppFixture.h"
#include "LaunchFixture.h"
#include "core/app/Application.h"
#include "core/archive/LzhWriter.h"

using namespace romshelf;
using romshelf::test::readRecord;
using V = std::vector<std::string>;

namespace {

struct LaunchTest : romshelf::test::AppFixture {
    std::string emu;  // the stand-in emulator of slot 0
    EmulatorEntries entries{};

    void SetUp() override {
        emu = romshelf::test::installRecorder(dir.file("emu dir/nes emu"));
        entries[0].name = "TestNES";
        entries[0].executable = "./emu dir/nes emu";
        entries[0].commandLine = "-a $P -b";
        entries[0].options[kQuotePath] = true;
        setUpLaunching("FC");
    }
    // `code` with ROM folder 1 at roms/ and the test's emulators, started.
    void setUpLaunching(const std::string& code) {
        setUpHardware(code, "./roms/");
        writeEmulators(code, entries);
        start(code);
    }
    template <class Change>
    void change(Change&& c) {
        app.changeSettings(std::forward<Change>(c));
    }
    std::string rom(const std::string& name) { return dir.write("roms/" + name, "ROM"); }
    bool launch(const std::string& name, int folder = 0) { return app.launchFile({"Game", name, folder, -1}); }
    std::string emuFolder() const { return dir.path() + "emu dir"; }
};

}  // namespace

TEST_F(LaunchTest, AFileReachesTheEmulatorAsOneArgument) {
    EXPECT_EQ(app.emulatorCombo().selectedText(), "TestNES");
    const std::string path = rom("Super Mario (J).nes");
    ASSERT_TRUE(launch("Super Mario (J).nes"));
    auto rec = readRecord(emu);
    ASSERT_TRUE(rec.ran);
    EXPECT_EQ(rec.argv, (V{dir.file("emu dir/nes emu"), "-a", path, "-b"}));
    EXPECT_EQ(rec.workingFolder, emuFolder());
    EXPECT_EQ(log(), (V{"Super Mario (J).nes が指定されました。", "TestNES を起動します。", "> " + emu,
                        "コマンドラインを確認します。", "> -a \"" + path + "\" -b", "正常に起動プロセスが終了しました。"}));
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
    for (const std::string name : {"a \"quoted\" game.nes", "$(touch pwned).nes", "semi;colon && ls.nes",
                                    "한국어 게임.nes", "back\\slash 'single'.nes", "-rf.nes", "*.nes"}) {
        SCOPED_TRACE(name);
        const std::string path = rom(name);
        std::filesystem::remove(emu + ".record");
        ASSERT_TRUE(launch(name));
        auto rec = readRecord(emu);
        ASSERT_TRUE(rec.ran);
        EXPECT_EQ(rec.argv, (V{emu, "-a", path, "-b"}));
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("emu dir/pwned")));
    EXPECT_FALSE(std::filesystem::exists("pwned"));
}

TEST_F(LaunchTest, FailuresEndInRedAndAreNotRemembered) {
    rom("a.nes");
    // The ROM file is missing.
    EXPECT_FALSE(launch("missing.nes"));
    EXPECT_EQ(log(), (V{"missing.nes が指定されました。", "TestNES を起動します。", "> " + emu, "@2",
                        "指定されたROMファイルが見つかりません。", "> " + dir.path() + "roms/missing.nes"}));
    // The archive cannot be unpacked.
    rom("broken.zip");
    EXPECT_FALSE(launch("broken.zip"));
    EXPECT_EQ(log().back(), "ファイルの解凍に失敗しました。");
    // The emulator cannot be started.
    ::chmod(emu.c_str(), 0644);
    EXPECT_FALSE(launch("a.nes"));
    EXPECT_EQ(log().back(), "エミュレータの起動に失敗しました。");
    EXPECT_EQ(log()[log().size() - 2], "@2");
    // The emulator is gone: the combo offers nothing.
    std::filesystem::remove(emu);
    app.startUp();
    EXPECT_FALSE(launch("a.nes"));
    EXPECT_EQ(log(), (V{"a.nes が指定されました。", "@2", "指定されたエミュレータが正常に設定されていません。"}));
    for (const auto& label : app.recentFileLabels()) EXPECT_FALSE(label.has_value());
    // Rows without a ROM folder do nothing, not even a log line.
    EXPECT_FALSE(launch("a.nes", -1));
    EXPECT_FALSE(launch("a.nes", -2));
    EXPECT_EQ(log().back(), "指定されたエミュレータが正常に設定されていません。");
}

TEST_F(LaunchTest, PlaceholderAndUnownedRowsLaunchNothing) {
    app.showAll();  // no files: the placeholder row
    ASSERT_EQ(app.fileList().rows().size(), 1u);
    EXPECT_FALSE(app.launchRow(0));
    EXPECT_EQ(log(), V{"RomshelfPlus!! を起動しました。"});
    dir.write("data/NoHave_FC.txt", "Not Owned\r\n");
    change([](MainSettings& m) { m.setOption(Option::ListMissingFiles, true); });
    app.showAll();
    ASSERT_EQ(app.fileList().rows()[0].folderNumber, kUnownedFolder);
    EXPECT_FALSE(app.launchRow(0));
    EXPECT_EQ(log(), V{"RomshelfPlus!! を起動しました。"});
}

TEST_F(LaunchTest, ArchivesAreUnpackedIntoTempUnlessPassedAsTheyAre) {
    std::filesystem::create_directories(dir.file("pack"));
    std::filesystem::create_directories(dir.file("roms"));
    dir.write("pack/readme.txt", "hello");
    dir.write("pack/Zipped Game.nes", "NES");
    ASSERT_EQ(std::system(("cd '" + dir.file("pack") + "' && zip -q '../roms/Zipped Game.zip' readme.txt 'Zipped Game.nes'").c_str()), 0);
    ASSERT_TRUE(launch("Zipped Game.zip"));
    const std::string extracted = dir.path() + "temp/Zipped Game.nes";
    EXPECT_EQ(readRecord(emu).argv, (V{emu, "-a", extracted, "-b"}));
    const V lines = log();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "ファイルが圧縮されているので解凍します。"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "TEMPフォルダを使用します。"), lines.end());
    EXPECT_EQ(app.sessionTempFolders()[0], dir.path() + "temp/");

    // With passZipUnpacked a ZIP goes as it is, an LZH is still unpacked.
    entries[0].options[kPassZipUnpacked] = true;
    setUpLaunching("FC");
    std::filesystem::remove(emu + ".record");
    ASSERT_TRUE(launch("Zipped Game.zip"));
    EXPECT_EQ(readRecord(emu).argv, (V{emu, "-a", dir.path() + "roms/Zipped Game.zip", "-b"}));
    EXPECT_NE(std::find(log().begin(), log().end(), "ファイルがZIP圧縮されていますが、設定により解凍しません。"), log().end());
    dir.write("pack/lzh game.nes", "NES2");
    ASSERT_TRUE(archive::addFileToLzh(dir.file("roms/lzh game.lzh"), dir.file("pack/lzh game.nes"), archive::LzhMethod::Lh5));
    std::filesystem::remove(emu + ".record");
    ASSERT_TRUE(launch("lzh game.lzh"));
    EXPECT_EQ(readRecord(emu).argv, (V{emu, "-a", dir.path() + "temp/lzh game.nes", "-b"}));
}

TEST_F(LaunchTest, MameGetsTheSetName) {
    entries[0].commandLine = "";
    entries[0].options[kQuotePath] = false;
    setUpLaunching("MAME");
    rom("pacman.zip");
    ASSERT_TRUE(launch("pacman.zip"));
    EXPECT_EQ(readRecord(emu).argv, (V{emu, "pacman"}));
    EXPECT_EQ(log()[log().size() - 2], "> pacman");
}

TEST_F(LaunchTest, SpecialStartGivesTheExecutableAlone) {
    entries[0].specialStart = true;
    entries[0].commandLine = "-cart $P";
    setUpLaunching("FC");
    const std::string path = rom("Zelda.nes");
    ASSERT_TRUE(launch("Zelda.nes"));
    EXPECT_EQ(readRecord(emu).argv, V{emu});
    const V lines = log();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "TestNES を特殊起動します。"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "> " + path), lines.end());
}

TEST_F(LaunchTest, APreferredEmulatorOverridesTheCombo) {
    const std::string other = romshelf::test::installRecorder(dir.file("emu2/other"));
    entries[3].name = "Other";
    entries[3].executable = other;
    setUpLaunching("FC");
    app.chooseEmulator(0);
    rom("Metroid.nes");
    RomRecord r = record("Metroid", "メトロイド");
    r.preferredEmulator = 3;
    app.addRecord(r);
    app.showAll();
    ASSERT_TRUE(app.launchRow(0));
    EXPECT_TRUE(readRecord(other).ran);
    EXPECT_EQ(log()[1], "Otherが優先エミュレータが設定されています。");
    EXPECT_EQ(app.recentFileLabels()[0], "&1 メトロイド");
    // Beyond the 64 entries a preference cannot be used: the combo's emulator starts.
    app.editRecord(0, [](RomRecord& rec) { rec.preferredEmulator = 70; });
    std::filesystem::remove(emu + ".record");
    ASSERT_TRUE(app.launchRow(0));
    EXPECT_TRUE(readRecord(emu).ran);
}

TEST_F(LaunchTest, JoyToKeyRunsWhileTheEmulatorRuns) {
    const std::string joy = romshelf::test::installRecorder(dir.file("joy/stay JoyToKey"));
    dir.write("joy/JoyToKey.ini", "[General]\r\nLang=JP\r\n");
    change([](MainSettings& m) {
        m.toolPaths[0] = "./joy/stay JoyToKey";
        m.setOption(Option::MinimiseWhileRunning, true);
        m.windowSlots[kSlotMainFrame].showState = ShowState::Maximised;
    });
    entries[0].joyToKeySetting = "マリオ";
    // An emulator that is played for a moment, so JoyToKey is up before it is stopped.
    emu = romshelf::test::installRecorder(dir.file("emu dir/pause emu"));
    entries[0].executable = emu;
    setUpLaunching("FC");
    rom("a.nes");
    ASSERT_TRUE(launch("a.nes"));  // waits here until the stand-in emulator ends
    EXPECT_EQ(dir.read("joy/JoyToKey.ini"), "[General]\r\nLang=JP\r\n[LastStatus]\r\nFileName=\x83\x7d\x83\x8a\x83\x49\r\n");
    auto joyRun = readRecord(joy);
    EXPECT_EQ(joyRun.argv, V{joy});
    EXPECT_EQ(joyRun.workingFolder, dir.path() + "joy");
    EXPECT_EQ(ports.sound.stops, 1);
    EXPECT_EQ(ports.windows.events, (V{"hide registration", "minimise", "restore 2"}));
    EXPECT_NE(std::find(log().begin(), log().end(), "JoyToKey を起動しました。"), log().end());
    EXPECT_EQ(log().back(), "正常に起動プロセスが終了しました。");
    EXPECT_EQ(app.recentFileLabels()[0], "&1 Game");
}

TEST_F(LaunchTest, NekoProjectGetsItsDisks) {
    const std::string np2 = romshelf::test::installRecorder(dir.file("np2/np2"));
    entries[1].name = "Neko Project II";
    entries[1].executable = np2;
    entries[1].specialStart = true;
    setUpLaunching("PC98");
    RomRecord game = record("Game");
    game.preferredEmulator = 1;
    app.addRecord(game);
    rom("Game.hdi");
    app.showAll();
    ASSERT_TRUE(app.launchRow(0));
    EXPECT_EQ(dir.read("np2/NP2.ini"), "[NekoProjectII]\r\nFDfolder=\r\nHDfolder=" + dir.path() + "roms/\r\nHDD1FILE=" +
                                           dir.path() + "roms/Game.hdi\r\nHDD2FILE=\r\n");
}

TEST_F(LaunchTest, DryRunsAndTheEmulatorAlone) {
    const std::string path = rom("a.nes");
    app.launcher().setDryRun(true);
    ASSERT_TRUE(launch("a.nes"));
    ASSERT_TRUE(app.launcher().lastStart().has_value());
    EXPECT_EQ(app.launcher().lastStart()->argv, (V{emu, "-a", path, "-b"}));
    EXPECT_EQ(app.launcher().lastStart()->workingFolder, dir.path() + "emu dir/");
    EXPECT_FALSE(readRecord(emu, 200).ran);
    app.launcher().setDryRun(false);

    ASSERT_TRUE(app.startEmulatorOnly());
    EXPECT_EQ(readRecord(emu).argv, V{emu});
    EXPECT_EQ(log(), (V{"TestNES を起動します。", "> " + emu, "正常に起動プロセスが終了しました。"}));
}

TEST_F(LaunchTest, OtherSoftwareRunsProgramsAndOpensDocuments) {
    const std::string tool = romshelf::test::installRecorder(dir.file("apps/editor"));
    const std::string doc = dir.write("docs/manual.pdf", "%PDF");
    FolderSettings f;
    f.romFolderPaths[0] = tool;
    f.romFolderPaths[1] = doc;
    writeFolderSettings("HARD", f);
    start("HARD");
    ASSERT_EQ(app.fileList().count(), 2);
    for (int row = 0; row < 2; ++row) ASSERT_TRUE(app.launchRow(row));
    EXPECT_EQ(readRecord(tool).argv, V{tool});
    EXPECT_EQ(ports.desktop.opened, V{doc});
    EXPECT_EQ(log(), (V{"manual を起動します。", "> " + doc, "正常に起動プロセスが終了しました。"}));
}

TEST_F(LaunchTest, AFailedStartLeavesJoyToKeyRunningWithoutWaitingForIt) {
    const std::string joy = romshelf::test::installRecorder(dir.file("joy2/stay joy"));
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
    std::system(("pkill -f '" + joy + "'").c_str());
}

TEST_F(LaunchTest, TheAlternativeStartRunsWSCampItself) {
    change([](MainSettings& m) { m.setOption(Option::AlternativeLaunch, true); });
    entries[0].name = "WSCamp";
    entries[0].specialStart = true;
    setUpLaunching("WS");
    rom("gunpey.ws");
    ASSERT_TRUE(launch("gunpey.ws"));
    const auto rec = readRecord(emu);
    EXPECT_EQ(rec.argv, V{emu});
    EXPECT_EQ(rec.workingFolder, emuFolder());
    EXPECT_TRUE(ports.desktop.opened.empty());
    EXPECT_NE(std::find(log().begin(), log().end(), "別方法にてエミュレータを起動します。"), log().end());
    // The alternative start records no recent launch.
    EXPECT_FALSE(app.recentFileLabels()[0].has_value());
}

namespace {

// Starts nothing; remembers what it was asked, and lets the test decide when processes end.
struct FakeRunner : ProcessRunner {
    int next = 1000;
    std::vector<V> started;
    std::map<int, std::function<void(int)>> waiting;
    std::vector<int> terminated;
    std::optional<int> start(const V& argv, const std::string&) override {
        started.push_back(argv);
        return next++;
    }
    void whenFinished(int pid, std::function<void(int)> then) override { waiting[pid] = std::move(then); }
    void terminate(int pid) override { terminated.push_back(pid); }
};

}  // namespace

TEST_F(LaunchTest, ALaunchStillRunningAtShutDownIsRecordedAndItsJoyToKeyStopped) {
    FakeRunner runner;
    ports.processes.target = &runner;
    const std::string joy = romshelf::test::installRecorder(dir.file("joy3/joy"));
    change([&](MainSettings& m) { m.toolPaths[0] = joy; });
    entries[0].joyToKeySetting = "x";
    setUpLaunching("FC");
    rom("a.nes");
    ASSERT_TRUE(launch("a.nes"));
    ASSERT_EQ(runner.started.size(), 2u);  // JoyToKey, then the emulator
    EXPECT_EQ(app.launcher().pendingLaunches(), 1u);
    EXPECT_FALSE(app.recentFileLabels()[0].has_value());  // only once the emulator ends…
    app.shutDown();                                        // …or the program does
    EXPECT_EQ(runner.terminated, std::vector<int>{1000});
    EXPECT_EQ(app.recentFileLabels()[0], "&1 Game");
    EXPECT_EQ(app.launcher().pendingLaunches(), 0u);
    runner.waiting.at(1001)(0);  // the emulator ends later: nothing more happens
    EXPECT_EQ(runner.terminated.size(), 1u);
}

TEST_F(LaunchTest, NamesWrittenInCp932AreTextOnScreenAndTheirOwnBytesOnDisk) {
    const std::string mario = "\x83\x7D\x83\x8A\x83\x49";  // マリオ in CP932, as unzip leaves it
    const std::string path = rom(mario + ".nes");
    const std::string stray = rom("\xFF\xFE.nes");  // neither UTF-8 nor CP932
    app.addRecord(record("マリオ", "スーパーマリオ"));
    app.showSearchResult([] {
        SearchCriteria c;
        c.typed = "マリオ";
        c.field = 2;  // file name
        c.rating = c.favourite = std::string(kNoCondition);
        c.classes.fill(std::string(kNoCondition));
        return c;
    }());
    ASSERT_EQ(app.fileList().count(), 1);
    EXPECT_EQ(app.fileList().rows()[0].fileName(), "マリオ.nes");
    EXPECT_EQ(app.fileList().rows()[0].gameName(), "スーパーマリオ");  // joined with its record
    ASSERT_TRUE(app.launchRow(0));
    EXPECT_EQ(readRecord(emu).argv, (V{emu, "-a", path, "-b"}));
    app.showAll();
    for (std::size_t row = 0; row < app.fileList().rows().size(); ++row)
        if (app.fileList().rows()[row].fileName() != "マリオ.nes") {
            std::filesystem::remove(emu + ".record");
            ASSERT_TRUE(app.launchRow(static_cast<int>(row)));
            EXPECT_EQ(readRecord(emu).argv, (V{emu, "-a", stray, "-b"}));
        }

    // The recent file is saved as text and finds the same file after a restart.
    ASSERT_TRUE(app.shutDown());
    romshelf::test::FakePorts again;
    Application next(ProgramFolder(dir.path()), again.host());
    next.loadMainSettings();
    next.startUp();
    std::filesystem::remove(emu + ".record");
    ASSERT_TRUE(next.launchRecent(1));
    EXPECT_EQ(readRecord(emu).argv, (V{emu, "-a", path, "-b"}));
}
