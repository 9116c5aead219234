#include "core/launch/EmulatorDialogModel.h"

#include <gtest/gtest.h>

#include <limits>
#include <numeric>

#include "DataFileFixtures.h"
#include "core/launch/DefaultEmulatorTable.h"

using namespace romshelf;
using V = std::vector<std::string>;

namespace {

struct EmulatorDialogModelTest : romshelf::test::DataFileTest {
    EmulatorDialogModel open(const std::string& code, EmulatorEntries stored = {},
                             const std::string& joyToKey = {}) {
        return EmulatorDialogModel(code, std::move(stored), "表示名", dir.path(), joyToKey);
    }
};

}  // namespace

TEST(DefaultEmulatorTable, NamedRowsWithoutGapsThenTheUserSlots) {
    const std::vector<int> user = {59, 60, 61, 62, 63};
    // Famicom: 26 named rows, slots 0-25, then the user slots.
    const DefaultEmulatorTable fc("FC");
    std::vector<int> expected(26);
    std::iota(expected.begin(), expected.end(), 0);
    expected.insert(expected.end(), user.begin(), user.end());
    EXPECT_EQ(fc.offeredSlots(), expected);
    EXPECT_TRUE(fc.row(26) == DefaultEmulator{} && fc.row(58) == DefaultEmulator{});
    // A user slot takes any executable, ZIP files and a quoted path.
    EXPECT_TRUE(fc.row(59) ==
                (DefaultEmulator{"ユーザ設定エミュレータ 1", "*.exe", false, true, true}));
    // No named rows: the user slots only, also for a code that is not in the table.
    for (const char* code : {"GC", "HARD", "", "fc"})
        EXPECT_EQ(DefaultEmulatorTable(code).offeredSlots(), user) << code;
    // Master System and Game Gear share their emulators.
    const DefaultEmulatorTable msys("MSYS"), gg("GG");
    for (int slot = 0; slot < 64; ++slot) EXPECT_TRUE(msys.row(slot) == gg.row(slot)) << slot;
}

// The selector offers the hardware's slots: user hardware all 64.
TEST_F(EmulatorDialogModelTest, SelectorItemsEditTheirSlots) {
    EmulatorDialogModel fc = open("FC");
    EXPECT_EQ(fc.caption(), "表示名のエミュレータ設定");
    const auto items = fc.selectorItems();
    ASSERT_EQ(items.size(), 31u);
    EXPECT_EQ(items[26], "ユーザ設定エミュレータ 1");
    EXPECT_EQ(fc.currentSlot(), 0);
    EXPECT_EQ(fc.form().name, "VirtuaNES");

    fc.selectItem(26);
    EXPECT_EQ(fc.currentSlot(), 59);
    EXPECT_EQ(fc.form().name, "ユーザ設定エミュレータ 1");
    fc.form().executable = "/opt/user/emu";
    fc.selectItem(30);
    EXPECT_EQ(fc.currentSlot(), 63);
    fc.selectItem(0);
    EXPECT_EQ(fc.entries()[59].executable, "/opt/user/emu");
    EXPECT_EQ(fc.entries()[26].executable, "");
    fc.selectItem(31);  // out of range: nothing changes
    fc.selectItem(-1);
    EXPECT_EQ(fc.selectorIndex(), 0);

    EmulatorDialogModel user3 = open("USER3");
    ASSERT_EQ(user3.selectorItems().size(), 64u);
    user3.selectItem(40);
    EXPECT_EQ(user3.currentSlot(), 40);
    EXPECT_EQ(user3.form().name, "ユーザ設定 41");

    EmulatorDialogModel gc = open("GC");
    EXPECT_EQ(gc.selectorItems().size(), 5u);  // the user slots only
    EXPECT_EQ(gc.currentSlot(), 59);
}

TEST_F(EmulatorDialogModelTest, NamesOfShownAndClearedSlots) {
    EmulatorEntries stored{};
    stored[1].name = "私のnester";
    EmulatorDialogModel m = open("FC", stored);
    m.selectItem(1);
    EXPECT_EQ(m.form().name, "私のnester");
    m.form().name.clear();
    m.selectItem(2);  // stores slot 1 with the cleared name
    EXPECT_EQ(m.entries()[1].name, "");

    // Saving straight after clearing keeps the name empty, while the edit shows the default.
    m.form().name.clear();
    const EmulatorEntries saved = m.entriesToSave();
    EXPECT_EQ(saved[2].name, "");
    EXPECT_EQ(m.form().name, "NesterJ");
    EXPECT_EQ(saved[0].name, "VirtuaNES");  // shown at opening: saved with the default name
    EXPECT_EQ(saved[3].name, "");           // never shown
    // Showing a cleared slot again fills it in.
    m.selectItem(1);
    EXPECT_EQ(m.entriesToSave()[1].name, "Nester");
}

