#include "core/launch/EmulatorSuggestions.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <tuple>

#include "TempFolder.h"
#include "core/launch/EmulatorDialogModel.h"
#include "core/platform/FileSystem.h"

using namespace romshelf;
using romshelf::test::TempFolder;

namespace {

// A fake machine: a PATH of two folders, a games folder and a Flatpak export folder.
struct EmulatorSuggestionsTest : ::testing::Test {
    TempFolder dir;
    EmulatorSearchPlaces places{
        {dir.file("bin1"), dir.file("bin2/")}, {dir.file("games")}, {dir.file("flatpak")}};

    std::string program(const std::string& relative, unsigned mode = 0755) {
        const std::string path = dir.write(relative, "#!/bin/sh\n");
        ::chmod(path.c_str(), mode);
        return path;
    }
    // "name|executable|command line" per suggestion (executables in the test folder without its
    // path), joined by "; " to compare whole lists at once.
    std::string suggested(const std::string& code,
                          const std::vector<std::string>& romFolders = {}) {
        std::string out;
        for (const auto& s : suggestEmulators(code, places, romFolders)) {
            std::string exe = s.executable;
            if (exe.starts_with(dir.path())) exe.erase(0, dir.path().size());
            out += (out.empty() ? "" : "; ") + s.name + "|" + exe + "|" + s.commandLine;
        }
        return out;
    }
};

}  // namespace

TEST_F(EmulatorSuggestionsTest, FoundOnPathInTheGamesFolderAndAsFlatpak) {
    EXPECT_EQ(suggested("FC"), "");
    program("games/mednafen");
    program("bin2/fceux");
    program("flatpak/net.fceux.FCEUX");
    program("flatpak/io.mgba.mGBA");
    program("bin1/mgba");
    program("bin2/mgba-qt");  // the Qt front end is preferred, wherever it is on PATH
    EXPECT_EQ(suggested("FC"),
              "FCEUX|bin2/fceux|$P; FCEUX (Flatpak)|flatpak/net.fceux.FCEUX|$P; "
              "mednafen|games/mednafen|$P");
    EXPECT_EQ(suggested("GBA"),
              "mGBA|bin2/mgba-qt|$P; mGBA (Flatpak)|flatpak/io.mgba.mGBA|$P; "
              "mednafen|games/mednafen|$P");
    // Hardware without a known Linux emulator, unknown codes and codes in another case.
    for (const char* code : {"GC", "X68", "HARD", "", "fc", "ZZZ"})
        EXPECT_EQ(suggested(code), "") << code;
}

TEST_F(EmulatorSuggestionsTest, OnlyExecutableFilesAndEachProgramOnce) {
    program("bin1/fceux", 0644);                       // not executable
    ::mkdir(dir.file("bin1/nestopia").c_str(), 0755);  // a folder with the program's name
    program("bin2/nestopia");
    program("bin2/mednafen");
    program("games/mednafen");  // the same name further on: PATH order wins
    ::symlink(dir.file("bin2/mednafen").c_str(), dir.file("bin1/snes9x").c_str());
    program("bin1/mame");
    ::symlink(dir.file("bin1/gone").c_str(), dir.file("bin2/snes9x-gtk").c_str());  // dangling
    places.pathFolders.insert(places.pathFolders.begin(), {"", "bin1", dir.file("bin1")});
    EXPECT_EQ(suggested("FC"), "Nestopia|bin2/nestopia|$P; mednafen|bin2/mednafen|$P");
    // Snes9x is a link to mednafen's file here: one program, offered once, under the first name.
    EXPECT_EQ(suggested("SFC"), "Snes9x|bin1/snes9x|$P");
    // MAME gets the ROM folders as its rompath (without the unquotable ones).
    EXPECT_EQ(suggested("MAME", {"/roms/mame/", "/roms/a;b", "", "/more roms/\"x\"", "/other"}),
              "MAME|bin1/mame|-rompath \"/roms/mame;/other\" $P");
    EXPECT_EQ(suggested("MAME"), "MAME|bin1/mame|$P");
}

