#include <gtest/gtest.h>

#include <filesystem>

#include "RawEmulatorFile.h"
#include "AppFixture.h"

using namespace romshelf;
using romshelf::test::rawBlock;
using romshelf::test::RawEmulatorBlocks;
using romshelf::test::rawEmulatorFile;
using romshelf::test::sameBytes;

namespace {

struct EmulatorCounter : ApplicationListener {
    int emulatorCombo = 0;
    void emulatorComboChanged() override { ++emulatorCombo; }
};

struct EmulatorSettingsCommandTest : romshelf::test::AppFixture {
    EmulatorCounter listener;
    SettingsCommands& commands = app.settingsCommands();
    EmulatorSettingsCommandTest() { app.setListener(&listener); }
    ~EmulatorSettingsCommandTest() override { app.setListener(nullptr); }
    void writeRawEmulators(const std::string& code, const RawEmulatorBlocks& blocks) {
        dir.write("data/Emulator_" + code + ".slb", rawEmulatorFile(blocks));
    }
    void remember(int index, const std::string& name) {
        app.changeSettings([&](MainSettings& m) { m.emulatorNames[static_cast<std::size_t>(index)] = name; });
    }
};

}  // namespace

TEST_F(EmulatorSettingsCommandTest, TheComboListsEntriesWhoseExecutableExists) {
    setUpHardware("FC");
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
    remember(0, "Nester");
    start("FC");

    EXPECT_EQ(app.emulators()[0].executable, dir.file("emu/nes"));
    EXPECT_EQ(app.emulators()[4].executable, dir.file("emu/nester"));
    EXPECT_EQ(app.emulators()[60].executable, dir.file("emu/nes"));
    EXPECT_EQ(app.emulatorCombo().items,
              (std::vector<std::string>{"VirtuaNES", "Nester", "エミュ"}));
    EXPECT_EQ(app.emulatorCombo().selectedText(), "Nester");

    // A remembered name that is no longer listed gives way to the first item.
    remember(0, "Missing");
    app.startUp();
    EXPECT_EQ(app.emulatorCombo().selected, 0);
    EXPECT_EQ(app.settings().emulatorNames[0], "VirtuaNES");
    EXPECT_TRUE(prompter.boxes().empty());
}

TEST_F(EmulatorSettingsCommandTest, EachHardwareRemembersItsEmulator) {
    setUpHardware("FC");
    setUpHardware("MD");
    dir.write("emu/a", "");
    dir.write("emu/b", "");
    RawEmulatorBlocks fc{};
    fc[0] = rawBlock("A", "./emu/a");
    fc[1] = rawBlock("B", "./emu/b");
    writeRawEmulators("FC", fc);
    start("FC");
    EXPECT_EQ(app.emulatorCombo().selectedText(), "A");
    app.chooseEmulator(1);
    EXPECT_EQ(app.settings().emulatorNames[0], "B");

    app.chooseHardware(1);  // MD: no emulator file
    EXPECT_EQ(app.currentCode(), "MD");
    EXPECT_EQ(app.emulatorCombo().items, std::vector<std::string>{"未設定"});
    EXPECT_EQ(app.settings().emulatorNames[7], "");
    for (const auto& e : app.emulators())
        EXPECT_TRUE(e == EmulatorEntry{});

    app.chooseHardware(0);
    EXPECT_EQ(app.emulatorCombo().selectedText(), "B");
}

TEST_F(EmulatorSettingsCommandTest, ABrokenEmulatorFileGivesDefaultsAndItsMessage) {
    setUpHardware("FC");
    dir.write("emu/a", "");
    RawEmulatorBlocks b{};
    b[0] = rawBlock("A", "./emu/a");
    std::string bytes = rawEmulatorFile(b);
    dir.write("data/Emulator_FC.slb", bytes.substr(0, bytes.size() / 2));
    // No hardware is current: nothing is read, not even a file named for the empty code.
    dir.write("data/Emulator_.slb", "garbage");
    std::filesystem::rename(dir.file("data/Folder_FC.slb"), dir.file("data/away.slb"));
    app.startUp();
    EXPECT_TRUE(prompter.boxes().empty());
    EXPECT_EQ(app.emulators()[0].name, "");

    std::filesystem::rename(dir.file("data/away.slb"), dir.file("data/Folder_FC.slb"));
    start("FC");
    ASSERT_EQ(prompter.boxes().size(), 1u);
    EXPECT_EQ(prompter.boxes()[0].text,
              "エミュレータ設定ファイルが異常です。\nデータを読み込めません。");
    EXPECT_EQ(app.currentCode(), "FC");  // only a broken folder file leaves no hardware current
    EXPECT_EQ(app.emulators()[0].name, "");
    EXPECT_EQ(app.emulatorCombo().items, std::vector<std::string>{"未設定"});
}

