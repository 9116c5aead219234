#include "core/launch/WindowsPrograms.h"

#include <gtest/gtest.h>

#include <optional>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "AppFixture.h"
#include "LaunchFixture.h"
#include "TempFolder.h"
#include "core/app/Application.h"
#include "core/launch/EmulatorSuggestions.h"

using namespace romshelf;
using romshelf::test::installRecorder;
using romshelf::test::readRecord;
using romshelf::test::TempFolder;
using V = std::vector<std::string>;
using romshelf::test::onZ;

namespace {

// PATH set for the test's time.
// An environment variable set (or, given nullptr, unset) for a test's time.
struct EnvAs {
    std::string name;
    std::optional<std::string> before;
    EnvAs(std::string n, const char* value) : name(std::move(n)) {
        if (const char* old = std::getenv(name.c_str())) before = old;
        if (value)
            ::setenv(name.c_str(), value, 1);
        else
            ::unsetenv(name.c_str());
    }
    ~EnvAs() {
        if (before)
            ::setenv(name.c_str(), before->c_str(), 1);
        else
            ::unsetenv(name.c_str());
    }
};

struct PathAs : EnvAs {
    explicit PathAs(const std::string& path) : EnvAs("PATH", path.c_str()) {}
};

}  // namespace

TEST(WindowsProgramsTest, ExeComAndBatInAnyCaseAreWindowsPrograms) {
    for (const char* path : {"C.EXE", "/emu/VirtuaNES.exe", "a/b.Com", "run.bat", "x.BaT"})
        EXPECT_TRUE(isWindowsProgram(path)) << path;
    for (const char* path :
         {"", "exe", "/usr/bin/fceux", "a.exe.txt", "game.nes", "/x.exe/run", "a.cmd", "b.ex"})
        EXPECT_FALSE(isWindowsProgram(path)) << path;
}

TEST(WindowsProgramsTest, WineIsTheGivenPathOrANameOnPath) {
    TempFolder dir;
    for (const char* name : {"bin/wine", "bin/wine-staging", "other/wine64"})
        ::chmod(dir.write(name, "#!/bin/sh\n").c_str(), 0755);
    dir.write("plain/wine", "not runnable");
    const PathAs path(dir.file("plain") + ":relative:" + dir.file("bin"));
    const EnvAs utf8("LC_ALL", "ja_JP.UTF-8");
    EXPECT_EQ(findWine(""), dir.file("bin/wine"));
    EXPECT_EQ(findWine("wine-staging"), dir.file("bin/wine-staging"));
    EXPECT_EQ(findWine(dir.file("other/wine64")), dir.file("other/wine64"));
    EXPECT_EQ(findWine("wine64"), "");                   // not on PATH
    EXPECT_EQ(findWine(dir.file("other/missing")), "");  // no such program
    EXPECT_EQ(findWine(dir.file("plain/wine")), "");     // not executable
    EXPECT_EQ(wineCommand({}), V{dir.file("bin/wine")});
    EXPECT_EQ(wineCommand({"wine-staging", "/home/u/games prefix"}),
              (V{"/usr/bin/env", "WINEPREFIX=/home/u/games prefix", dir.file("bin/wine-staging")}));
    EXPECT_EQ(wineCommand({"wine64", "/p"}), V{});
}

TEST(WindowsProgramsTest, WineGetsAUtf8LocaleWhereOursIsNone) {
    TempFolder dir;
    ::chmod(dir.write("bin/wine", "#!/bin/sh\n").c_str(), 0755);
    const PathAs path(dir.file("bin"));
    const EnvAs all("LC_ALL", nullptr), type("LC_CTYPE", nullptr), lang("LANG", "ja_JP.utf8");
    EXPECT_TRUE(localeIsUtf8());
    EXPECT_EQ(wineCommand({}), V{dir.file("bin/wine")});
    {
        // The first one set decides, as the C library has it.
        const EnvAs c("LC_CTYPE", "C");
        EXPECT_FALSE(localeIsUtf8());
        EXPECT_EQ(wineCommand({"", "/p"}),
                  (V{"/usr/bin/env", "WINEPREFIX=/p", "LC_ALL=C.UTF-8", dir.file("bin/wine")}));
        const EnvAs all2("LC_ALL", "C.UTF-8");
        EXPECT_TRUE(localeIsUtf8());
    }
    const EnvAs none("LANG", nullptr);
    EXPECT_FALSE(localeIsUtf8());
    EXPECT_EQ(wineCommand({}), (V{"/usr/bin/env", "LC_ALL=C.UTF-8", dir.file("bin/wine")}));
}

