// A real emulator, found and set up the way a user would (the installed emulators on offer,
// one picked for a slot), launched by romshelf-cli on an X server: its window shows the game's
// picture, it closes like any window, and the launch is in the system log and the recent files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>

#include "AppFixture.h"
#include "LaunchFixture.h"
#include "core/launch/EmulatorSuggestions.h"

using namespace romshelf;
using namespace romshelf::test;

namespace {

// A 16 KiB iNES image whose program waits for the PPU to warm up, fills the palette with
// `colour` and turns the background on: every pixel of the picture is that colour.
std::string paletteNes(std::uint8_t colour) {
    std::string prg(16384, '\xEA');
    // clang-format off
    const std::uint8_t code[] = {
        0x78, 0xD8, 0xA2, 0xFF, 0x9A,                    // sei, cld, the stack at $1FF
        0x2C, 0x02, 0x20, 0x10, 0xFB,                    // two vertical blanks: the PPU takes
        0x2C, 0x02, 0x20, 0x10, 0xFB,                    //   writes only after them
        0xA9, 0x3F, 0x8D, 0x06, 0x20,                    // PPU address $3F00, the palette
        0xA9, 0x00, 0x8D, 0x06, 0x20,
        0xA2, 0x20, 0xA9, colour,                        // all 32 entries
        0x8D, 0x07, 0x20, 0xCA, 0xD0, 0xFA,
        0xA9, 0x00, 0x8D, 0x06, 0x20, 0x8D, 0x06, 0x20,  // PPU address 0 again
        0xA9, 0x08, 0x8D, 0x01, 0x20,                    // background on
        0x4C, 0x30, 0xC0,                                // and stay here ($C030)
    };
    // clang-format on
    static_assert(sizeof code == 0x33);
    std::copy(std::begin(code), std::end(code), prg.begin());
    prg[0x3F00] = '\x40';                                               // rti for the interrupts
    const char vectors[] = {0x00, '\xFF', 0x00, '\xC0', 0x00, '\xFF'};  // NMI, reset, IRQ
    std::copy(std::begin(vectors), std::end(vectors), prg.end() - 6);
    return std::string("NES\x1A\x01\x00\x00\x00", 8) + std::string(8, '\0') + prg;
}

struct EmulatorRun : AppFixture {
    // Runs romshelf-cli with `args`; its exit status, its output in `printed`.
    int cli(const std::string& args, bool inProgramFolder = true) {
        const std::string command =
            "'" + builtProgram("romshelf-cli") + "' " + args +
            (inProgramFolder ? " --program-folder '" + dir.path() + "'" : std::string()) + " > '" +
            dir.file("cli.txt") + "' 2>&1";
        const int status = std::system(command.c_str());
        printed = dir.read("cli.txt");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    // Xvfb and the window probe, or the reason to skip.
    std::string missingX() const {
        if (std::system("command -v xvfb-run >/dev/null") != 0 || !std::filesystem::exists(probe))
            return "xvfb-run and the X window probe (libx11-dev) are needed";
        return {};
    }
    // On a fresh X server, with HOME (and the settings folder) in home/ and under `wrapper` (a
    // command that runs the rest): launches `hardware`'s emulator `emulator` on `file` of ROM
    // folder 1 with romshelf-cli, then has the probe wait for the window of the process given `rom`
    // to show `colour` (RRGGBB) and close it. What each printed lands in `launched` and `seen`, and
    // their statuses beside them.
    void launchAndProbe(const std::string& hardware, const std::string& emulator,
                        const std::string& file, const std::string& rom, const std::string& colour,
                        const std::string& wrapper = "") {
        const std::string script = dir.write(
            "run.sh", "export HOME='" + dir.file("home") + "' XDG_CONFIG_HOME='" +
                          dir.file("home/.config") + "'\n'" + builtProgram("romshelf-cli") +
                          "' launch --program-folder '" + dir.path() + "' --hardware " + hardware +
                          " --emulator '" + emulator + "' --folder 0 '" + file +
                          "' > launch.txt 2>&1\necho $? > launch.status\n'" + probe + "' '" + rom +
                          "' " + colour + " > probe.txt 2>&1\necho $? > probe.status\n");
        const std::string run = "cd '" + dir.path() +
                                "' && xvfb-run -a -s '-screen 0 1024x768x24 -noreset' " + wrapper +
                                " sh '" + script + "' >/dev/null 2>&1";
        ASSERT_EQ(std::system(run.c_str()), 0);
        launched = dir.read("launch.txt");
        seen = dir.read("probe.txt");
    }
    const std::string probe = builtProgram("../tests/x-window-probe");
    std::string printed, launched, seen;
};

}  // namespace

TEST_F(EmulatorRun, MednafenFoundPickedAndLaunchedShowsTheGameAndIsRecorded) {
    const auto installed = suggestEmulators("FC", EmulatorSearchPlaces::fromEnvironment());
    const auto mednafen = std::ranges::find(installed, "mednafen", &EmulatorSuggestion::name);
    if (mednafen == installed.end())
        GTEST_SKIP() << "mednafen is not installed (Debian package mednafen)";
    if (const std::string missing = missingX(); !missing.empty()) GTEST_SKIP() << missing;

    setUpHardware("FC", "./roms/");
    const std::string rom = dir.write("roms/blue.nes", paletteNes(0x12));
    // mednafen keeps its settings in ~/.mednafen: a home of the test's own, without sound (no
    // sound card here) and drawn without OpenGL (Xvfb has none), so the suggested command line
    // stays as it is.
    dir.write("home/.mednafen/mednafen.cfg", "sound 0\nvideo.driver softfb\n");

    ASSERT_EQ(cli("emulators --hardware FC --suggest"), 0) << printed;
    EXPECT_NE(printed.find("mednafen\t" + mednafen->executable + "\t$P\n"), std::string::npos)
        << printed;
    ASSERT_EQ(cli("emulators --hardware FC --set 60 mednafen"), 0) << printed;
    EXPECT_EQ(printed, "60\tmednafen\t" + mednafen->executable + "\t$P\n");

    launchAndProbe("FC", "mednafen", "blue.nes", rom, "2038EC");
    EXPECT_EQ(dir.read("launch.status"), "0\n") << launched;
    for (const std::string& line : {std::string("mednafen を起動します。"), "> " + rom})
        EXPECT_NE(launched.find(line + "\n"), std::string::npos) << line << "\n" << launched;
    // Started as the slot says, its window found by its process, painted in $12 as mednafen's
    // palette shows it, and gone after a close.
    EXPECT_EQ(dir.read("probe.status"), "0\n") << seen;
    for (const std::string& line : {"argv: " + mednafen->executable, "argv: " + rom,
                                    std::string("window found"), std::string("closed")})
        EXPECT_NE(seen.find(line + "\n"), std::string::npos) << line << "\n" << seen;

    const RecentLaunch recent = savedSettings().recentLaunches[0][0];
    EXPECT_EQ(recent.fileName, "blue.nes");
    EXPECT_EQ(recent.folderNumber, 0);
}

// RetroArch loading its Nestopia core, offered and picked as any emulator, plays the demo
// catalogue's Famicom game.
TEST_F(EmulatorRun, RetroArchWithTheNestopiaCorePlaysTheDemosFamicomGame) {
    const std::string name = "RetroArch (Nestopia)";
    const auto installed = suggestEmulators("FC", EmulatorSearchPlaces::fromEnvironment());
    const auto nestopia = std::ranges::find(installed, name, &EmulatorSuggestion::name);
    if (nestopia == installed.end())
        GTEST_SKIP() << "RetroArch and its Nestopia core are not installed (Debian packages "
                        "retroarch, libretro-nestopia and libretro-core-info)";
    if (const std::string missing = missingX(); !missing.empty()) GTEST_SKIP() << missing;
    // RetroArch's GameMode client aborts the program when there is no session bus to reach.
    if (std::system("command -v dbus-run-session >/dev/null") != 0)
        GTEST_SKIP() << "dbus-run-session (Debian package dbus-daemon) is needed";

    ASSERT_EQ(cli("demo '" + dir.path() + "'", false), 0) << printed;
    const std::string file = "Yuuyake Puzzle (J).nes";
    const std::string rom = dir.file("roms/FC/" + file);
    ASSERT_TRUE(std::filesystem::exists(rom)) << printed;
    // RetroArch's settings in a home of the test's own: no sound (no sound card here), drawn
    // with OpenGL (Xvfb's software GLX), the light menu driver and no messages over the picture,
    // running while the window has no focus (there is no window manager), nothing saved.
    dir.write("home/.config/retroarch/retroarch.cfg",
              "audio_driver = \"null\"\n"
              "video_driver = \"gl\"\n"
              "video_fullscreen = \"false\"\n"
              "video_font_enable = \"false\"\n"
              "menu_driver = \"rgui\"\n"
              "input_joypad_driver = \"null\"\n"
              "pause_nonactive = \"false\"\n"
              "suspend_screensaver_enable = \"false\"\n"
              "config_save_on_exit = \"false\"\n");

    const std::string& command = nestopia->commandLine;
    ASSERT_TRUE(command.starts_with("-L \"") && command.ends_with("/nestopia_libretro.so\" $P"))
        << command;
    const std::string core = command.substr(4, command.size() - 4 - 4);
    const std::string offered = name + "\t" + nestopia->executable + "\t" + command + "\n";
    ASSERT_EQ(cli("emulators --hardware FC --suggest"), 0) << printed;
    EXPECT_NE(printed.find(offered), std::string::npos) << printed;
    ASSERT_EQ(cli("emulators --hardware FC --set 60 '" + name + "'"), 0) << printed;
    EXPECT_EQ(printed, "60\t" + offered);

    launchAndProbe("FC", name, file, rom, "D22C00", "dbus-run-session --");
    EXPECT_EQ(dir.read("launch.status"), "0\n") << launched;
    for (const std::string& line : {name + " を起動します。", "> -L \"" + core + "\" " + rom})
        EXPECT_NE(launched.find(line + "\n"), std::string::npos) << line << "\n" << launched;
    // The core loaded and the game's backdrop, entry $16 of Nestopia's palette (Sony's
    // CXA2025AS decoder: D2 2C 00), over the window, which then closes as by its close button.
    EXPECT_EQ(dir.read("probe.status"), "0\n") << seen;
    for (const std::string& line :
         {"argv: " + nestopia->executable, std::string("argv: -L"), "argv: " + core, "argv: " + rom,
          std::string("window found"), std::string("closed")})
        EXPECT_NE(seen.find(line + "\n"), std::string::npos) << line << "\n" << seen;
    EXPECT_EQ(savedSettings().recentLaunches[0][0].fileName, file);
}

// mednafen plays the demo catalogue's Mega Drive game: the image's own code sets up the VDP, and
// its backdrop ($840, a dark blue) fills most of the window, as in the game's snap.
TEST_F(EmulatorRun, MednafenPlaysTheDemosMegaDriveGame) {
    const auto installed = suggestEmulators("MD", EmulatorSearchPlaces::fromEnvironment());
    if (std::ranges::find(installed, "mednafen", &EmulatorSuggestion::name) == installed.end())
        GTEST_SKIP() << "mednafen is not installed (Debian package mednafen)";
    if (const std::string missing = missingX(); !missing.empty()) GTEST_SKIP() << missing;

    ASSERT_EQ(cli("demo '" + dir.path() + "'", false), 0) << printed;
    const std::string file = "Umi no Soko (J).md";
    const std::string rom = dir.file("roms/MD/" + file);
    ASSERT_TRUE(std::filesystem::exists(rom)) << printed;
    dir.write("home/.mednafen/mednafen.cfg", "sound 0\nvideo.driver softfb\n");
    ASSERT_EQ(cli("emulators --hardware MD --set 60 mednafen"), 0) << printed;

    launchAndProbe("MD", "mednafen", file, rom, "004488");
    EXPECT_EQ(dir.read("launch.status"), "0\n") << launched;
    EXPECT_EQ(dir.read("probe.status"), "0\n") << seen;
    for (const std::string& line :
         {"argv: " + rom, std::string("window found"), std::string("closed")})
        EXPECT_NE(seen.find(line + "\n"), std::string::npos) << line << "\n" << seen;
}
