#include "app/Application.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "RawBytes.h"
#include "ScriptedPrompter.h"
#include "TempFolder.h"

using namespace romshelf;

namespace {

struct CountingListener : ApplicationListener {
    int hardwareCombo = 0, emulatorCombo = 0, recentFiles = 0, switches = 0, reloads = 0;
    void hardwareComboChanged() override { ++hardwareCombo; }
    void emulatorComboChanged() override { ++emulatorCombo; }
    void recentFilesChanged() override { ++recentFiles; }
    void hardwareSwitchStarting() override { ++switches; }
    void hardwareDataReloaded() override { ++reloads; }
};

struct ApplicationTest : ::testing::Test {
    romshelf::test::TempFolder dir;
    romshelf::test::ScriptedPrompter prompter;
    CountingListener listener;
    Application app{ProgramFolder(dir.path()), prompter};

    void SetUp() override {
        app.setListener(&listener);
        ASSERT_TRUE(app.createFolders());
    }
    // A hardware is set up by its folder file; ROM folder 1 is roms/<code>/.
    void setUp(const std::string& code) {
        FolderSettings f;
        f.romFolderNames[0] = code;
        f.romFolderPaths[0] = "./roms/" + code + "/";
        DataStream s;
        ASSERT_TRUE(saveFolderSettingsFile(s, dir.file("data/Folder_" + code + ".slb"), f));
    }
};

}  // namespace

TEST_F(ApplicationTest, FirstRunCreatesTheFoldersAndShowsNothingSetUp) {
    for (const char* f : {"data", "temp", "frame", "plugin"})
        EXPECT_TRUE(std::filesystem::is_directory(dir.file(f))) << f;
    EXPECT_FALSE(std::filesystem::exists(dir.file("backup")));
    EXPECT_EQ(app.loadMainSettings(), LoadResult::Missing);
    app.startUp();
    EXPECT_EQ(app.hardwareCombo().items, std::vector<std::string>{"未設定"});
    EXPECT_EQ(app.hardwareCombo().selected, 0);
    EXPECT_EQ(app.emulatorCombo().items, std::vector<std::string>{"未設定"});
    EXPECT_EQ(app.currentCode(), "");
    EXPECT_EQ(app.currentIndex(), -1);
    for (const auto& label : app.recentFileLabels()) EXPECT_FALSE(label.has_value());
    EXPECT_TRUE(prompter.boxes().empty());
    EXPECT_TRUE(app.shutDown());
    MainSettings reread;
    DataStream s;
    EXPECT_EQ(loadMainSettings(s, app.mainDataPath(), prompter, reread), LoadResult::Loaded);
    EXPECT_TRUE(reread == MainSettings());
}

TEST_F(ApplicationTest, HardwareComboListsSetUpHardwareInTableOrder) {
    setUp("MD");
    setUp("FC");
    setUp("GC");  // no menu command creates it, but an existing file lists it
    app.settings().customNames[7] = "Mega Drive";
    app.settings().currentHardware = "MD";
    app.fillHardwareCombo();
    EXPECT_EQ(app.hardwareCombo().items,
              (std::vector<std::string>{"ファミリーコンピュータ", "ゲームキューブ", "Mega Drive"}));
    EXPECT_EQ(app.hardwareCombo().selected, 2);
    // Shown names are kept as custom names from then on.
    EXPECT_EQ(app.settings().customNames[0], "ファミリーコンピュータ");
}

TEST_F(ApplicationTest, CurrentHardwareWithoutSettingsFallsBackToTheFirst) {
    setUp("SFC");
    setUp("PCE");
    app.settings().currentHardware = "FC";  // its folder file was deleted meanwhile
    app.fillHardwareCombo();
    EXPECT_EQ(app.hardwareCombo().selected, 0);
    EXPECT_EQ(app.currentCode(), "SFC");
}

TEST_F(ApplicationTest, SwitchingHardware) {
    setUp("FC");
    setUp("SFC");
    app.settings().currentHardware = "FC";
    app.startUp();
    listener = CountingListener{};
    app.chooseHardware(0);  // already current: nothing reloads
    EXPECT_EQ(listener.switches, 1);
    EXPECT_EQ(listener.reloads, 0);
    EXPECT_EQ(app.currentCode(), "FC");

    app.setLastLaunchedFile("a.nes");
    app.chooseHardware(1);
    EXPECT_EQ(app.currentCode(), "SFC");
    EXPECT_EQ(listener.reloads, 1);
    EXPECT_EQ(listener.emulatorCombo, 1);
    EXPECT_EQ(listener.recentFiles, 1);
    EXPECT_EQ(app.lastLaunchedFile(), "");
    EXPECT_EQ(app.hardwareCombo().selected, 1);

    app.chooseHardware(7);  // out of range: no change
    EXPECT_EQ(app.currentCode(), "SFC");
}

TEST_F(ApplicationTest, EmulatorComboRemembersItsChoicePerHardware) {
    setUp("FC");
    app.settings().currentHardware = "FC";
    app.settings().emulatorNames[0] = "gone emulator";
    app.startUp();
    EXPECT_EQ(app.emulatorCombo().items, std::vector<std::string>{"未設定"});
    // "未設定" is remembered as the empty text.
    EXPECT_EQ(app.settings().emulatorNames[0], "");
}

TEST_F(ApplicationTest, DeletingASettingsFile) {
    setUp("FC");
    setUp("SFC");
    app.settings().currentHardware = "FC";
    app.startUp();

    prompter.answer(false);
    EXPECT_FALSE(app.deleteSettingsFile("FC"));
    ASSERT_EQ(prompter.boxes().size(), 1u);
    EXPECT_EQ(prompter.boxes()[0].text,
              "ファミリーコンピュータの\nフォルダ設定ファイルを削除してもいいですか？");
    EXPECT_EQ(prompter.boxes()[0].title, "警告");
    EXPECT_TRUE(prompter.boxes()[0].question);
    EXPECT_TRUE(std::filesystem::exists(dir.file("data/Folder_FC.slb")));

    dir.write("data/RomData_FC.slb", "records");
    prompter.answer(true);
    EXPECT_TRUE(app.deleteSettingsFile("FC"));
    EXPECT_FALSE(std::filesystem::exists(dir.file("data/Folder_FC.slb")));
    EXPECT_TRUE(std::filesystem::exists(dir.file("data/RomData_FC.slb")));  // only the folder file goes
    EXPECT_EQ(app.hardwareCombo().items, std::vector<std::string>{"スーパーファミコン"});
    EXPECT_EQ(app.currentCode(), "SFC");

    // A hardware that is not set up: asked, then nothing happens.
    prompter.answer(true);
    EXPECT_FALSE(app.deleteSettingsFile("MD"));
    EXPECT_TRUE(prompter.allAnswersUsed());
}

TEST_F(ApplicationTest, SessionTempFoldersAreRecordedOnce) {
    app.recordSessionTempFolder("/tmp/a/");
    app.recordSessionTempFolder("/tmp/a/");
    app.recordSessionTempFolder("/tmp/b/");
    EXPECT_EQ(app.sessionTempFolders()[0], "/tmp/a/");
    EXPECT_EQ(app.sessionTempFolders()[1], "/tmp/b/");
    EXPECT_EQ(app.sessionTempFolders()[2], "");
    for (int i = 0; i < 60; ++i) app.recordSessionTempFolder("/t/" + std::to_string(i));
    EXPECT_EQ(app.sessionTempFolders()[47], "/t/45");  // full: the rest are not recorded
}
