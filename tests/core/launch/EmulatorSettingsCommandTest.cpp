#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "AppFixture.h"
#include "DataFileFixtures.h"

using namespace romshelf;
using namespace romshelf::test;
using V = std::vector<std::string>;

namespace {

struct EmulatorSettingsCommandTest : AppFixture {
    SettingsCommands& commands = app.settingsCommands();
    void writeRawEmulators(const std::string& code, const RawEmulatorBlocks& blocks) {
        dir.write("data/Emulator_" + code + ".slb", rawEmulatorFile(blocks));
    }
    void remember(const std::string& name) {
        app.changeSettings([&](MainSettings& m) { m.emulatorNames[0] = name; });
    }
};

}  // namespace

TEST_F(EmulatorSettingsCommandTest, TheComboListsEntriesWhoseExecutableExistsPerHardware) {
    setUpHardware("FC");
    setUpHardware("MD");
    dir.write("emu/nes", "");
    dir.write("emu/nester", "");
    RawEmulatorBlocks b{};
    b[0] = rawBlock("VirtuaNES", "./emu/nes");
    b[1] = rawBlock("Missing", "./emu/none");
    b[2] = rawBlock("NoPath");
    b[3] = rawBlock("Folder", "./emu");  // a folder is not an executable
    b[4] = rawBlock("Nester", dir.file("emu/nester"));
    b[60] = rawBlock("\x83G\x83~\x83\x85", "emu/../emu/nes");
    writeRawEmulators("FC", b);
    remember("Nester");
    start("FC");
    EXPECT_EQ(app.emulators()[60].executable, dir.file("emu/nes"));
    EXPECT_EQ(app.emulatorCombo().items, (V{"VirtuaNES", "Nester", "エミュ"}));
    EXPECT_EQ(app.emulatorCombo().selectedText(), "Nester");

    // A remembered name that is no longer listed gives way to the first item.
    remember("Missing");
    app.startUp();
    EXPECT_EQ(app.emulatorCombo().selected, 0);
    EXPECT_EQ(app.settings().emulatorNames[0], "VirtuaNES");

    // Each hardware remembers its own choice; one without a file keeps nothing of another's, and
    // remembers "未設定" as the empty text.
    app.changeSettings([&](MainSettings& m) { m.emulatorNames[7] = "gone emulator"; });
    app.chooseEmulator(1);
    app.chooseHardware(1);
    EXPECT_EQ(app.currentCode(), "MD");
    EXPECT_EQ(app.emulatorCombo().items, V{"未設定"});
    EXPECT_EQ(app.settings().emulatorNames[7], "");
    EXPECT_TRUE(std::ranges::all_of(app.emulators(), [](auto& e) { return e == EmulatorEntry{}; }));
    app.chooseHardware(0);
    EXPECT_EQ(app.emulatorCombo().selectedText(), "Nester");
    EXPECT_TRUE(prompter.boxes().empty());
}

TEST_F(EmulatorSettingsCommandTest, TheWholeCommandThroughTheApplication) {
    setUpHardware("FC");
    setUpHardware("MD");
    start("FC");
    ASSERT_GE(app.addRecord(record("Mario")), 0);
    for (const char* e : {"emu/VirtuaNES", "emu/nester", "emu/gens"}) dir.write(e, "");

    EmulatorDialogModel model = commands.openEmulatorSettings("FC");
    // The catalogue is saved before the dialog opens.
    EXPECT_TRUE(std::filesystem::exists(dir.file("data/RomData_FC.slb")));
    model.form().executable = "./emu/VirtuaNES";
    model.selectItem(1);
    model.form().name = "ネスター";
    model.form().executable = dir.file("emu/nester");
    model.form().commandLine = "-x \"$P\"";
    model.selectItem(26);
    model.form().executable = "./emu/missing";
    ASSERT_TRUE(commands.saveEmulatorSettings("FC", model));

    // Not yet confirmed: the application still has its old entries.
    EXPECT_EQ(app.emulatorCombo().items, V{"未設定"});
    commands.emulatorSettingsConfirmed("FC");  // (that the window is told: the dialog test)
    EXPECT_EQ(app.emulatorCombo().items, (V{"VirtuaNES", "ネスター"}));
    EXPECT_EQ(std::tuple(app.settings().emulatorNames[0], app.emulators()[1].commandLine,
                         app.emulators()[59].executable, app.romTable().count()),
              std::tuple("VirtuaNES", "-x \"$P\"", dir.file("emu/missing"), 1));
    // The file keeps what was typed.
    EXPECT_EQ(stored(loadEmulatorFile, dir.file("data/Emulator_FC.slb"))[0].executable,
              "./emu/VirtuaNES");

    // Another hardware is saved without touching the current one.
    EmulatorDialogModel md = commands.openEmulatorSettings("MD");
    md.form().executable = dir.file("emu/gens");
    ASSERT_TRUE(commands.saveEmulatorSettings("MD", md));
    commands.emulatorSettingsConfirmed("MD");
    EXPECT_EQ(app.emulatorCombo().items, (V{"VirtuaNES", "ネスター"}));
    app.chooseHardware(1);
    EXPECT_EQ(app.emulatorCombo().items, V{"GENS"});
    EXPECT_TRUE(prompter.boxes().empty());
}

