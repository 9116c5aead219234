#include "cli/DumpCommand.h"
#include "cli/LaunchCommand.h"
#include "LaunchFixture.h"
#include "cli/ListCommand.h"
#include "core/launch/EmulatorEntry.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "RawBytes.h"
#include "TempFolder.h"
#include "core/settings/FolderSettings.h"
#include "core/settings/MainSettings.h"
#include "core/database/RomTable.h"

using namespace romshelf;
using romshelf::test::RawBytes;

namespace {

struct Dump {
    int status;
    std::string out, err;
};

Dump dump(const std::string& path) {
    std::ostringstream out, err;
    int status = cli::dumpDataFile(path, out, err);
    return {status, out.str(), err.str()};
}

}  // namespace

TEST(DumpCommand, MainDataShowsEveryField) {
    romshelf::test::TempFolder dir;
    MainSettings m;
    m.currentHardware = "MD";
    m.customNames[7] = "メガドラ";
    m.recentLaunches[7][4] = {"ソニック", "sonic.md", 2};
    m.setOption(Option::ShowFirstRomFolder, true);
    DataStream s;
    ASSERT_TRUE(saveMainSettings(s, dir.file("MainData.slb"), m));

    Dump d = dump(dir.file("MainData.slb"));
    ASSERT_EQ(d.status, 0) << d.err;
    auto json = nlohmann::json::parse(d.out);
    EXPECT_EQ(json["magic"], "ROMSHELF_MAINDATA");
    const auto& body = json["body"];
    EXPECT_EQ(body["currentHardware"], "MD");
    EXPECT_EQ(body["customNames"].size(), 48u);
    EXPECT_EQ(body["customNames"][7], "メガドラ");
    EXPECT_EQ(body["recentLaunches"][7][4]["fileName"], "sonic.md");
    EXPECT_EQ(body["recentLaunches"][7][4]["folderNumber"], 2);
    EXPECT_EQ(body["options"].size(), 23u);
    EXPECT_EQ(body["options"][22], true);
    EXPECT_EQ(body["reservedFlags"].size(), 42u);
    EXPECT_EQ(body["reservedIntegers"].size(), 26u);
    EXPECT_EQ(body["reservedStrings"].size(), 15u);
    EXPECT_EQ(body["windowSlots"][7]["width"], 328);
}

TEST(DumpCommand, RejectedFilesPrintTheirMessage) {
    romshelf::test::TempFolder dir;
    Dump wrongVersion = dump(dir.write("a.slb", RawBytes().header("ROMSHELF_MAINDATA", 3).bytes()));
    EXPECT_EQ(wrongVersion.status, 2);
    EXPECT_EQ(wrongVersion.out, "");
    EXPECT_NE(wrongVersion.err.find("設定ファイル「MainData.slb」のバージョンが違います。"), std::string::npos);

    Dump truncated = dump(dir.write("b.slb", RawBytes().header("ROMSHELF_MAINDATA", 1).str("FC").bytes()));
    EXPECT_EQ(truncated.status, 2);
    EXPECT_NE(truncated.err.find("設定ファイル「MainData.slb」が異常です。"), std::string::npos);

    EXPECT_EQ(dump(dir.write("c.slb", "not a data file")).status, 2);
    EXPECT_EQ(dump(dir.write("d.slb", RawBytes().header("ROMSHELF_SOMETHINGDATA", 1).bytes())).status, 2);
    EXPECT_EQ(dump(dir.file("missing.slb")).status, 1);
}

