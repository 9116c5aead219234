#include "core/app/InternalInfo.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "AppFixture.h"
#include "LaunchFixture.h"
#include "ProcessProbe.h"
#include "RomImages.h"
#include "core/commands/ToolCommands.h"
#include "core/platform/FileSystem.h"

using namespace romshelf;
namespace rom = romshelf::test::rom;

namespace {

using V = std::vector<std::string>;

// Records the argv of each start; the checker "writes" `output` into the sum file.
struct CheckerRunner : ProcessRunner {
    std::vector<std::vector<std::string>> started;
    std::string sum, output;
    std::optional<int> start(const std::vector<std::string>& argv, const std::string&) override {
        started.push_back(argv);
        if (!output.empty()) std::ofstream(sum, std::ios::binary) << output;
        return 4242;
    }
    void whenFinished(int, std::function<void(const ProcessEnd&)>) override {}
    void terminate(int) override {}
};

// Delays wait in the clock's queue, seen and never slept.
struct InternalInfoTest : test::AppFixture {
    test::TestClock clock;
    V waits;
    CheckerRunner runner;
    InternalInfo info{app, clock};

    InternalInfoTest() {
        ports.processes.target = &runner;
        clock.journal = &waits;
        clock.queue = true;
    }

    // `code` with the file roms/`name` holding `bytes`, the list showing it; `tool` in tool slot
    // `slot` when given.
    void prepare(const std::string& code, const std::string& name, const std::string& bytes,
                 int slot = -1, const std::string& tool = "") {
        setUpHardware(code, "./roms/");
        dir.write("roms/" + name, bytes);
        if (slot >= 0) {
            dir.write(tool, "");
            app.changeSettings([&](MainSettings& m) { m.toolPaths[slot] = "./" + tool; });
        }
        start(code);
        app.showAll();
        runner.sum = info.sumPath();
    }
};

}  // namespace

TEST_F(InternalInfoTest, ACheckerRunsOnTheFileAndItsReportIsShownInBlue) {
    // SFC and MD with smd.com get " /s"; MD with Sbm.exe and FC's checkers do not.
    // Hardware, file, tool slot and tool, whether MD uses Sbm.exe, and whether " /s" follows.
    const std::tuple<const char*, const char*, int, const char*, bool, bool> cases[] = {
        {"SFC", "game.sfc", 3, "tools/smc", false, true},
        {"MD", "game.md", 5, "tools/smd", false, true},
        {"MD", "game.md", 6, "tools/sbm", true, false},
        {"FC", "game.nes", 1, "tools/nes", false, false},
    };
    for (const auto& [code, file, slot, tool, sbm, slashS] : cases) {
        SCOPED_TRACE(std::string(code) + " " + tool);
        app.changeSettings([&](MainSettings& m) { m.setOption(Option::MdCheckerUsesSbm, sbm); });
        prepare(code, file, std::string(150 * 1024, 'x'), slot, tool);
        runner.started.clear();
        waits.clear();
        clock.queue = true;
        runner.output = "\x83\x7d\x83\x8a\x83\x49 ROM\r\nCRC 1234\r\n";  // CP932 "マリオ ROM"
        ASSERT_TRUE(info.show(0));
        const std::string path = dir.file(std::string("roms/") + file);
        const std::string shown = ">" + dir.file(tool) + " " + path + (slashS ? " /s" : "");
        EXPECT_EQ(log(), (V{"gameの内部情報表示の準備中です。", "@2", shown, "@0",
                            "情報表示には数秒時間がかかります。"}));
        ASSERT_EQ(runner.started.size(), 1u);
        V argv = {"/bin/sh", "-c", "out=$1; shift; exec \"$@\" >\"$out\"", "sh"};
        argv.insert(argv.end(), {info.sumPath(), dir.file(tool), path});
        if (slashS) argv.emplace_back("/s");
        EXPECT_EQ(runner.started[0], argv);
        EXPECT_TRUE(app.busy());  // commands wait for the report
        clock.runQueued();
        // 700 ms, then the wait for a file of 150 KB.
        EXPECT_EQ(waits, (V{"wait 700", "wait 1000"}));
        EXPECT_EQ(log(), (V{"@1", "マリオ ROM", "CRC 1234"}));
        EXPECT_FALSE(fs::pathExists(info.sumPath()));
        EXPECT_FALSE(app.busy());
    }
}