// Opened and saved unchanged, the file stays as another program wrote it, but for the
// special-start flags, which come from the emulator table.
TEST_F(EmulatorSettingsCommandTest, TheDialogFileRoundTripsByteExact) {
    RawEmulatorBlocks b{};
    b[0] = rawBlock("\x83t\x83@\x83~\x83R\x83\x93", ".\\emu\\VirtuaNES.exe");
    b[0].commandLine = "-f";
    b[0].joyToKey = "\x83W\x83\x87\x83\x43";
    b[0].specialStart = 1;
    b[0].waitAfterStart = 40;
    b[0].waitAfterFileDialog = 0;
    for (int k = 0; k < 16; k += 3) b[0].options[static_cast<std::size_t>(k)] = 1;
    b[4] = rawBlock("S", "/x");
    b[62] = rawBlock("User", "../u");
    b[62].waitAfterStart = -3;
    b[62].options[15] = b[62].options[1] = 1;
    writeRawEmulators("FC", b);

    EmulatorDialogModel model = commands.openEmulatorSettings("FC");
    ASSERT_TRUE(commands.saveEmulatorSettings("FC", model));
    RawEmulatorBlocks expected = b;
    expected[0].specialStart = 0;
    for (int slot : {4, 7, 14}) expected[static_cast<std::size_t>(slot)].specialStart = 1;
    EXPECT_TRUE(sameBytes(dir.read("data/Emulator_FC.slb"), rawEmulatorFile(expected)));
    EXPECT_TRUE(prompter.boxes().empty());
}

TEST_F(EmulatorSettingsCommandTest, FilesThatCannotBeReadOrWrittenAreTold) {
    RawEmulatorBlocks b{};
    b[0] = rawBlock("A", "./emu/a");
    const std::string bytes = rawEmulatorFile(b);
    dir.write("data/Emulator_FC.slb", bytes.substr(0, bytes.size() / 2));
    // No hardware is current: nothing is read, not even a file named for the empty code.
    dir.write("data/Emulator_.slb", "garbage");
    app.startUp();
    EXPECT_TRUE(prompter.boxes().empty());

    setUpHardware("FC");
    start("FC");
    EXPECT_TRUE(
        prompter.shownOnce("エミュレータ設定ファイルが異常です。\nデータを読み込めません。"));
    EXPECT_EQ(app.currentCode(), "FC");  // only a broken folder file leaves no hardware current
    EXPECT_EQ(app.emulatorCombo().items, V{"未設定"});

    prompter.clear();
    // Opened for settings, a file of another version: its message, and the table's defaults.
    dir.write("data/Emulator_SFC.slb", RawBytes().header("ROMSHELF_EMULATORDATA", 3).bytes());
    EmulatorDialogModel sfc = commands.openEmulatorSettings("SFC");
    EXPECT_TRUE(prompter.shownOnce(
        "エミュレータ設定ファイルのバージョンが違います。\nデータを読み込めません。"));
    EXPECT_EQ(sfc.form().name, "SNEShout");
    EXPECT_EQ(sfc.form().waitAfterStart, "500");

    prompter.clear();
    dir.makeFolder("data/Emulator_MD.slb");  // a folder where the file should go
    EmulatorDialogModel md = commands.openEmulatorSettings("MD");
    EXPECT_FALSE(commands.saveEmulatorSettings("MD", md));
    EXPECT_TRUE(prompter.shownOnce("エミュレータ設定ファイルを保存できませんでした。"));
}
