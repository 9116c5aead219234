// Windows emulators started through a real Wine, in the scratch prefix the test run makes once
// (ROMSHELF_WINE_PREFIX). The stand-in emulator win-record.exe writes what it was given.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "AppFixture.h"
#include "LaunchFixture.h"
#include "core/app/Application.h"

using namespace romshelf;
using V = std::vector<std::string>;
using romshelf::test::onZ;

namespace {

constexpr const char* kAnexKey = "HKCU\\Software\\A.N.\\anex86\\config\\default";

struct WineLaunchTest : romshelf::test::AppFixture {
    std::string prefix;
    std::string exe;
    EmulatorEntries entries{};

    void SetUp() override {
        const char* p = std::getenv("ROMSHELF_WINE_PREFIX");
        if (!p || !std::filesystem::is_directory(std::string(p) + "/drive_c"))
            GTEST_SKIP() << "no scratch Wine prefix (ROMSHELF_WINE_PREFIX): run through CTest";
        prefix = p;
        exe = dir.file("エミュ dir/Win Emu.exe");
        std::filesystem::create_directories(dir.file("エミュ dir"));
        std::filesystem::copy_file(romshelf::test::builtProgram("../tests/win-record.exe"), exe);
    }
    // `code` with ROM folder 1 at roms/ and the test's emulators, started in the scratch prefix
    // with `drives` as the user's drive map.
    void setUpLaunching(const std::string& code,
                        std::vector<std::pair<std::string, std::string>> drives = {}) {
        setUpLaunch(code, entries);
        start(code);
        PlusSettings plus = app.plusSettings();
        plus.winePrefix = prefix;
        plus.drives = std::move(drives);
        app.changePlusSettings(plus);
        app.launcher().setWaitForEmulator(true);
    }
    std::string rom(const std::string& name) { return dir.write("roms/" + name, "ROM"); }
    bool launch(const std::string& name) { return app.launchFile({"Game", name, 0, -1}); }
    // What the stand-in wrote, as key → value; the file goes, so the next start writes afresh.
    std::map<std::string, std::string> recorded() {
        std::ifstream in(exe + ".txt", std::ios::binary);
        std::map<std::string, std::string> items;
        for (std::string line; std::getline(in, line);) {
            const std::size_t eq = line.find('=');
            items[line.substr(0, eq)] = eq == std::string::npos ? "" : line.substr(eq + 1);
        }
        std::filesystem::remove(exe + ".txt");
        return items;
    }
    // Runs Wine's `reg` in the prefix; its exit status, with its output in `out`.
    int reg(const std::string& args, std::string* out = nullptr) {
        const std::string command =
            "WINEPREFIX='" + prefix + "' WINEDEBUG=-all wine reg " + args + " 2>/dev/null";
        FILE* pipe = ::popen(command.c_str(), "r");
        if (!pipe) return -1;
        std::string text;
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            text.append(buffer, n);
        const int status = ::pclose(pipe);
        if (out) *out = text;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    // The REG_SZ values of the key, from `reg export` (its listing on a pipe loses what the
    // console's code page cannot show): a UTF-16 file of lines "name"="value", with \\ and \"
    // escaped.
    std::map<std::string, std::string> values(const std::string& key) {
        const std::string file = dir.file("export.reg");
        EXPECT_EQ(reg("export \"" + key + "\" '" + file + "' /y"), 0);
        std::ifstream in(file, std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), {}};
        std::string text;  // as UTF-8
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
            unsigned c = static_cast<unsigned char>(bytes[i]) |
                         static_cast<unsigned char>(bytes[i + 1]) << 8;
            if (c < 0x80) {
                text += static_cast<char>(c);
            } else if (c < 0x800) {
                text += static_cast<char>(0xC0 | c >> 6);
                text += static_cast<char>(0x80 | (c & 0x3F));
            } else {
                text += static_cast<char>(0xE0 | c >> 12);
                text += static_cast<char>(0x80 | (c >> 6 & 0x3F));
                text += static_cast<char>(0x80 | (c & 0x3F));
            }
        }
        std::map<std::string, std::string> found;
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.size() < 5 || line.front() != '"' || line.back() != '"') continue;
            const std::size_t between = line.find("\"=\"");
            if (between == std::string::npos) continue;
            std::string value;
            for (std::size_t i = between + 3; i + 1 < line.size(); ++i) {
                if (line[i] == '\\' && i + 2 < line.size()) ++i;
                value += line[i];
            }
            found[line.substr(1, between - 1)] = value;
        }
        return found;
    }
};

}  // namespace