TEST(DumpCommand, FolderRomAndCategoryFiles) {
    romshelf::test::TempFolder dir;
    DataStream s;
    FolderSettings f;
    f.romFolderNames[3] = "ディスク";
    f.romFolderPaths[3] = "./roms/fd/";
    f.tempFolder = "/tmp/x/";
    ASSERT_TRUE(saveFolderSettingsFile(s, dir.file("Folder_PC98.slb"), f));
    Dump folder = dump(dir.file("Folder_PC98.slb"));
    ASSERT_EQ(folder.status, 0) << folder.err;
    auto fj = nlohmann::json::parse(folder.out)["body"];
    EXPECT_EQ(fj["romFolders"].size(), 250u);
    EXPECT_EQ(fj["romFolders"][3]["path"], "./roms/fd/");
    EXPECT_EQ(fj["tempFolder"], "/tmp/x/");
    EXPECT_EQ(fj["reservedStrings"].size(), 45u);

    // Records with an empty title are shown as they are stored.
    RawBytes rom;
    rom.header("ROMSHELF_ROMDATA", 1).i32(2);
    for (const char* title : {"", "Game"})
        rom.str(title).str("").str("").str("").str("").str("").str("").str("").str("").str("")
            .i32(1).i32(70).i32(3).i32(0).str("");
    Dump records = dump(dir.write("RomData_FC.slb", rom.bytes()));
    ASSERT_EQ(records.status, 0) << records.err;
    auto rj = nlohmann::json::parse(records.out)["body"];
    EXPECT_EQ(rj["count"], 2);
    EXPECT_EQ(rj["records"][1]["fileTitle"], "Game");
    EXPECT_EQ(rj["records"][1]["preferredEmulator"], 70);
    EXPECT_EQ(rj["records"][1]["favourite"], true);

    Dump cls = dump(dir.write("ClassData3.slb", RawBytes().header("ROMSHELF_CLASS3DATA", 1).i32(2)
                                                   .str("RPG").str("\x83\x41").bytes()));
    ASSERT_EQ(cls.status, 0) << cls.err;
    EXPECT_EQ(nlohmann::json::parse(cls.out)["body"]["items"][1], "ア");

    Dump broken = dump(dir.write("ClassData_MD.slb", RawBytes().header("ROMSHELF_CLASSDATA", 1).i32(5).bytes()));
    EXPECT_EQ(broken.status, 2);
    EXPECT_NE(broken.err.find("機種別分類設定ファイルが異常です。"), std::string::npos);
}

TEST(DumpCommand, EmulatorFileShowsEveryBlock) {
    romshelf::test::TempFolder dir;
    RawBytes b;
    b.header("ROMSHELF_EMULATORDATA", 1);
    for (int slot = 0; slot < 64; ++slot) {
        b.str(slot == 4 ? "\x83G\x83~\x83\x85" : "").str(slot == 4 ? ".\\emu\\smynes.exe" : "");
        b.str("").str("").i32(slot == 4 ? 1 : 0).i32(500).i32(slot == 4 ? 250 : 500);
        for (int k = 0; k < 16; ++k) b.i32(slot == 4 && k == 11 ? 1 : 0);
        for (int k = 0; k < 5; ++k) b.str(slot == 63 && k == 4 ? "kept?" : "");
        for (int k = 0; k < 8; ++k) b.i32(slot == 63 && k == 7 ? 9 : 0);
    }
    Dump d = dump(dir.write("Emulator_FC.slb", b.bytes()));
    ASSERT_EQ(d.status, 0) << d.err;
    auto body = nlohmann::json::parse(d.out)["body"];
    ASSERT_EQ(body["emulators"].size(), 64u);
    const auto& smynes = body["emulators"][4];
    EXPECT_EQ(smynes["name"], "エミュ");
    EXPECT_EQ(smynes["executable"], ".\\emu\\smynes.exe");  // as stored, not made absolute
    EXPECT_EQ(smynes["specialStart"], true);
    EXPECT_EQ(smynes["waitAfterFileDialog"], 250);
    EXPECT_EQ(smynes["options"].size(), 16u);
    EXPECT_EQ(smynes["options"][11], true);
    EXPECT_EQ(body["emulators"][63]["reservedStrings"][4], "kept?");
    EXPECT_EQ(body["emulators"][63]["reservedIntegers"][7], 9);

    Dump cut = dump(dir.write("Emulator_MD.slb", b.bytes().substr(0, b.size() - 3)));
    EXPECT_EQ(cut.status, 2);
    EXPECT_NE(cut.err.find("エミュレータ設定ファイルが異常です。"), std::string::npos);
}

