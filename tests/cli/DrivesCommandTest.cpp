// romshelf-cli drives and check-folder on a program folder whose settings came from Windows.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "AppFixture.h"
#include "cli/DrivesCommand.h"
#include "cli/LaunchCommand.h"
#include "cli/ListCommand.h"

using namespace romshelf;
using V = std::vector<std::string>;

namespace {

struct DrivesCommand : test::AppFixture {
    DrivesCommand() {
        // Nothing of this machine's own Wine prefix or mounts may show in the rows.
        setenv("WINEPREFIX", dir.file("no-prefix").c_str(), 1);
        if (const char* runtime = getenv("XDG_RUNTIME_DIR")) runtimeFolder = runtime;
        unsetenv("XDG_RUNTIME_DIR");
        FolderSettings f;
        f.romFolderPaths[0] = "d:\\Roms\\FC\\";
        f.romFolderPaths[1] = "\\\\NAS\\games\\fc\\";
        f.snapFolderPaths[0] = "./snap/";
        writeFolderSettings("FC", f);
        writeEmulators("FC", {emulator("VirtuaNES", "C:\\Emu\\VirtuaNES.exe")});
        dir.write("disk-d/ROMS/fc/a.nes", "a");
        dir.write("snap/x", "");
    }
    ~DrivesCommand() override {
        unsetenv("WINEPREFIX");
        if (runtimeFolder) setenv("XDG_RUNTIME_DIR", runtimeFolder->c_str(), 1);
    }
    std::optional<std::string> runtimeFolder;

    template <class Command>
    int call(Command command, V args) {
        args.insert(args.end(), {"--program-folder", dir.path()});
        std::ostringstream out, errors;
        const int status = command(args, out, errors);
        printed = out.str(), err = errors.str();
        return status;
    }
    std::string printed, err;
};

}  // namespace

TEST_F(DrivesCommand, PrintsTheRootsTheSettingsUseAndMapsThem) {
    EXPECT_EQ(call(cli::drivesCommand, {}), 0) << err;
    EXPECT_EQ(
        printed,
        "D:\t未設定\t\t使用中\n\\\\\\\\NAS\\\\games\t未設定\t\t使用中\nC:\t未設定\t\t使用中\n");

    EXPECT_EQ(call(cli::drivesCommand, {"--set", "d:\\", dir.file("disk-d")}), 0) << err;
    EXPECT_EQ(printed.substr(0, printed.find('\n')),
              "D:\t" + dir.file("disk-d/") + "\t設定\t使用中");
    EXPECT_NE(dir.read("data/romshelf-plus.ini").find("drive.D:=" + dir.file("disk-d/") + "\n"),
              std::string::npos);
    // The games under the mapped drive are listed now, matched without letter case.
    std::ostringstream out, errors;
    EXPECT_EQ(cli::listFiles({"--program-folder", dir.path(), "--hardware", "FC"}, out, errors), 0);
    EXPECT_NE(out.str().find("a.nes"), std::string::npos) << out.str() << errors.str();

    // A share maps too; --unset drops it again.
    std::filesystem::create_directories(dir.file("nas"));
    EXPECT_EQ(call(cli::drivesCommand, {"--set", "//nas/GAMES", dir.file("nas")}), 0) << err;
    // Shown as the settings spell it; kept as typed.
    EXPECT_NE(printed.find("\\\\\\\\NAS\\\\games\t" + dir.file("nas/") + "\t設定"),
              std::string::npos)
        << printed;
    EXPECT_NE(dir.read("data/romshelf-plus.ini").find("drive.\\\\nas\\GAMES=" + dir.file("nas/")),
              std::string::npos);
    EXPECT_EQ(call(cli::drivesCommand, {"--unset", "\\\\NAS\\games"}), 0) << err;
    EXPECT_NE(printed.find("\\\\\\\\NAS\\\\games\t未設定"), std::string::npos) << printed;
    EXPECT_EQ(dir.read("data/romshelf-plus.ini").find("nas"), std::string::npos);
}