// A path with Japanese and blanks reaches the program as one argument in its Windows form, in
// the exe's own folder and the chosen prefix; the end of a failing one is told.
TEST_F(WineLaunchTest, TheFileReachesAWindowsEmulatorInWindowsForm) {
    entries[0] = emulator("WinNES", "./エミュ dir/Win Emu.exe", "-a $P --exit 5");
    entries[0].options[kQuotePath] = true;
    setUpLaunching("FC");
    const std::string path = rom("ゲーム 1 (J).nes");
    ASSERT_TRUE(launch("ゲーム 1 (J).nes"));
    auto r = recorded();
    EXPECT_EQ(r["argc"], "5");
    EXPECT_EQ(r["argv[1]"], "-a");
    EXPECT_EQ(r["argv[2]"], onZ(path));
    EXPECT_EQ(r["argv[3]"], "--exit");
    EXPECT_EQ(r["cwd"], onZ(dir.path() + "エミュ dir"));
    EXPECT_EQ(r["env.WINEPREFIX"], prefix);
    EXPECT_TRUE(logged("> -a \"" + onZ(path) + "\" --exit 5"));
    EXPECT_TRUE(logged("エミュレータが終了コード 5 で終了しました。"));

    // The emulator alone: no file, the same folder.
    ASSERT_TRUE(app.startEmulatorOnly());
    r = recorded();
    EXPECT_EQ(r["argc"], "1");
    EXPECT_EQ(r["cwd"], onZ(dir.path() + "エミュ dir"));
}

// Under a drive of the user's map the path is given on that drive; $T is a name and stays one;
// an archive's member is handed over from TEMP.
TEST_F(WineLaunchTest, MappedDrivesNamesAndUnpackedFiles) {
    entries[0] = emulator("WinNES", "./エミュ dir/Win Emu.exe", "$P");
    setUpLaunching("FC", {{"D:", dir.path() + "roms/"}});
    rom("ゲーム 2.nes");
    ASSERT_TRUE(launch("ゲーム 2.nes"));
    auto r = recorded();
    EXPECT_EQ(r["argc"], "2");
    EXPECT_EQ(r["argv[1]"], "D:\\ゲーム 2.nes");

    writeZip("roms/パック 3.zip", {{"中身 3.nes", "NES"}});
    ASSERT_TRUE(launch("パック 3.zip"));
    r = recorded();
    EXPECT_EQ(r["argv[1]"], onZ(dir.path() + "temp/中身 3.nes"));

    entries[0].commandLine = "--title $T";
    setUpLaunching("FC", {{"D:", dir.path() + "roms/"}});
    ASSERT_TRUE(launch("ゲーム 2.nes"));
    r = recorded();
    EXPECT_EQ(r["argc"], "3");
    EXPECT_EQ(r["argv[2]"], "ゲーム 2");
}