TEST_F(InternalInfoTest, ANativeCheckerWritesItsReportThroughTheShell) {
    ports.processes.target = nullptr;  // a real checker: a script that says what it got
    prepare("SFC", "my $(game).sfc", "x", 3, "tools/smc");
    dir.write("tools/smc", "#!/bin/sh\necho \"checked [$1] [$2]\"\n");
    std::filesystem::permissions(dir.file("tools/smc"), std::filesystem::perms::owner_all);
    ASSERT_TRUE(info.show(0));
    ASSERT_TRUE(test::waitFor([&] { return fs::fileSize(info.sumPath()).value_or(0) > 0; }));
    clock.runQueued();
    EXPECT_EQ(log(), (V{"@1", "checked [" + dir.file("roms/my $(game).sfc") + "] [/s]"}));
}

TEST_F(InternalInfoTest, StopsSilentlyWhereThereIsNothingToShow) {
    // PCE has neither checker nor header reader; a row out of range is nothing.
    prepare("PCE", "game.pce", "bytes");
    EXPECT_FALSE(info.show(0));
    EXPECT_FALSE(info.show(5));
    EXPECT_TRUE(runner.started.empty());
    EXPECT_TRUE(waits.empty());
    EXPECT_FALSE(logged("clear"));
    EXPECT_EQ(log().size(), 1u);  // the start line alone
}

TEST_F(InternalInfoTest, ACheckerWithoutOutputIsToldAndADosOneNeedsDosbox) {
    prepare("GB", "game.gb", rom::gameBoy("TETRIS"), 7, "tools/gb");
    ASSERT_TRUE(info.show(0));
    clock.runQueued();
    const V lines = log();
    EXPECT_EQ(V(lines.end() - 3, lines.end()), (V{"", "@2", "情報の表示に失敗しました。"}));
    EXPECT_FALSE(app.busy());

    // A DOS checker: through dosbox on PATH with the same command line, or not at all.
    test::TempFolder bin;
    bin.write("dosbox", "#!/bin/sh\n");
    std::filesystem::permissions(bin.file("dosbox"), std::filesystem::perms::owner_all);
    const std::string sum = dir.file("temp/sum.txt");
    const auto dos = [&] {
        return InternalInfo::checkerCommand(dir.file("tools/GB.COM"), {dir.file("roms/g.gb")}, sum);
    };
    const std::string oldPath = std::getenv("PATH");
    ::setenv("PATH", "/nonexistent", 1);
    EXPECT_EQ(dos(), std::nullopt);
    ::setenv("PATH", bin.path().c_str(), 1);
    const auto argv = dos();
    ::setenv("PATH", oldPath.c_str(), 1);
    ASSERT_TRUE(argv);
    EXPECT_EQ(*argv, (V{bin.file("dosbox"), "-c", "MOUNT C \"" + dir.file("tools/") + "\"", "-c",
                        "MOUNT D \"" + dir.file("roms/") + "\"", "-c",
                        "MOUNT E \"" + dir.file("temp/") + "\"", "-c", "C:", "-c",
                        "C:\\GB.COM D:\\g.gb >E:\\sum.txt", "-c", "EXIT"}));
}