// RetroArch offered once for each core that plays the hardware: on PATH (or in the games folder)
// with the user's and the distribution's cores, and as a Flatpak with the cores of its own.
TEST_F(EmulatorSuggestionsTest, RetroArchOnceForEachCoreThatPlaysTheHardware) {
    const std::string nes = "database = \"Nintendo - Nintendo Entertainment System\"\n";
    const auto core = [&](const std::string& path, const std::string& info) {
        dir.write(path + "_libretro.so", "");
        if (!info.empty()) dir.write(path + "_libretro.info", info);
    };
    core("cores/fceumm", "corename = \"FCEUmm\"\n" + nes);
    core("lib/nestopia", "");
    core("info/nestopia", "corename = \"Nestopia\"\n" + nes);
    core("lib/nestopia_ue", "corename = \"Nestopia\"\n" + nes);  // the same name again
    core("lib/mgba", "corename = \"mGBA\"\ndatabase = \"Nintendo - Game Boy Advance\"\n");
    core("quo\"te/quirk", "corename = \"Quirk\"\n" + nes);  // unquotable paths
    core("cost$P/quirk2", "corename = \"Quirk2\"\n" + nes);
    core("var/cores/nestopia", "corename = \"Nestopia\"\n" + nes);
    places.retroArch = {
        {dir.file("cores"), dir.file("lib"), dir.file("quo\"te"), dir.file("cost$P")},
        {dir.file("info")}};
    places.retroArchFlatpak = {{dir.file("var/cores")}, {}};
    EXPECT_EQ(suggested("FC"), "");  // cores without a RetroArch
    program("games/retroarch");
    program("bin2/fceux");
    program("flatpak/org.libretro.RetroArch");
    const std::string d = dir.path();
    EXPECT_EQ(suggested("FC"),
              "FCEUX|bin2/fceux|$P; RetroArch (FCEUmm)|games/retroarch|-L \"" + d +
                  "cores/fceumm_libretro.so\" $P; RetroArch (Nestopia)|games/retroarch|-L \"" + d +
                  "lib/nestopia_libretro.so\" $P; RetroArch (Nestopia, Flatpak)|flatpak/"
                  "org.libretro.RetroArch|-L \"" +
                  d + "var/cores/nestopia_libretro.so\" $P");
    program("bin1/retroarch");  // PATH before the games folder
    EXPECT_EQ(suggested("GBA"),
              "RetroArch (mGBA)|bin1/retroarch|-L \"" + d + "lib/mgba_libretro.so\" $P");
    for (const char* code : {"GB", "MAME", "MSX", ""}) EXPECT_EQ(suggested(code), "") << code;
}

TEST_F(EmulatorSuggestionsTest, TheRealPlacesComeFromTheEnvironment) {
    const std::string oldPath = ::getenv("PATH") ? ::getenv("PATH") : "";
    const std::string oldHome = ::getenv("HOME") ? ::getenv("HOME") : "";
    ::setenv("PATH", "/a::/b/:", 1);
    ::setenv("HOME", "/home/u", 1);
    ::setenv("XDG_DATA_HOME", "/data", 1);
    ::unsetenv("XDG_CONFIG_HOME");
    const EmulatorSearchPlaces real = EmulatorSearchPlaces::fromEnvironment();
    ::setenv("XDG_CONFIG_HOME", "/config", 1);
    ::unsetenv("XDG_DATA_HOME");
    const EmulatorSearchPlaces other = EmulatorSearchPlaces::fromEnvironment();
    ::setenv("PATH", oldPath.c_str(), 1);
    ::setenv("HOME", oldHome.c_str(), 1);
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(real.pathFolders, (std::vector<std::string>{"/a", "/b/"}));
    EXPECT_EQ(real.extraFolders, (std::vector<std::string>{"/usr/games", "/usr/local/games"}));
    EXPECT_EQ(real.flatpakFolders, (std::vector<std::string>{"/var/lib/flatpak/exports/bin",
                                                             "/data/flatpak/exports/bin"}));
    EXPECT_EQ(other.flatpakFolders[1], "/home/u/.local/share/flatpak/exports/bin");

    // The user's RetroArch cores first, then the distribution's (Debian's multiarch folder when
    // it is there).
    const std::vector<std::string>& cores = real.retroArch.cores;
    ASSERT_GE(cores.size(), 3u);
    EXPECT_EQ(cores.front(), "/home/u/.config/retroarch/cores");
    EXPECT_EQ(other.retroArch.cores.front(), "/config/retroarch/cores");
    EXPECT_EQ(std::vector<std::string>(cores.end() - 2, cores.end()),
              (std::vector<std::string>{"/usr/lib64/libretro", "/usr/lib/libretro"}));
    const std::string debian = "/usr/lib/x86_64-linux-gnu/libretro";
    EXPECT_EQ(std::ranges::count(cores, debian), fs::directoryExists(debian) ? 1 : 0);
    EXPECT_EQ(real.retroArch.infos, (std::vector<std::string>{"/home/u/.config/retroarch/info",
                                                              "/usr/share/libretro/info"}));
    const std::string app = "/home/u/.var/app/org.libretro.RetroArch/config/retroarch/";
    const std::string files = "app/org.libretro.RetroArch/current/active/files/share/libretro/info";
    EXPECT_EQ(real.retroArchFlatpak.cores, (std::vector<std::string>{app + "cores"}));
    EXPECT_EQ(real.retroArchFlatpak.infos,
              (std::vector<std::string>{app + "info", "/var/lib/flatpak/" + files,
                                        "/data/flatpak/" + files}));
}

// Picking a suggestion fills the form as typing would; the slot takes it when stored.
TEST_F(EmulatorSuggestionsTest, ApplyingASuggestionFillsTheShownSlot) {
    EmulatorDialogModel m("FC", {}, "FC", dir.path(), "");
    m.selectItem(26);  // the first user slot
    m.form().quotePath = true;
    m.applySuggestion({"mednafen", "/usr/games/mednafen", "$P"});
    EXPECT_EQ(m.form().name, "mednafen");
    EXPECT_EQ(m.form().executable, "/usr/games/mednafen");
    EXPECT_EQ(m.lastBrowseFolder(), "/usr/games");
    EXPECT_TRUE(m.form().quotePath);  // the user's other choices stay
    m.selectItem(0);
    const EmulatorEntries saved = m.entriesToSave();
    EXPECT_EQ(std::tie(saved[59].name, saved[59].executable, saved[59].commandLine),
              std::make_tuple("mednafen", "/usr/games/mednafen", "$P"));
    EXPECT_EQ(saved[0].name, "VirtuaNES");
}