// Anex86 keeps its disks in the registry: set only where its key exists, never made.
TEST_F(WineLaunchTest, Anex86DisksGoIntoAnExistingRegistryKeyOnly) {
    entries[0] = emulator("Anex86", "./エミュ dir/Win Emu.exe");
    entries[0].specialStart = true;
    setUpLaunching("PC98");
    const std::string disk = rom("ディスク 1.FDI");
    const std::string second = rom("ディスク 2.FDI");
    ASSERT_EQ(reg(std::string("query \"") + kAnexKey + "\""), 1);  // a fresh prefix has none
    ASSERT_TRUE(launch("ディスク 1.FDI"));
    EXPECT_EQ(recorded()["argc"], "1");  // the special start gives the file by keys
    EXPECT_EQ(reg(std::string("query \"") + kAnexKey + "\""), 1);
    EXPECT_EQ(reg("query \"HKCU\\Software\\A.N.\""), 1);

    ASSERT_EQ(reg(std::string("add \"") + kAnexKey + "\" /v hdd1 /t REG_SZ /d old /f"), 0);
    ASSERT_EQ(reg(std::string("add \"") + kAnexKey + "\" /v other /t REG_SZ /d kept /f"), 0);
    ASSERT_TRUE(launch("ディスク 1.FDI"));
    const std::map<std::string, std::string> expected = {{"fdd1", onZ(disk)},
                                                         {"fdd2", onZ(second)},
                                                         {"hdd1", ""},
                                                         {"hdd2", ""},
                                                         {"path", onZ(dir.path() + "roms/")},
                                                         {"other", "kept"}};
    EXPECT_EQ(values(kAnexKey), expected);
}

// A program folder from Windows, where the Wine prefix already maps its drives (C: to drive_c, D:
// added with winecfg): nothing is set here, the games are listed and the Windows emulator under
// C: starts with the file on D:.
TEST_F(WineLaunchTest, AFolderFromWindowsRunsWithTheDrivesThePrefixMaps) {
    const std::string devices = prefix + "/dosdevices/";
    const std::string emulatorFolder = prefix + "/drive_c/Romshelf Test Emu/";
    struct Cleanup {
        std::string link, folder;
        ~Cleanup() {
            std::error_code ec;
            std::filesystem::remove(link, ec);
            std::filesystem::remove_all(folder, ec);
        }
    } cleanup{devices + "d:", emulatorFolder};
    std::filesystem::create_directories(emulatorFolder);
    std::filesystem::copy_file(exe, emulatorFolder + "WinEmu.exe");
    dir.write("disk-d/Roms/Famicom/ゲーム 4.nes", "NES");
    std::filesystem::create_directory_symlink(dir.file("disk-d"), devices + "d:");

    // Found in the prefix: its own C:, the D: added, and Z: for the whole disk.
    DriveSearchPlaces places;
    places.winePrefix = prefix;
    const DriveMap found({}, findDrives(places));
    ASSERT_NE(found.find("C:"), nullptr);
    EXPECT_EQ(found.find("C:")->folder, std::filesystem::canonical(prefix).string() + "/drive_c/");
    ASSERT_NE(found.find("D:"), nullptr);
    EXPECT_EQ(found.find("D:")->folder,
              std::filesystem::canonical(dir.file("disk-d")).string() + "/");
    ASSERT_NE(found.find("Z:"), nullptr);
    EXPECT_EQ(found.find("Z:")->folder, "/");

    FolderSettings folders;
    folders.romFolderPaths[0] = "D:\\ROMS\\FAMICOM\\";
    writeFolderSettings("FC", folders);
    writeEmulators("FC", {emulator("WinEmu", "C:\\Romshelf Test Emu\\WinEmu.exe", "$P")});
    start("FC");
    PlusSettings plus = app.plusSettings();
    plus.winePrefix = prefix;
    app.changePlusSettings(plus);
    app.launcher().setWaitForEmulator(true);
    ASSERT_EQ(app.fileList().count(), 1);
    ASSERT_TRUE(launch("ゲーム 4.nes"));
    std::ifstream in(emulatorFolder + "WinEmu.exe.txt", std::ios::binary);
    std::map<std::string, std::string> r;
    for (std::string line; std::getline(in, line);)
        r[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
    EXPECT_EQ(r["argv[1]"], "D:\\Roms\\Famicom\\ゲーム 4.nes");
    EXPECT_EQ(r["cwd"], "C:\\Romshelf Test Emu");
}