TEST_F(EmulatorSettingsCommandTest, TheWholeCommandThroughTheApplication) {
    setUpHardware("FC");
    start("FC");
    ASSERT_GE(app.addRecord(record("Mario")), 0);
    dir.write("emu/VirtuaNES", "");
    dir.write("emu/nester", "");

    EmulatorDialogModel model = commands.openEmulatorSettings("FC");
    // The catalogue is saved before the dialog opens.
    EXPECT_TRUE(std::filesystem::exists(dir.file("data/RomData_FC.slb")));
    EXPECT_EQ(model.caption(), "ファミリーコンピュータのエミュレータ設定");
    model.form().executable = dir.file("emu/VirtuaNES");
    model.makeExecutableRelative();
    model.selectItem(1);
    model.form().name = "ネスター";
    prompter.pickFile(dir.file("emu/nester"));
    ASSERT_TRUE(model.browse(prompter));
    model.form().commandLine = "-x \"$P\"";
    model.selectItem(26);
    model.form().executable = "./emu/missing";
    ASSERT_TRUE(commands.saveEmulatorSettings("FC", model));

    // Not yet confirmed: the application still has its old entries.
    EXPECT_EQ(app.emulatorCombo().items, std::vector<std::string>{"未設定"});
    const int before = listener.emulatorCombo;
    commands.emulatorSettingsConfirmed("FC");
    EXPECT_GT(listener.emulatorCombo, before);
    EXPECT_EQ(app.emulatorCombo().items, (std::vector<std::string>{"VirtuaNES", "ネスター"}));
    EXPECT_EQ(app.settings().emulatorNames[0], "VirtuaNES");
    EXPECT_EQ(app.emulators()[0].executable, dir.file("emu/VirtuaNES"));
    EXPECT_EQ(app.emulators()[1].commandLine, "-x \"$P\"");
    EXPECT_EQ(app.emulators()[59].executable, dir.file("emu/missing"));
    EXPECT_EQ(app.romTable().count(), 1);

    // The file keeps what was typed.
    EmulatorEntries stored;
    DataStream s;
    ASSERT_EQ(loadEmulatorFile(s, dir.file("data/Emulator_FC.slb"), prompter, stored),
              LoadResult::Loaded);
    EXPECT_EQ(stored[0].executable, "./emu/VirtuaNES");
    EXPECT_EQ(stored[1].executable, dir.file("emu/nester"));
    EXPECT_TRUE(prompter.boxes().empty());
}

TEST_F(EmulatorSettingsCommandTest, AnotherHardwareIsSavedWithoutTouchingTheCurrentOne) {
    setUpHardware("FC");
    setUpHardware("MD");
    start("FC");
    dir.write("emu/gens", "");
    EmulatorDialogModel model = commands.openEmulatorSettings("MD");
    model.form().executable = dir.file("emu/gens");
    ASSERT_TRUE(commands.saveEmulatorSettings("MD", model));
    commands.emulatorSettingsConfirmed("MD");
    EXPECT_EQ(app.emulatorCombo().items, std::vector<std::string>{"未設定"});
    EXPECT_EQ(app.emulators()[0].executable, "");

    app.chooseHardware(1);
    EXPECT_EQ(app.emulatorCombo().items, std::vector<std::string>{"GENS"});
}

TEST_F(EmulatorSettingsCommandTest, TheDialogFileRoundTripsByteExact) {
    RawEmulatorBlocks b{};
    b[0] = rawBlock("\x83t\x83@\x83~\x83R\x83\x93", ".\\emu\\VirtuaNES.exe");
    b[0].commandLine = "-f";
    b[0].joyToKey =
        "\x83W\x83\x87\x83"
        "C";
    b[0].specialStart = 1;
    b[0].waitAfterStart = 40;
    b[0].waitAfterFileDialog = 0;
    for (int k = 0; k < 16; ++k)
        b[0].options[static_cast<std::size_t>(k)] = k % 3 == 0;
    b[4] = rawBlock("S", "/x");
    b[62] = rawBlock("User", "../u");
    b[62].waitAfterStart = -3;
    b[62].options[15] = 1;
    b[62].options[1] = 1;
    b[10].reservedStrings[2] = "junk";
    b[11].reservedIntegers[7] = 12345;
    writeRawEmulators("FC", b);

    EmulatorDialogModel model = commands.openEmulatorSettings("FC");
    ASSERT_TRUE(commands.saveEmulatorSettings("FC", model));

    // Only item 5 (from the table) and the reserved items (emptied) change.
    RawEmulatorBlocks expected = b;
    expected[0].specialStart = 0;
    expected[4].specialStart = 1;   // SMYNES is started specially
    expected[7].specialStart = 1;   // BioNES
    expected[14].specialStart = 1;  // TNES
    expected[10].reservedStrings[2] = "";
    expected[11].reservedIntegers[7] = 0;
    EXPECT_TRUE(sameBytes(dir.read("data/Emulator_FC.slb"), rawEmulatorFile(expected)));
    EXPECT_TRUE(prompter.boxes().empty());
}

TEST_F(EmulatorSettingsCommandTest, AFailedSaveIsTold) {
    dir.makeFolder("data/Emulator_FC.slb");  // a folder where the file should go
    EmulatorDialogModel model = commands.openEmulatorSettings("FC");
    EXPECT_FALSE(commands.saveEmulatorSettings("FC", model));
    ASSERT_EQ(prompter.boxes().size(), 1u);
    EXPECT_EQ(prompter.boxes()[0].title, "警告");
    EXPECT_TRUE(
        prompter.boxes()[0].text.starts_with("エミュレータ設定ファイルを保存できませんでした。"));
}

TEST_F(EmulatorSettingsCommandTest, OpeningARejectedFileShowsItsMessage) {
    dir.write("data/Emulator_SFC.slb",
              romshelf::test::RawBytes().header("ROMSHELF_EMULATORDATA", 3).bytes());
    EmulatorDialogModel model = commands.openEmulatorSettings("SFC");
    ASSERT_EQ(prompter.boxes().size(), 1u);
    EXPECT_EQ(prompter.boxes()[0].text,
              "エミュレータ設定ファイルのバージョンが違います。\nデータを読み込めません。");
    EXPECT_EQ(model.form().name, "SNEShout");
    EXPECT_EQ(model.form().waitAfterStart, "500");
}
