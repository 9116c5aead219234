#include "core/launch/CommandLine.h"

#include <gtest/gtest.h>

#include "TempFolder.h"
#include "core/launch/IniFile.h"
#include "core/launch/LaunchPlanner.h"
#include "core/views/SystemLog.h"

using namespace romshelf;
using V = std::vector<std::string>;

TEST(CommandLine, SplitsAsAWindowsProgramReceivesIt) {
    EXPECT_EQ(splitCommandLine(""), V{});
    EXPECT_EQ(splitCommandLine("  -a   -b "), (V{"-a", "-b"}));
    EXPECT_EQ(splitCommandLine("-rom \"C:\\My Games\\a.nes\" -fs"),
              (V{"-rom", "C:\\My Games\\a.nes", "-fs"}));
    EXPECT_EQ(splitCommandLine("a\"b c\"d"), (V{"ab cd"}));
    EXPECT_EQ(splitCommandLine("\"\""), (V{""}));
    EXPECT_EQ(splitCommandLine("\"say \"\"hi\"\"\""), (V{"say \"hi\""}));
}

TEST(CommandLine, PlaceholdersAndQuoting) {
    auto build = [](const std::string& commandLine, bool quote, const std::string& path) {
        EmulatorEntry e;
        e.commandLine = commandLine;
        e.options[kQuotePath] = quote;
        return buildLaunchArguments(e, path);
    };
    const std::string path = "/roms/Super Mario (J).nes", quoted = "\"" + path + "\"";
    const std::string title = "Super Mario (J)";
    const struct {
        std::string commandLine;
        bool quote;
        std::string text;
        V argv;
    } cases[] = {
        // $P between two options, quoting on: the path in quotes in the logged text, one argument.
        {"-a $P -b", true, "-a " + quoted + " -b", {"-a", path, "-b"}},
        // Only the first kind of placeholder is replaced: $T reaches the emulator as written.
        {"$P --title=$T", false, path + " --title=$T", {path, "--title=$T"}},
        {"", false, path, {path}},  // no text: the bare path
        // No placeholder: the text, then the path.
        {"-full -x 2", true, "-full -x 2 " + quoted, {"-full", "-x", "2", path}},
        {"--file=$F", false, "--file=Super Mario (J).nes", {"--file=Super Mario (J).nes"}},
        {"$T $T", true, "\"" + title + "\" \"" + title + "\"", {title, title}},
        // A quoted placeholder in the text still gives one argument.
        {"-cart \"$P\"", false, "-cart " + quoted, {"-cart", path}},
    };
    for (const auto& c : cases) {
        const LaunchArguments a = build(c.commandLine, c.quote, path);
        EXPECT_EQ(a.text, c.text) << c.commandLine;
        EXPECT_EQ(a.argv, c.argv) << c.commandLine;
    }
    // A path that itself holds "$P" is not substituted again.
    EXPECT_EQ(build("$P", false, "/r/$P.nes").argv, V{"/r/$P.nes"});
}

TEST(IniFile, WritesLikeWindowsKeepingEverythingElse) {
    romshelf::test::TempFolder dir;
    const std::string ini = dir.file("JoyToKey.ini");
    ASSERT_TRUE(writeIniValue(ini, "LastStatus", "FileName", "mario"));
    EXPECT_EQ(dir.read("JoyToKey.ini"), "[LastStatus]\r\nFileName=mario\r\n");

    dir.write(
        "JoyToKey.ini",
        "; comment\r\n[Other]\r\nFileName=keep\r\n\r\n[laststatus]\r\nX=1\r\n filename = old \r\nY=2\r\n\r\n[Tail]\r\nZ=3");
    ASSERT_TRUE(writeIniValue(ini, "LastStatus", "FileName", "ゼルダ"));
    EXPECT_EQ(dir.read("JoyToKey.ini"),
              "; comment\r\n[Other]\r\nFileName=keep\r\n\r\n[laststatus]\r\nX=1\r\n"
              "FileName=\x83\x5b\x83\x8b\x83\x5f\r\nY=2\r\n\r\n[Tail]\r\nZ=3");

    // A new key goes after the section's last entry; LF files stay LF.
    dir.write("NP2.ini", "[NekoProjectII]\nclk_base=2457600\n\n[Other]\nk=v\n");
    ASSERT_TRUE(writeIniValue(dir.file("NP2.ini"), "NekoProjectII", "FDfolder", "/roms/pc98/"));
    EXPECT_EQ(dir.read("NP2.ini"),
              "[NekoProjectII]\nclk_base=2457600\nFDfolder=/roms/pc98/\n\n[Other]\nk=v\n");
    // A file without a final line break.
    dir.write("c.ini", "[S]\nA=1");
    ASSERT_TRUE(writeIniValue(dir.file("c.ini"), "S", "B", "2"));
    EXPECT_EQ(dir.read("c.ini"), "[S]\nA=1\nB=2");
    ASSERT_TRUE(writeIniValue(dir.file("c.ini"), "New", "K", ""));
    EXPECT_EQ(dir.read("c.ini"), "[S]\nA=1\nB=2\n[New]\nK=\n");
}

TEST(SystemLogModel, DirectivesColoursAndLimit) {
    SystemLog log;
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(log.lines()[0], "RomshelfPlus!! を起動しました。");
    log.clear();
    log.setColour(LogColour::Red);
    log.addLine("エラーです");
    log.setColour(LogColour::Black);
    auto shown = log.shownLines();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "エラーです");
    EXPECT_EQ(shown[0].rgb, 0xFF0000u);
    // Lines as the launcher and the tools write them.
    for (const char* l :
         {"clear", "@1", "blue", "> command line", "@8", "grey", "@9", "still grey"})
        log.addLine(l);
    shown = log.shownLines();
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[0].rgb, 0x0000FFu);
    EXPECT_EQ(shown[1].rgb, 0xFF0000u);  // a command line is always red
    EXPECT_EQ(shown[2].rgb, 0x808080u);
    EXPECT_EQ(shown[3].rgb, 0x808080u);
    log.clear();
    log.setColour(LogColour::Red);
    for (int i = 0; i < 150; ++i) log.addLine("line " + std::to_string(i));
    // The colour line that scrolled out still colours what is left.
    EXPECT_EQ(log.shownLines().front().rgb, 0xFF0000u);
    EXPECT_EQ(log.lines().size(), 96u);
    EXPECT_EQ(log.lines().front(), "line 54");
    EXPECT_EQ(log.lines().back(), "line 149");
}

TEST(LaunchPaths, SecondDiskAndShortPath) {
    romshelf::test::TempFolder dir;
    for (const char* f : {"Game1.fdi", "Game2.fdi", "Diskb.FDI", "DiskA.FDI"})
        dir.write(std::string("pc98/") + f, "x");
    EXPECT_EQ(secondDisk(dir.file("pc98/Game1.fdi")), dir.file("pc98/Game2.fdi"));
    EXPECT_EQ(secondDisk(dir.file("pc98/Game2.fdi")), "");
    EXPECT_EQ(secondDisk(dir.file("pc98/Diska.FDI")), dir.file("pc98/Diskb.FDI"));
    EXPECT_EQ(secondDisk(dir.file("pc98/DiskA.FDI")), "");  // DiskB.FDI does not exist
    EXPECT_EQ(shortPath(""), "");
    EXPECT_EQ(shortPath(dir.file("pc98/Game1.fdi")), dir.file("pc98/Game1.fdi"));
    EXPECT_EQ(shortPath(dir.file("no such file")), "");
    EXPECT_EQ(shortPath(dir.file("no such folder/")), dir.file("no such folder/"));
}