TEST_F(EmulatorDialogModelTest, CapabilitiesComeFromTheSlotNotTheFileNorTheExecutable) {
    EmulatorEntries stored{};
    stored[0].options.fill(true);
    stored[4].options.fill(true);
    stored[0].specialStart = true;  // what the file says is not what the dialog goes by
    // Master System: slot 0 Meka (no capabilities), slot 4 Kega Lazarus SE (S and Z).
    EmulatorDialogModel m = open("MSYS", stored);
    EXPECT_FALSE(m.specialStart() || m.zipPassAllowed() || m.quoteAllowed());
    EXPECT_FALSE(m.form().passZipUnpacked || m.form().quotePath);
    EXPECT_TRUE(m.form().shortPathIfSpace && m.form().forceActivate);  // disabled, but kept
    m.form().executable = "/opt/emu/Kega Lazarus SE.exe";              // another slot's emulator
    m.selectItem(4);
    m.form().executable = "/opt/emu/Meka.exe";
    EXPECT_TRUE(m.specialStart() && m.zipPassAllowed() && m.form().passZipUnpacked);
    EXPECT_FALSE(m.quoteAllowed() || m.form().quotePath);

    const EmulatorEntries saved = m.entriesToSave();
    std::array<bool, kEmulatorOptionCount> meka{}, kega{};
    meka.fill(true);
    kega = meka;
    meka[kPassZipUnpacked] = meka[kQuotePath] = kega[kQuotePath] = false;
    EXPECT_EQ(saved[0].options, meka);
    EXPECT_EQ(saved[4].options, kega);
}

TEST_F(EmulatorDialogModelTest, WaitsAreReadLikeANumberConversion) {
    const std::int32_t max = std::numeric_limits<std::int32_t>::max(), min = -max - 1;
    const std::string nines(23, '9');
    const std::pair<std::string, std::int32_t> cases[] = {
        {"", 0},      {"1200", 1200},      {"0012", 12},
        {"12ab", 12}, {" 34", 34},         {"-5", -5},
        {"abc", 0},   {"2147483647", max}, {"2147483648", max},
        {nines, max}, {"-" + nines, min},
    };
    for (const auto& [text, value] : cases)
        EXPECT_EQ(EmulatorDialogModel::waitFromText(text), value) << text;

    EmulatorEntries stored{};
    stored[4].waitAfterStart = 1500;
    EmulatorDialogModel m = open("FC", stored);
    m.selectItem(4);
    EXPECT_EQ(m.form().waitAfterStart, "1500");
    EXPECT_EQ(m.form().waitAfterFileDialog, "500");
    m.form().waitAfterStart = "";
    m.form().waitAfterFileDialog = "750";
    const EmulatorEntries saved = m.entriesToSave();
    EXPECT_EQ(saved[4].waitAfterStart, 0);
    EXPECT_EQ(saved[4].waitAfterFileDialog, 750);
    EXPECT_EQ(saved[5].waitAfterStart, 500);
}

TEST_F(EmulatorDialogModelTest, JoyToKeySettingsBesideTheConfiguredExecutable) {
    for (const char* f :
         {"JoyToKey.exe", "b.cfg", "A.CFG", "c.Cfg", "notes.txt", "x.cfgx", "ジョイ.cfg"})
        dir.write(std::string("tools/joy/") + f, "");
    dir.makeFolder("tools/joy/folder.cfg");
    EmulatorEntries stored{};
    stored[0].joyToKeySetting = "b";
    stored[1].joyToKeySetting = "gone";  // its .cfg is no longer there
    EmulatorDialogModel m = open("FC", stored, "./tools/joy/JoyToKey.exe");
    const V listed = {"使用しない", "A", "b", "c", "ジョイ"};
    EXPECT_EQ(m.joyToKeyItems(), listed);
    EXPECT_EQ(m.form().joyToKeyItem, 2);
    m.selectItem(1);  // its own setting is offered after the others
    EXPECT_EQ(m.joyToKeyItems(), (V{"使用しない", "A", "b", "c", "ジョイ", "gone"}));
    EXPECT_EQ(m.form().joyToKeyItem, 5);
    m.selectItem(2);
    EXPECT_EQ(m.joyToKeyItems(), listed);
    EXPECT_EQ(m.form().joyToKeyItem, 0);
    m.form().joyToKeyItem = 4;
    m.selectItem(0);
    m.form().joyToKeyItem = 0;  // "使用しない" is stored as nothing

    const EmulatorEntries saved = m.entriesToSave();
    EXPECT_EQ(saved[0].joyToKeySetting, "");
    EXPECT_EQ(saved[1].joyToKeySetting, "gone");  // kept although unlisted
    EXPECT_EQ(saved[2].joyToKeySetting, "ジョイ");
    // Without an existing JoyToKey only "使用しない" is offered.
    for (const char* tool : {"", "./tools/joy/Missing.exe", "./tools/joy"})
        EXPECT_EQ(open("FC", {}, tool).joyToKeyItems(), V{"使用しない"}) << tool;
}

