#include "core/launch/CommandLine.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <optional>
#include <tuple>

#include "RawBytes.h"
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
    // The command line, quoting, the text logged and the arguments. Only the first kind of
    // placeholder is replaced ($T reaches the emulator as written); with none, the path follows.
    const std::tuple<std::string, bool, std::string, V> cases[] = {
        {"-a $P -b", true, "-a " + quoted + " -b", {"-a", path, "-b"}},
        {"$P --title=$T", false, path + " --title=$T", {path, "--title=$T"}},
        {"", false, path, {path}},
        {"-full -x 2", true, "-full -x 2 " + quoted, {"-full", "-x", "2", path}},
        {"--file=$F", false, "--file=Super Mario (J).nes", {"--file=Super Mario (J).nes"}},
        {"$T $T", true, "\"" + title + "\" \"" + title + "\"", {title, title}},
        {"-cart \"$P\"", false, "-cart " + quoted, {"-cart", path}}};  // quoted: still one argument
    for (const auto& [commandLine, quote, text, argv] : cases) {
        const LaunchArguments a = build(commandLine, quote, path);
        EXPECT_EQ(a.text, text) << commandLine;
        EXPECT_EQ(a.argv, argv) << commandLine;
    }
    // A path that itself holds "$P" is not substituted again.
    EXPECT_EQ(build("$P", false, "/r/$P.nes").argv, V{"/r/$P.nes"});
    // $M comes first: a disc set's playlist, or the file itself when there is none.
    EmulatorEntry e;
    e.commandLine = "-m $M -x $P";
    e.options[kQuotePath] = true;
    const LaunchArguments set = buildLaunchArguments(e, path, "/temp/Set.m3u");
    EXPECT_EQ(set.text, "-m \"/temp/Set.m3u\" -x $P");
    EXPECT_EQ(set.argv, (V{"-m", "/temp/Set.m3u", "-x", "$P"}));
    EXPECT_EQ(buildLaunchArguments(e, path).argv, (V{"-m", path, "-x", "$P"}));
}

// Sections and keys match without regard to case or blanks; values go as CP932 in a file without
// a byte-order mark; comments and other sections stay. Files saved by Notepad (JoyToKey.ini,
// NP2.ini) begin with a mark: their first line is still a section header, and the mark stays.
TEST(IniFile, WritesLikeWindowsKeepingEverythingElse) {
    romshelf::test::TempFolder dir;
    const std::string kBom = "\xEF\xBB\xBF";
    // What is tried, the file before (nullopt: none yet), section, key, value, the file after.
    using O = std::optional<std::string>;
    const std::tuple<const char*, O, const char*, const char*, const char*, std::string> cases[] = {
        {"a new file", std::nullopt, "LastStatus", "FileName", "mario",
         "[LastStatus]\r\nFileName=mario\r\n"},
        {"a key matched in a section matched, CP932 without a mark",
         "; comment\r\n[Other]\r\nFileName=keep\r\n\r\n[laststatus]\r\nX=1\r\n filename = old \r\n"
         "Y=2\r\n\r\n[Tail]\r\nZ=3",
         "LastStatus", "FileName", "ゼルダ",
         "; comment\r\n[Other]\r\nFileName=keep\r\n\r\n[laststatus]\r\nX=1\r\n"
         "FileName=\x83\x5b\x83\x8b\x83\x5f\r\nY=2\r\n\r\n[Tail]\r\nZ=3"},
        {"an existing key of the first section is replaced",
         kBom + "[LastStatus]\r\nFileName=old\r\n", "LastStatus", "FileName", "ゼルダ",
         kBom + "[LastStatus]\r\nFileName=ゼルダ\r\n"},
        {"a new key joins the first section (names ignore case)",
         kBom + "[NekoProjectII]\nclk_base=2457600\n\n[Other]\nk=v\n", "nekoprojectii", "FDfolder",
         "/roms/pc98/",
         kBom + "[NekoProjectII]\nclk_base=2457600\nFDfolder=/roms/pc98/\n\n[Other]\nk=v\n"},
        {"the first section without a line break", kBom + "[S]", "S", "K", "v", kBom + "[S]\nK=v"},
        {"a key before any section is not the section's", kBom + "K=top\n[S]\nA=1\n", "S", "K", "v",
         kBom + "K=top\n[S]\nA=1\nK=v\n"},
        {"another section: a new one at the end", kBom + "[Other]\r\nk=v\r\n", "S", "K", "v",
         kBom + "[Other]\r\nk=v\r\n[S]\r\nK=v\r\n"},
        {"only the mark: the section right after it", kBom, "S", "K", "v", kBom + "[S]\r\nK=v\r\n"},
        // Found by fuzzing: the entry was glued onto a last line that ends in a lone CR.
        {"a last line ending in a lone CR", kBom + "[S]\r", "S", "K", "v", kBom + "[S]\r\nK=v"},
    };
    for (const auto& [what, before, section, key, value, after] : cases) {
        std::filesystem::remove(dir.file("a.ini"));
        if (before) dir.write("a.ini", *before);
        for (int time : {1, 2}) {  // written again: still one section of that name
            ASSERT_TRUE(writeIniValue(dir.file("a.ini"), section, key, value)) << what;
            EXPECT_TRUE(romshelf::test::sameBytes(dir.read("a.ini"), after)) << what << time;
        }
    }
}

TEST(SystemLogModel, DirectivesColoursAndLimit) {
    SystemLog log;
    EXPECT_EQ(log.lines(), std::deque<std::string>{"RomshelfPlus!! を起動しました。"});
    log.clear();
    // Lines as the launcher and the tools write them.
    log.setColour(LogColour::Red);
    log.addLine("エラーです");
    log.setColour(LogColour::Black);
    EXPECT_EQ(log.shownLines().at(0).rgb, 0xFF0000u);  // a later colour leaves it as it was
    for (const char* l :
         {"clear", "@1", "blue", "> command line", "@8", "grey", "@9", "still grey"})
        log.addLine(l);
    std::vector<std::pair<std::string, std::uint32_t>> shown;  // "clear" cleared the first line
    for (const auto& line : log.shownLines()) shown.emplace_back(line.text, line.rgb);
    EXPECT_EQ(shown, (decltype(shown){{"blue", 0x0000FF},
                                      {"> command line", 0xFF0000},  // always red
                                      {"grey", 0x808080},
                                      {"still grey", 0x808080}}));
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
