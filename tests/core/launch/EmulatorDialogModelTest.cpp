#include "core/launch/EmulatorDialogModel.h"

#include <gtest/gtest.h>

#include <limits>

#include "ScriptedPrompter.h"
#include "TempFolder.h"

using namespace romshelf;

namespace {

struct EmulatorDialogModelTest : ::testing::Test {
    romshelf::test::TempFolder dir;
    romshelf::test::ScriptedPrompter prompter;

    EmulatorDialogModel open(const std::string& code, EmulatorEntries stored = {},
                             const std::string& joyToKey = {}) {
        return EmulatorDialogModel(code, std::move(stored), "表示名", dir.path(), joyToKey);
    }
    static int itemOfSlot(const EmulatorDialogModel& m, int slot) {
        for (int i = 0; i < static_cast<int>(m.selectorItems().size()); ++i)
            if (m.slotOfItem(i) == slot)
                return i;
        return -1;
    }
};

}  // namespace

TEST_F(EmulatorDialogModelTest, SelectorItemsEditTheirSlots) {
    EmulatorDialogModel fc = open("FC");
    EXPECT_EQ(fc.caption(), "表示名のエミュレータ設定");
    const auto items = fc.selectorItems();
    ASSERT_EQ(items.size(), 31u);
    EXPECT_EQ(items[26], "ユーザ設定エミュレータ 1");
    EXPECT_EQ(fc.selectorIndex(), 0);
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
    EXPECT_EQ(fc.currentSlot(), 0);

    EmulatorDialogModel user3 = open("USER3");
    ASSERT_EQ(user3.selectorItems().size(), 64u);
    user3.selectItem(40);
    EXPECT_EQ(user3.currentSlot(), 40);
    EXPECT_EQ(user3.form().name, "ユーザ設定 41");

    EmulatorDialogModel gc = open("GC");
    EXPECT_EQ(gc.selectorItems(),
              (std::vector<std::string>{"ユーザ設定エミュレータ 1", "ユーザ設定エミュレータ 2",
                                        "ユーザ設定エミュレータ 3", "ユーザ設定エミュレータ 4",
                                        "ユーザ設定エミュレータ 5"}));
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
    EmulatorEntries saved = m.entriesToSave();
    EXPECT_EQ(saved[2].name, "");
    EXPECT_EQ(m.form().name, "NesterJ");
    EXPECT_EQ(saved[0].name, "VirtuaNES");  // shown at opening: saved with the default name
    EXPECT_EQ(saved[3].name, "");           // never shown
    EXPECT_EQ(saved[59].name, "");

    // Showing a cleared slot again fills it in.
    m.selectItem(1);
    EXPECT_EQ(m.form().name, "Nester");
    EXPECT_EQ(m.entriesToSave()[1].name, "Nester");
}

TEST_F(EmulatorDialogModelTest, CapabilitiesEnableAndClearOptions) {
    EmulatorEntries stored{};
    for (int slot : {0, 4}) {
        auto& e = stored[static_cast<std::size_t>(slot)];
        e.options.fill(true);
        e.specialStart = slot == 0;  // what the file says is not what the dialog goes by
    }
    // Master System: Meka (no flags), slot 4 Kega Lazarus SE (S and Z).
    EmulatorDialogModel m = open("MSYS", stored);
    EXPECT_FALSE(m.specialStart());
    EXPECT_FALSE(m.zipPassAllowed());
    EXPECT_FALSE(m.quoteAllowed());
    EXPECT_FALSE(m.form().passZipUnpacked);
    EXPECT_FALSE(m.form().quotePath);
    EXPECT_TRUE(m.form().shortPathIfSpace);
    EXPECT_TRUE(m.form().forceActivate);  // disabled, but kept

    m.selectItem(4);
    EXPECT_TRUE(m.specialStart());
    EXPECT_TRUE(m.zipPassAllowed());
    EXPECT_FALSE(m.quoteAllowed());
    EXPECT_TRUE(m.form().passZipUnpacked);
    EXPECT_FALSE(m.form().quotePath);

    EmulatorEntries saved = m.entriesToSave();
    EXPECT_FALSE(saved[0].options[kPassZipUnpacked]);
    EXPECT_FALSE(saved[0].options[kQuotePath]);
    EXPECT_TRUE(saved[0].options[kShortPathIfSpace]);
    EXPECT_TRUE(saved[0].options[kForceActivate]);
    EXPECT_TRUE(saved[4].options[kPassZipUnpacked]);
    EXPECT_FALSE(saved[4].options[kQuotePath]);
    for (int k = 4; k < kEmulatorOptionCount; ++k) {
        EXPECT_TRUE(saved[0].options[static_cast<std::size_t>(k)]) << k;
        EXPECT_TRUE(saved[4].options[static_cast<std::size_t>(k)]) << k;
    }
    // Special start comes from the table, for every slot.
    EXPECT_FALSE(saved[0].specialStart);
    EXPECT_TRUE(saved[4].specialStart);
    EXPECT_FALSE(saved[59].specialStart);
}