TEST_F(EmulatorDialogModelTest, BuiltInPadProfilesAreOfferedAfterJoyToKeysMarkedAsBuiltIn) {
    dir.write("tools/joy/JoyToKey.exe", "");
    dir.write("tools/joy/b.cfg", "");
    dir.write("data/pad/shooter.ini", "[keys]\na = z\n");
    dir.write("data/pad/rpg.ini", "[keys]\na = Return\n");
    EmulatorEntries stored{};
    stored[0].joyToKeySetting = "<内蔵> shooter";
    EmulatorDialogModel m = open("FC", stored, "./tools/joy/JoyToKey.exe");
    EXPECT_EQ(m.joyToKeyItems(), (V{"使用しない", "b", "<内蔵> rpg", "<内蔵> shooter"}));
    EXPECT_EQ(m.form().joyToKeyItem, 3);
    m.selectItem(1);
    m.form().joyToKeyItem = 2;
    const EmulatorEntries saved = m.entriesToSave();
    EXPECT_EQ(saved[0].joyToKeySetting, "<内蔵> shooter");
    EXPECT_EQ(saved[1].joyToKeySetting, "<内蔵> rpg");
    // They need no JoyToKey.
    EXPECT_EQ(open("FC", {}, "").joyToKeyItems(),
              (V{"使用しない", "<内蔵> rpg", "<内蔵> shooter"}));
}

TEST_F(EmulatorDialogModelTest, BrowseRemembersTheFolderOfTheChosenFile) {
    EmulatorDialogModel m = open("FC");
    prompter.pickFile("/opt/nes/virtuanes");
    EXPECT_TRUE(m.browse(prompter));
    EXPECT_EQ(m.form().executable, "/opt/nes/virtuanes");
    m.selectItem(27);  // slot 60
    prompter.pickFile(std::nullopt);
    EXPECT_FALSE(m.browse(prompter));
    EXPECT_EQ(m.form().executable, "");
    EXPECT_EQ(m.lastBrowseFolder(), "/opt/nes");
    ASSERT_EQ(prompter.filePickers.size(), 2u);
    const auto& [title, filter, pattern, start, defaultName, save] = prompter.filePickers[0];
    EXPECT_EQ(title, "VirtuaNESの場所を指定してください");
    EXPECT_EQ(filter, "VirtuaNES実行ファイル (VirtuaNES.exe)");
    EXPECT_EQ(pattern, kExecutableFilesPattern);  // the program's own name is no Linux one
    EXPECT_EQ(start, dir.path().substr(0, dir.path().size() - 1));
    EXPECT_EQ(prompter.filePickers[1].startFolder, "/opt/nes");
    EXPECT_EQ(prompter.filePickers[1].filterDescription,
              "ユーザ設定エミュレータ 2実行ファイル (*.exe)");
}

TEST(EmulatorDialogModel, RelativePathButtonConvertsAbsolutePathsOnly) {
    EmulatorDialogModel m("FC", {}, "FC", "/opt/rs/", "");
    const std::pair<std::string, std::string> cases[] = {
        {"/opt/rs/emu/nes/VirtuaNES", "./emu/nes/VirtuaNES"},
        {"/usr/games/fceux", "../../usr/games/fceux"},
        {"./emu/x", "./emu/x"},  // already relative: nothing happens
        {".\\emu\\x.exe", ".\\emu\\x.exe"},
    };
    for (const auto& [typed, expected] : cases) {
        m.form().executable = typed;
        m.makeExecutableRelative();
        EXPECT_EQ(m.form().executable, expected) << typed;
    }
}