TEST_F(DrivesCommand, RefusesWhatNamesNoDriveOrFolder) {
    EXPECT_EQ(call(cli::drivesCommand, {"--set", "games", dir.file("disk-d")}), 64);
    EXPECT_NE(err.find("not a drive letter or network share: games"), std::string::npos);
    EXPECT_EQ(call(cli::drivesCommand, {"--set", "E:", dir.file("no-such-folder")}), 2);
    EXPECT_NE(err.find("no such folder"), std::string::npos);
    EXPECT_EQ(call(cli::drivesCommand, {"--set", "E:"}), 64);
    EXPECT_EQ(call(cli::drivesCommand, {"--set", "E:", "/", "--unset", "D:"}), 64);
    EXPECT_EQ(call(cli::drivesCommand, {"extra"}), 64);
    EXPECT_FALSE(std::filesystem::exists(dir.file("data/romshelf-plus.ini")));
}

TEST_F(DrivesCommand, CheckFolderTellsWhereEachStoredPathLeads) {
    EXPECT_EQ(call(cli::checkFolderCommand, {"--hardware", "FC"}), 1);
    EXPECT_EQ(printed,
              "FC\tROMフォルダ 1\td:\\\\Roms\\\\FC\\\\\t未設定\tmissing\n"
              "FC\tROMフォルダ 2\t\\\\\\\\NAS\\\\games\\\\fc\\\\\t未設定\tmissing\n"
              "FC\tスナップフォルダ 1\t./snap/\t" +
                  dir.file("snap/") +
                  "\tok\n"
                  "FC\tエミュレータ 1 VirtuaNES\tC:\\\\Emu\\\\VirtuaNES.exe\t未設定\tmissing\n"
                  "4 paths, 3 missing\n");
    ASSERT_EQ(call(cli::drivesCommand, {"--set", "D:", dir.file("disk-d")}), 0);
    EXPECT_EQ(call(cli::checkFolderCommand, {"--hardware", "FC"}), 1);
    EXPECT_NE(printed.find("FC\tROMフォルダ 1\td:\\\\Roms\\\\FC\\\\\t" +
                           dir.file("disk-d/ROMS/fc/") + "\tok\n"),
              std::string::npos)
        << printed;
    EXPECT_NE(printed.find("4 paths, 2 missing\n"), std::string::npos) << printed;
    // A launch with the emulator of the unmapped drive says which drive to map.
    EXPECT_EQ(call(cli::launchFile, {"--hardware", "FC", "--emulator", "VirtuaNES", "--folder", "0",
                                     "a.nes", "--dry-run"}),
              2);
    EXPECT_NE(err.find("VirtuaNES is C:\\Emu\\VirtuaNES.exe, and C: leads nowhere here: map it "
                       "with romshelf-cli drives --set C: FOLDER"),
              std::string::npos)
        << err;
    // Another hardware's paths are not this one's.
    EXPECT_EQ(call(cli::checkFolderCommand, {"--hardware", "SFC"}), 0);
    EXPECT_EQ(printed, "0 paths, 0 missing\n");
}

TEST_F(DrivesCommand, WineIsSetAndToldAsFound) {
    const std::string wine = dir.write("opt/wine-9/bin/wine", "#!/bin/sh\n");
    std::filesystem::permissions(wine, std::filesystem::perms::owner_all);
    EXPECT_EQ(call(cli::wineCommand, {"--program", wine, "--prefix", dir.file("pfx")}), 0) << err;
    EXPECT_EQ(printed, "wine\t" + wine + "\t" + wine + "\nprefix\t" + dir.file("pfx") + "\t" +
                           dir.file("pfx") + "\n");
    const std::string ini = dir.read("data/romshelf-plus.ini");
    EXPECT_NE(ini.find("wine=" + wine + "\n"), std::string::npos);
    EXPECT_NE(ini.find("winePrefix=" + dir.file("pfx") + "\n"), std::string::npos);
    // A Wine that is not there is said so, with the package to install.
    EXPECT_EQ(call(cli::wineCommand, {"--program", dir.file("no/wine")}), 3);
    EXPECT_NE(printed.find("\t未検出\n"), std::string::npos) << printed;
    EXPECT_NE(err.find("Debian のパッケージ wine"), std::string::npos);
    // "" goes back to Wine's own choices; the prefix is then $WINEPREFIX's.
    call(cli::wineCommand, {"--program", "", "--prefix", ""});
    EXPECT_NE(printed.find("prefix\t\t" + dir.file("no-prefix")), std::string::npos) << printed;
    EXPECT_EQ(dir.read("data/romshelf-plus.ini").find("wine"), std::string::npos);
    EXPECT_EQ(call(cli::wineCommand, {"--program"}), 64);
}