TEST(WindowsProgramsTest, WindowsEmulatorsAreFoundInDriveCWithoutLetterCase) {
    TempFolder dir;
    dir.write("drive_c/Emu/VN/VIRTUANES.EXE", "MZ");
    dir.write("drive_c/Program Files/Nester/nester.exe", "MZ");
    dir.write("drive_c/windows/Jnes.exe", "MZ");      // Windows' own folder is left out
    dir.write("drive_c/a/b/c/d/InfoNES.exe", "MZ");   // too deep
    dir.write("drive_c/Emu/famtasia.exe.bak", "MZ");  // another name
    ::chmod(dir.write("bin/fceux", "#!/bin/sh\n").c_str(), 0755);
    EmulatorSearchPlaces places{{dir.file("bin")}, {}, {}};
    places.wineDriveC = dir.file("drive_c/");
    std::vector<std::string> found;
    for (const EmulatorSuggestion& s : suggestEmulators("FC", places))
        found.push_back(s.name + "|" + s.executable + "|" + s.commandLine);
    EXPECT_EQ(found,
              (V{"FCEUX|" + dir.file("bin/fceux") + "|$P",
                 "VirtuaNES (Windows)|" + dir.file("drive_c/Emu/VN/VIRTUANES.EXE") + "|",
                 "Nester (Windows)|" + dir.file("drive_c/Program Files/Nester/nester.exe") + "|"}));
    // Another hardware's emulators are not offered.
    found.clear();
    places.pathFolders.clear();
    EXPECT_TRUE(suggestEmulators("SFC", places).empty());
}

namespace {

// A stand-in for Wine (the recorder): what "Wine" was asked to start is what it records.
struct WindowsLaunchTest : romshelf::test::AppFixture {
    // Wine is started as it is, without a locale of its own.
    EnvAs utf8{"LC_ALL", "C.UTF-8"};
    std::string wine, exe;
    EmulatorEntries entries{};
    void SetUp() override {
        wine = installRecorder(dir.file("wine bin/wine"));
        exe = dir.write("エミュ/Emu.exe", "MZ");
    }
    void setUpLaunching(const std::string& code, const std::string& wineProgram) {
        setUpLaunch(code, entries);
        start(code);
        PlusSettings plus = app.plusSettings();
        plus.wine = wineProgram;
        app.changePlusSettings(plus);
    }
    std::string rom(const std::string& name) { return dir.write("roms/" + name, "ROM"); }
};

}  // namespace

TEST_F(WindowsLaunchTest, AWindowsEmulatorStartsThroughWineWithTheWindowsPath) {
    entries[0] = emulator("WinNES", "./エミュ/Emu.exe", "-a $P -b");
    setUpLaunching("FC", wine);
    const std::string path = rom("ゲーム 1.nes");
    ASSERT_TRUE(app.launchFile({"Game", "ゲーム 1.nes", 0, -1}));
    const auto r = readRecord(wine);
    EXPECT_EQ(r.argv, (V{wine, exe, "-a", onZ(path), "-b"}));
    EXPECT_EQ(r.workingFolder, dir.path() + "エミュ");
    EXPECT_TRUE(logged("> -a " + onZ(path) + " -b"));
}

TEST_F(WindowsLaunchTest, NekoProjectReadsWindowsPathsWhenItIsAWindowsProgram) {
    entries[1] = emulator("Neko Project II", "./エミュ/np2.exe");
    entries[1].specialStart = true;
    dir.write("エミュ/np2.exe", "MZ");
    setUpLaunching("PC98", wine);
    rom("Game.hdi");
    ASSERT_TRUE(app.launchFile({"Game", "Game.hdi", 0, -1}));
    EXPECT_EQ(dir.read("エミュ/NP2.ini"),
              "[NekoProjectII]\r\nFDfolder=\r\nHDfolder=" + onZ(dir.path() + "roms/") +
                  "\r\nHDD1FILE=" + onZ(dir.path() + "roms/Game.hdi") + "\r\nHDD2FILE=\r\n");
}

TEST_F(WindowsLaunchTest, WithoutWineTheLaunchEndsInRed) {
    const std::string line =
        "Windows のプログラムを起動するには Wine が必要です（Debian のパッケージ wine）。";
    entries[0] = emulator("WinNES", "./エミュ/Emu.exe");
    setUpLaunching("FC", dir.file("no wine/wine"));
    rom("a.nes");
    EXPECT_FALSE(app.launchFile({"Game", "a.nes", 0, -1}));
    EXPECT_EQ(log(), (V{"a.nes が指定されました。", "WinNES を起動します。", "> " + exe, "@2", line,
                        "> " + exe}));
    EXPECT_FALSE(app.startEmulatorOnly());
    EXPECT_EQ(log(), (V{"WinNES を起動します。", "> " + exe, "@2", line, "> " + exe}));
    EXPECT_FALSE(readRecord(wine, 200).ran);
}