TEST_F(InternalInfoTest, WithoutACheckerTheHeaderIsReadFromTheFileOrTheUnpackedMember) {
    // Hardware, member name and bytes, whether zipped, and the report's colour and first line.
    const std::tuple<const char*, const char*, std::string, bool, const char*, const char*>
        cases[] = {
            {"FC", "game.nes", rom::ines(2, 1, 0, 0), false, "@1", "形式: iNES"},
            {"GBA", "game.gba", rom::gameBoyAdvance("ADVANCE", "AAAJ"), false, "@1",
             "タイトル: ADVANCE"},
            {"GB", "game.gb", rom::gameBoy("ZIPPED"), true, "@1", "タイトル: ZIPPED"},
            {"MD", "game.md", std::string(4096, '\0'), false, "@2",
             "メガドライブのヘッダが正しくありません。"},
        };
    for (const auto& [code, name, bytes, zipped, colour, firstLine] : cases) {
        SCOPED_TRACE(code);
        FolderSettings f;
        f.romFolderNames[0] = code;
        f.romFolderPaths[0] = "./roms/";
        f.tempFolder = "./temp/" + std::string(code) + "/";
        writeFolderSettings(code, f);
        if (zipped)
            writeZip("roms/game.zip", {{name, bytes}});
        else
            dir.write(std::string("roms/") + name, bytes);
        start(code);
        app.showAll();
        ASSERT_TRUE(info.show(0));
        EXPECT_TRUE(waits.empty());  // nothing to wait for
        // The member is read where it was unpacked (the report replaced the lines before it).
        EXPECT_EQ(fs::fileExists(dir.file("temp/" + std::string(code) + "/" + name)), zipped);
        const V lines = log();
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ((V{lines[0], lines[1]}), (V{colour, firstLine}));
        EXPECT_TRUE(runner.started.empty());
        std::filesystem::remove_all(dir.file("roms"));
    }
}

TEST_F(InternalInfoTest, JoyToKeyStartsInItsFolderAndExplorerOpensTheProgramFolder) {
    EXPECT_FALSE(startJoyToKey(app));  // not set
    ports.processes.target = nullptr;  // real processes: the stand-in records its start
    const std::string joy = test::installRecorder(dir.file("joy/JoyToKey"));
    app.changeSettings([](MainSettings& m) { m.toolPaths[0] = "./joy/JoyToKey"; });
    ASSERT_TRUE(startJoyToKey(app));
    const test::Recorded r = test::readRecord(joy);
    ASSERT_TRUE(r.ran);
    EXPECT_EQ(r.argv, V{joy});
    EXPECT_EQ(r.workingFolder + "/", dir.file("joy/"));
    // A Windows program starts through Wine (a stand-in here), in its own folder.
    const std::string wine = test::installRecorder(dir.file("wine/wine"));
    PlusSettings plus = app.plusSettings();
    plus.wine = wine;
    app.changePlusSettings(plus);
    dir.write("joy/JoyToKey.exe", "MZ");
    app.changeSettings([](MainSettings& m) { m.toolPaths[0] = "./joy/JoyToKey.exe"; });
    ASSERT_TRUE(startJoyToKey(app));
    const test::Recorded w = test::readRecord(wine);
    ASSERT_TRUE(w.ran);
    EXPECT_EQ(w.argv[0], wine);
    EXPECT_EQ(w.argv.back(), dir.file("joy/JoyToKey.exe"));
    EXPECT_EQ(w.workingFolder + "/", dir.file("joy/"));
    // Neither a program of this system nor of Windows: the desktop opens it.
    dir.write("joy/JoyToKey.txt", "notes");
    app.changeSettings([](MainSettings& m) { m.toolPaths[0] = "./joy/JoyToKey.txt"; });
    EXPECT_TRUE(startJoyToKey(app));
    EXPECT_TRUE(openProgramFolder(app));
    EXPECT_EQ(ports.desktop.opened, (V{dir.file("joy/JoyToKey.txt"), dir.path()}));
    EXPECT_TRUE(prompter.boxes().empty());
    // No file manager on the desktop: the user is told.
    ports.desktop.opens = false;
    EXPECT_FALSE(openProgramFolder(app));
    ASSERT_EQ(prompter.boxes().size(), 1u);
    EXPECT_EQ(prompter.boxes()[0].text, "フォルダを開くプログラムが見つかりません。");
}