TEST(ListCommand, PrintsTheRowsOfAHardware) {
    romshelf::test::TempFolder dir;
    DataStream s;
    dir.makeFolder("data");
    FolderSettings f;
    f.romFolderNames[0] = "本体";
    f.romFolderPaths[0] = "./roms/";
    ASSERT_TRUE(saveFolderSettingsFile(s, dir.file("data/Folder_GB.slb"), f));
    dir.write("roms/Tetris (W).gb", "x");
    dir.write("roms/ポケモン 赤.gb", "x");
    RomTable table;
    RomRecord r;
    r.fileTitle = "Tetris (W)";
    r.gameName = "テトリス";
    r.rating = 4;
    table.append(r);
    ASSERT_TRUE(table.save(s, dir.file("data/RomData_GB.slb")));

    std::ostringstream out, err;
    ASSERT_EQ(cli::listFiles({"--program-folder", dir.path(), "--hardware", "GB"}, out, err), 0) << err.str();
    EXPECT_EQ(err.str(), "ゲームボーイ : 全ファイル (ファイル数 : 2)\n");
    EXPECT_EQ(out.str(),
              "テトリス\t\tTetris (W).gb\t★★★★\t\t\t\t\t\t\t0\t0\n"
              "ポケモン 赤\tポケモン 赤\tポケモン 赤.gb\t\t\t\t\t\t\t\t0\t-1\n");

    std::ostringstream out2, err2;
    ASSERT_EQ(cli::listFiles({"--program-folder", dir.path(), "--hardware", "GB", "unregistered"}, out2, err2), 0);
    EXPECT_EQ(out2.str().substr(0, out2.str().find('\t')), "ポケモン 赤");
    std::ostringstream out3, err3;
    ASSERT_EQ(cli::listFiles({"--program-folder", dir.path(), "--hardware", "GB", "search", "てとりす"}, out3, err3), 0);
    EXPECT_EQ(err3.str(), "ゲームボーイ : てとりす / 検索結果 (ファイル数 : 0)\n");
    EXPECT_EQ(out3.str().substr(0, out3.str().find('\t')), "ファイルがありません");

    std::ostringstream o, e;
    EXPECT_EQ(cli::listFiles({"--program-folder", dir.path(), "--hardware", "FC"}, o, e), 2);  // not set up
    EXPECT_EQ(cli::listFiles({"--program-folder", dir.path(), "--hardware", "XX"}, o, e), 64);
    EXPECT_EQ(cli::listFiles({"--program-folder", dir.path(), "--hardware", "GB", "rating", "9"}, o, e), 64);
}

TEST(LaunchCommand, DryRunPrintsTheArgumentsAndARealRunStartsThem) {
    romshelf::test::TempFolder dir;
    DataStream s;
    dir.makeFolder("data");
    FolderSettings f;
    f.romFolderPaths[0] = "./roms/";
    ASSERT_TRUE(saveFolderSettingsFile(s, dir.file("data/Folder_MD.slb"), f));
    const std::string emu = romshelf::test::installRecorder(dir.file("emu/gens"));
    EmulatorEntries entries{};
    entries[0].name = "Gens";
    entries[0].executable = emu;
    entries[0].commandLine = "--fs $P";
    ASSERT_TRUE(saveEmulatorFile(s, dir.file("data/Emulator_MD.slb"), entries));
    const std::string rom = dir.write("roms/Sonic & Knuckles (W).md", "x");

    std::ostringstream out, err;
    const std::vector<std::string> base = {"--program-folder", dir.path(), "--hardware", "MD"};
    auto with = [&](std::vector<std::string> more) {
        std::vector<std::string> all = base;
        all.insert(all.end(), more.begin(), more.end());
        return all;
    };
    ASSERT_EQ(cli::launchFile(with({"--dry-run", "--row", "0"}), out, err), 0) << err.str();
    EXPECT_NE(out.str().find("argv: " + emu + "\nargv: --fs\nargv: " + rom + "\n"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("Gens を起動します。"), std::string::npos);
    EXPECT_FALSE(romshelf::test::readRecord(emu, 200).ran);

    std::ostringstream out2, err2;
    ASSERT_EQ(cli::launchFile(with({"--folder", "0", "Sonic & Knuckles (W).md"}), out2, err2), 0) << err2.str();
    EXPECT_EQ(romshelf::test::readRecord(emu).argv, (std::vector<std::string>{emu, "--fs", rom}));

    // --row counts the rows `list` prints, whatever the list shows first in the program.
    f.romFolderPaths[1] = "./roms2/";
    ASSERT_TRUE(saveFolderSettingsFile(s, dir.file("data/Folder_MD.slb"), f));
    dir.write("roms2/0first.md", "x");
    MainSettings m;
    m.setOption(Option::ShowFirstRomFolder, true);
    ASSERT_TRUE(saveMainSettings(s, dir.file("data/MainData.slb"), m));
    std::ostringstream listed, listErr, dry, dryErr;
    ASSERT_EQ(cli::listFiles(base, listed, listErr), 0);
    ASSERT_EQ(listed.str().substr(0, listed.str().find('\t')), "0first");
    ASSERT_EQ(cli::launchFile(with({"--dry-run", "--row", "0"}), dry, dryErr), 0);
    EXPECT_NE(dry.str().find("0first.md が指定されました。"), std::string::npos) << dry.str();

    std::ostringstream out3, err3;
    EXPECT_EQ(cli::launchFile(with({"--folder", "0", "missing.md"}), out3, err3), 1);
    EXPECT_NE(out3.str().find("指定されたROMファイルが見つかりません。"), std::string::npos);
    EXPECT_EQ(cli::launchFile(with({"--emulator", "Nope", "--row", "0"}), out3, err3), 2);
}