TEST_F(EmulatorDialogModelTest, SpecialStartFollowsTheSlotNotTheExecutable) {
    EmulatorDialogModel m = open("FC");
    m.selectItem(4);  // SMYNES
    m.form().executable = "/opt/emu/VirtuaNES";
    m.selectItem(0);
    m.form().executable = "/opt/emu/smynes";
    EmulatorEntries saved = m.entriesToSave();
    EXPECT_TRUE(saved[4].specialStart);
    EXPECT_FALSE(saved[0].specialStart);
}

TEST_F(EmulatorDialogModelTest, WaitsAreReadLikeANumberConversion) {
    EXPECT_EQ(EmulatorDialogModel::waitFromText(""), 0);
    EXPECT_EQ(EmulatorDialogModel::waitFromText("1200"), 1200);
    EXPECT_EQ(EmulatorDialogModel::waitFromText("0012"), 12);
    EXPECT_EQ(EmulatorDialogModel::waitFromText("12ab"), 12);
    EXPECT_EQ(EmulatorDialogModel::waitFromText(" 34"), 34);
    EXPECT_EQ(EmulatorDialogModel::waitFromText("-5"), -5);
    EXPECT_EQ(EmulatorDialogModel::waitFromText("abc"), 0);
    EXPECT_EQ(EmulatorDialogModel::waitFromText("2147483647"), 2147483647);
    EXPECT_EQ(EmulatorDialogModel::waitFromText("2147483648"), 2147483647);
    EXPECT_EQ(EmulatorDialogModel::waitFromText("99999999999999999999999"), 2147483647);
    EXPECT_EQ(EmulatorDialogModel::waitFromText("-99999999999999999999999"),
              std::numeric_limits<std::int32_t>::min());

    EmulatorEntries stored{};
    stored[4].waitAfterStart = 1500;
    EmulatorDialogModel m = open("FC", stored);
    m.selectItem(4);
    EXPECT_EQ(m.form().waitAfterStart, "1500");
    EXPECT_EQ(m.form().waitAfterFileDialog, "500");
    m.form().waitAfterStart = "";
    m.form().waitAfterFileDialog = "750";
    EmulatorEntries saved = m.entriesToSave();
    EXPECT_EQ(saved[4].waitAfterStart, 0);
    EXPECT_EQ(saved[4].waitAfterFileDialog, 750);
    EXPECT_EQ(saved[5].waitAfterStart, 500);
}

