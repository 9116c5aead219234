#include "core/launch/RetroArchCores.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <optional>
#include <tuple>

#include "TempFolder.h"

using namespace romshelf;
using romshelf::test::TempFolder;
using namespace std::string_literals;

namespace {

// A core's .info as libretro's core-info collection writes them.
const std::string kNestopiaInfo =
    "# Software Information\n"
    "display_name = \"Nintendo - NES / Famicom (Nestopia UE)\"\n"
    "authors = \"Martin Freij|R. Belmont|R. Danbrook\"\n"
    "supported_extensions = \"nes|fds|unf|unif\"\n"
    "corename = \"Nestopia\"\n"
    "permissions = \"\"\n"
    "\n"
    "# Hardware Information\n"
    "manufacturer = \"Nintendo\"\n"
    "systemname = \"Nintendo Entertainment System\"\n"
    "systemid = \"nes\"\n"
    "database = \"Nintendo - Nintendo Entertainment System|Nintendo - Family Computer Disk "
    "System\"\n"
    "firmware_count = 1\n"
    "notes = \"(!) disksys.rom (md5): ca30b50f880eb660a320674ed365ef7a|Press Retropad L1.\"\n";

std::optional<std::string> value(const CoreInfo& info, const std::string& key) {
    const auto it = info.find(key);
    return it == info.end() ? std::nullopt : std::optional<std::string>(it->second);
}

std::string joined(const std::vector<std::string>& codes) {
    std::string out;
    for (const std::string& code : codes) out += (out.empty() ? "" : ",") + code;
    return out;
}

}  // namespace

TEST(CoreInfo, ReadsTheKeyValueLinesAsRetroArchDoes) {
    const CoreInfo nestopia = parseCoreInfo(kNestopiaInfo);
    EXPECT_EQ(value(nestopia, "display_name"), "Nintendo - NES / Famicom (Nestopia UE)");
    EXPECT_EQ(value(nestopia, "firmware_count"), "1");
    EXPECT_EQ(value(nestopia, "permissions"), "");
    EXPECT_EQ(nestopia.size(), 11u);

    using N = std::optional<std::string>;
    const std::tuple<std::string, std::string, N> cases[] = {
        {"corename=Nestopia", "corename", "Nestopia"},
        {"  corename   =   \"a # b\"   # said after", "corename", "a # b"},
        {"corename = two words", "corename", "two"},
        {"corename = \"Windows\"\r\nsystemid = \"nes\"\r\n", "systemid", "nes"},
        {"\xEF\xBB\xBF"
         "corename = \"BOM\"",
         "corename", "BOM"},
        {"corename = \"first\"\ncorename = \"second\"", "corename", "second"},
        {"corename = \"unclosed\ncorename = \"x\"", "corename", "x"},
        {"corename = \"unclosed", "corename", std::nullopt},
        {"# corename = \"commented\"", "corename", std::nullopt},
        {"core name = \"blank in the key\"", "core name", std::nullopt},
        {"corename \"no equals\"", "corename", std::nullopt},
        {" = \"no key\"", "", std::nullopt},
        {"corename = \"nul\0byte\""s, "corename", "nul\0byte"s},
        {"corename =", "corename", ""},
    };
    for (const auto& [text, key, expected] : cases)
        EXPECT_EQ(value(parseCoreInfo(text), key), expected) << text;
    // Whatever the bytes, something comes back.
    std::string noise;
    for (int i = 0; i < 4096; ++i) noise += static_cast<char>((i * 7919) % 256);
    EXPECT_LE(parseCoreInfo(noise).size(), 4096u);
}

