#include "core/launch/CommandLine.h"

#include <gtest/gtest.h>

#include "TempFolder.h"
#include "core/launch/IniFile.h"
#include "core/launch/Launcher.h"
#include "core/views/SystemLog.h"

using namespace romshelf;
using V = std::vector<std::string>;

namespace {
EmulatorEntry entry(const std::string& commandLine, bool quote) {
    EmulatorEntry e;
    e.commandLine = commandLine;
    e.options[kQuotePath] = quote;
    return e;
}
}  // namespace

TEST(CommandLine, SplitsAsAWindowsProgramReceivesIt) {
    EXPECT_EQ(splitCommandLine(""), V{});
    EXPECT_EQ(splitCommandLine("  -a   -b "), (V{"-a", "-b"}));
    EXPECT_EQ(splitCommandLine("-rom \"C:\\My Games\\a.nes\" -fs"), (V{"-rom", "C:\\My Games\\a.nes", "-fs"}));
    EXPECT_EQ(splitCommandLine("a\"b c\"d"), (V{"ab cd"}));
    EXPECT_EQ(splitCommandLine("\"\""), (V{""}));
    EXPECT_EQ(splitCommandLine("\"say \"\"hi\"\"\""), (V{"say \"hi\""}));
}

TEST(CommandLine, PlaceholdersAndQuoting) {
    const std::string path = "/roms/Super Mario (J).nes";
    // $P between two options, quoting on: the path in quotes in the logged text, one argument.
    LaunchArguments a = buildLaunchArguments(entry("-a $P -b", true), path);
    EXPECT_EQ(a.text, "-a \"/roms/Super Mario (J).nes\" -b");
    EXPECT_EQ(a.argv, (V{"-a", path, "-b"}));
    // $P and $T: only $P is replaced, $T reaches the emulator as written.
    a = buildLaunchArguments(entry("$P --title=$T", false), path);
    EXPECT_EQ(a.text, "/roms/Super Mario (J).nes --title=$T");
    EXPECT_EQ(a.argv, (V{path, "--title=$T"}));
    // Empty text: the bare path.
    a = buildLaunchArguments(entry("", false), path);
    EXPECT_EQ(a.text, path);
    EXPECT_EQ(a.argv, V{path});
    // No placeholder: the text, then the path.
    a = buildLaunchArguments(entry("-fullscreen -x 2", true), path);
    EXPECT_EQ(a.text, "-fullscreen -x 2 \"/roms/Super Mario (J).nes\"");
    EXPECT_EQ(a.argv, (V{"-fullscreen", "-x", "2", path}));
    // $F and $T, inside an argument too.
    a = buildLaunchArguments(entry("--file=$F", false), path);
    EXPECT_EQ(a.argv, V{"--file=Super Mario (J).nes"});
    a = buildLaunchArguments(entry("$T $T", true), path);
    EXPECT_EQ(a.text, "\"Super Mario (J)\" \"Super Mario (J)\"");
    EXPECT_EQ(a.argv, (V{"Super Mario (J)", "Super Mario (J)"}));
    // A quoted placeholder in the text still gives one argument.
    a = buildLaunchArguments(entry("-cart \"$P\"", false), path);
    EXPECT_EQ(a.argv, (V{"-cart", path}));
    // A path that itself holds "$P" is not substituted again.
    a = buildLaunchArguments(entry("$P", false), "/r/$P.nes");
    EXPECT_EQ(a.argv, V{"/r/$P.nes"});
}

TEST(IniFile, WritesLikeWindowsKeepingEverythingElse) {
    romshelf::test::TempFolder dir;
    const std::string ini = dir.file("JoyToKey.ini");
    ASSERT_TRUE(writeIniValue(ini, "LastStatus", "FileName", "mario"));
    EXPECT_EQ(dir.read("JoyToKey.ini"), "[LastStatus]\r\nFileName=mario\r\n");

    dir.write("JoyToKey.ini", "; comment\r\n[Other]\r\nFileName=keep\r\n\r\n[laststatus]\r\nX=1\r\n filename = old \r\nY=2\r\n\r\n[Tail]\r\nZ=3");
    ASSERT_TRUE(writeIniValue(ini, "LastStatus", "FileName", "ゼルダ"));
    EXPECT_EQ(dir.read("JoyToKey.ini"), "; comment\r\n[Other]\r\nFileName=keep\r\n\r\n[laststatus]\r\nX=1\r\n"
                                        "FileName=\x83\x5b\x83\x8b\x83\x5f\r\nY=2\r\n\r\n[Tail]\r\nZ=3");

    // A new key goes after the section's last entry; LF files stay LF.
    dir.write("NP2.ini", "[NekoProjectII]\nclk_base=2457600\n\n[Other]\nk=v\n");
    ASSERT_TRUE(writeIniValue(dir.file("NP2.ini"), "NekoProjectII", "FDfolder", "/roms/pc98/"));
    EXPECT_EQ(dir.read("NP2.ini"), "[NekoProjectII]\nclk_base=2457600\nFDfolder=/roms/pc98/\n\n[Other]\nk=v\n");
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
    for (const char* l : {"clear", "@2", "エラーです", "@0"}) log.addLine(l);
    auto shown = log.shownLines();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "エラーです");
    EXPECT_EQ(shown[0].rgb, 0xFF0000u);
    for (const char* l : {"clear", "@1", "blue", "> command line", "@8", "grey", "@9", "still grey"}) log.addLine(l);
    shown = log.shownLines();
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[0].rgb, 0x0000FFu);
    EXPECT_EQ(shown[1].rgb, 0xFF0000u);  // a command line is always red
    EXPECT_EQ(shown[2].rgb, 0x808080u);
    EXPECT_EQ(shown[3].rgb, 0x808080u);
    log.addLine("clear");
    log.addLine("@2");
    for (int i = 0; i < 150; ++i) log.addLine("line " + std::to_string(i));
    // The dropped "@2" still colours what is left.
    EXPECT_EQ(log.shownLines().front().rgb, 0xFF0000u);
    EXPECT_EQ(log.lines().size(), 96u);
    EXPECT_EQ(log.lines().front(), "line 54");
    EXPECT_EQ(log.lines().back(), "line 149");
}

TEST(LaunchPaths, SecondDiskAndShortPath) {
    romshelf::test::TempFolder dir;
    dir.write("pc98/Game1.fdi", "x");
    dir.write("pc98/Game2.fdi", "x");
    dir.write("pc98/Diskb.FDI", "x");
    dir.write("pc98/DiskA.FDI", "x");
    EXPECT_EQ(secondDisk(dir.file("pc98/Game1.fdi")), dir.file("pc98/Game2.fdi"));
    EXPECT_EQ(secondDisk(dir.file("pc98/Game2.fdi")), "");
    EXPECT_EQ(secondDisk(dir.file("pc98/Diska.FDI")), dir.file("pc98/Diskb.FDI"));
    EXPECT_EQ(secondDisk(dir.file("pc98/DiskA.FDI")), "");  // DiskB.FDI does not exist
    EXPECT_EQ(shortPath(""), "");
    EXPECT_EQ(shortPath(dir.file("pc98/Game1.fdi")), dir.file("pc98/Game1.fdi"));
    EXPECT_EQ(shortPath(dir.file("no such file")), "");
    EXPECT_EQ(shortPath(dir.file("no such folder/")), dir.file("no such folder/"));
}