TEST_F(EmulatorDialogModelTest, JoyToKeySettingsBesideTheConfiguredExecutable) {
    dir.write("tools/joy/JoyToKey.exe", "");
    for (const char* f : {"b.cfg", "A.CFG", "c.Cfg", "notes.txt", "x.cfgx", "ジョイ.cfg"})
        dir.write(std::string("tools/joy/") + f, "");
    dir.makeFolder("tools/joy/folder.cfg");

    EmulatorEntries stored{};
    stored[0].joyToKeySetting = "b";
    stored[1].joyToKeySetting = "gone";  // its .cfg is no longer there
    EmulatorDialogModel m = open("FC", stored, "./tools/joy/JoyToKey.exe");
    const std::vector<std::string> listed = {"使用しない", "A", "b", "c", "ジョイ"};
    EXPECT_EQ(m.joyToKeyItems(), listed);
    EXPECT_EQ(m.form().joyToKeyItem, 2);

    m.selectItem(1);
    std::vector<std::string> withOwn = listed;
    withOwn.push_back("gone");
    EXPECT_EQ(m.joyToKeyItems(), withOwn);
    EXPECT_EQ(m.form().joyToKeyItem, 5);
    m.selectItem(2);
    EXPECT_EQ(m.joyToKeyItems(), listed);
    EXPECT_EQ(m.form().joyToKeyItem, 0);
    m.form().joyToKeyItem = 4;
    m.selectItem(0);
    m.form().joyToKeyItem = 0;  // "使用しない" is stored as nothing

    EmulatorEntries saved = m.entriesToSave();
    EXPECT_EQ(saved[0].joyToKeySetting, "");
    EXPECT_EQ(saved[1].joyToKeySetting, "gone");  // kept although unlisted
    EXPECT_EQ(saved[2].joyToKeySetting, "ジョイ");

    // Without an existing JoyToKey only "使用しない" is offered.
    for (const char* tool : {"", "./tools/joy/Missing.exe", "./tools/joy"}) {
        EmulatorDialogModel none = open("FC", {}, tool);
        EXPECT_EQ(none.joyToKeyItems(), std::vector<std::string>{"使用しない"}) << tool;
    }
    // An absolute tool path is taken as it is.
    EXPECT_EQ(EmulatorDialogModel::joyToKeySettingTitles(dir.file("tools/joy/JoyToKey.exe")).size(),
              4u);
}

TEST_F(EmulatorDialogModelTest, BrowseRemembersTheFolderOfTheChosenFile) {
    EmulatorDialogModel m = open("FC");
    prompter.pickFile("/opt/nes/virtuanes");
    EXPECT_TRUE(m.browse(prompter));
    EXPECT_EQ(m.form().executable, "/opt/nes/virtuanes");
    ASSERT_EQ(prompter.filePickers.size(), 1u);
    EXPECT_EQ(prompter.filePickers[0].title, "VirtuaNESの場所を指定してください");
    EXPECT_EQ(prompter.filePickers[0].filterDescription, "VirtuaNES実行ファイル (VirtuaNES.exe)");
    EXPECT_EQ(prompter.filePickers[0].pattern, "*.exe");
    EXPECT_EQ(prompter.filePickers[0].startFolder, dir.path().substr(0, dir.path().size() - 1));

    m.selectItem(itemOfSlot(m, 60));
    prompter.pickFile(std::nullopt);
    EXPECT_FALSE(m.browse(prompter));
    EXPECT_EQ(m.form().executable, "");
    EXPECT_EQ(prompter.filePickers[1].startFolder, "/opt/nes");
    EXPECT_EQ(prompter.filePickers[1].filterDescription,
              "ユーザ設定エミュレータ 2実行ファイル (*.exe)");
    EXPECT_EQ(m.lastBrowseFolder(), "/opt/nes");
    EXPECT_TRUE(prompter.allAnswersUsed());
}

TEST_F(EmulatorDialogModelTest, RelativePathButton) {
    EmulatorDialogModel m = open("FC");
    // From the program folder up to the root, then down to the executable.
    std::string up = "..";
    for (std::size_t i = 1; i + 1 < dir.path().size(); ++i)
        if (dir.path()[i] == '/')
            up += "/..";
    const struct {
        std::string typed, expected;
    } cases[] = {
        {dir.path() + "emu/nes/VirtuaNES", "./emu/nes/VirtuaNES"},
        {"/usr/games/fceux", up + "/usr/games/fceux"},
        {"./emu/x", "./emu/x"},  // already relative: nothing happens
        {".\\emu\\x.exe", ".\\emu\\x.exe"},
        {"../other/x", "../other/x"},
        {"", ""},
    };
    for (const auto& c : cases) {
        m.form().executable = c.typed;
        m.makeExecutableRelative();
        EXPECT_EQ(m.form().executable, c.expected) << c.typed;
    }
}