TEST(CoreInfo, MapsTheCoresSystemsToHardwareAndNamesIt) {
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {kNestopiaInfo, "FC", "Nestopia"},
        {"corename = \"mGBA\"\ndatabase = \"Nintendo - Game Boy|Nintendo - Game Boy Color|"
         "Nintendo - Game Boy Advance\"",
         "GB,GBA", "mGBA"},
        {"display_name = \"Sega - MS/GG/MD/CD (Genesis Plus GX)\"\ndatabase = \"Sega - Game Gear|"
         "Sega - Master System - Mark III|Sega - Mega-CD - Sega CD|Sega - Mega Drive - Genesis|"
         "Sega - PICO|Sega - SG-1000\"",
         "GG,MSYS,MD", "Genesis Plus GX"},
        {"corename = \"bsnes-mercury Accuracy\"\ndatabase = \"Nintendo - Super Nintendo "
         "Entertainment System|Nintendo - Sufami Turbo|Nintendo - Satellaview\"",
         "SFC", "bsnes-mercury Accuracy"},
        {"corename = \"Beetle PCE Fast\"\ndatabase = \"NEC - PC Engine - TurboGrafx 16|NEC - PC "
         "Engine CD - TurboGrafx-CD\"",
         "PCE", "Beetle PCE Fast"},
        // Without a database, the system name; with one, only the database counts.
        {"corename = \"QUASI88\"\nsystemname = \"PC-8000 / PC-8800 series\"", "PC88", "QUASI88"},
        {"database = \"Sega - 32X\"\nsystemname = \"Sega Genesis\"", "", "fallback"},
        {"database = \"\"\nsystemname = \"Sega Genesis\"", "MD", "fallback"},
        // Arcade sets, DOS and systems without hardware here are not offered.
        {"corename = \"MAME (Git)\"\ndatabase = \"MAME\"", "", "MAME (Git)"},
        {"corename = \"DOSBox-pure\"\ndatabase = \"DOS\"", "", "DOSBox-pure"},
        {"database = \"Nintendo - Nintendo 3DS|nintendo - game boy| Atari - Lynx \"", "LYNX",
         "fallback"},
        // Names: corename first, then the brackets of display_name, then the file's.
        {"corename = \"\"\ndisplay_name = \"Sharp - X68000 (PX68k)\"\ndatabase = \"Sharp - "
         "X68000\"",
         "X68", "PX68k"},
        {"display_name = \"no brackets\"", "", "fallback"},
        {"corename = \"\x01\x1B[31mred\x7F\"", "", "[31mred"},
        {"corename = \"" + std::string(70, 'n') + "\"", "", std::string(64, 'n')},
        {"corename = \"" + std::string(63, 'n') + "\xE3\x81\xAE\"", "", std::string(63, 'n')},
    };
    for (const auto& [text, codes, name] : cases) {
        const CoreInfo info = parseCoreInfo(text);
        EXPECT_EQ(joined(coreHardware(info)), codes) << text;
        EXPECT_EQ(coreName(info, "fallback"), name) << text;
    }
}

// The user's cores folder before the distribution's, .info files beside the cores or in the info
// folders.
TEST(CoreInfo, FindsTheInstalledCoresAndTheirDescriptions) {
    TempFolder dir;
    const auto core = [&](const std::string& path) {
        return dir.write(path,
                         "\x7F"
                         "ELF");
    };
    const std::string mine = core("config/cores/nestopia_libretro.so");
    dir.write("config/cores/nestopia_libretro.info",
              "corename = \"Nestopia (mine)\"\n"
              "database = \"Nintendo - Nintendo "
              "Entertainment System\"\n");
    core("lib/nestopia_libretro.so");  // the same core: the user's comes first
    const std::string mgba = core("lib/mgba_libretro.so");
    dir.write("share/info/mgba_libretro.info",
              "corename = \"mGBA\"\ndatabase = \"Nintendo - "
              "Game Boy Advance\"\n");
    dir.write("config/info/mgba_libretro.info",
              "corename = \"mGBA (user info)\"\ndatabase = "
              "\"Nintendo - Game Boy\"\n");
    core("lib/unknown_libretro.so");  // no .info anywhere
    core("lib/dosbox_pure_libretro.so");
    dir.write("share/info/dosbox_pure_libretro.info",
              "corename = \"DOSBox-pure\"\n"
              "database = \"DOS\"\n");
    core("lib/huge_libretro.so");
    dir.write("share/info/huge_libretro.info",
              "corename = \"Huge\"\ndatabase = \"Atari - Lynx\"\n" + std::string(300000, '#'));
    const std::string plain = core("lib/quasi88_libretro.so");
    dir.write("share/info/quasi88_libretro.info", "systemname = \"PC-8000 / PC-8800 series\"\n");
    core("lib/readme.txt");
    ::mkdir(dir.file("lib/folder_libretro.so").c_str(), 0755);
    dir.write("share/info/folder_libretro.info", "database = \"Atari - Lynx\"\n");

    const RetroArchFolders folders{
        {"", "relative/cores", dir.file("config/cores"), dir.file("lib/"), dir.file("none")},
        {"relative/info", dir.file("config/info"), dir.file("share/info")}};
    std::string found;
    for (const InstalledCore& c : findCores(folders))
        found += c.path.substr(dir.path().size()) + "|" + c.name + "|" + joined(c.hardware) + "\n";
    EXPECT_EQ(found,
              "config/cores/nestopia_libretro.so|Nestopia (mine)|FC\n"
              "lib/mgba_libretro.so|mGBA (user info)|GB\n"
              "lib/quasi88_libretro.so|quasi88|PC88\n");
    EXPECT_TRUE(findCores({}).empty());
}
