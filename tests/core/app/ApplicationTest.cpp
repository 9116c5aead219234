#include "core/app/Application.h"

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
    void hideRegistrationDialog() override { ++switches; }
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

TEST_F(ApplicationTest, FolderSettingsAreStoredAsTypedAndUsedAbsolute) {
    app.startUp();
    FolderDialogModel model = app.openFolderSettings("FC");
    EXPECT_EQ(model.displayName, "ファミリーコンピュータ");
    model.path(0) = "./roms/fc/";
    model.displayName = "ファミコン";
    ASSERT_TRUE(app.saveFolderSettings("FC", model));
    app.folderSettingsConfirmed("FC", model.displayName);

    // The first hardware set up becomes current and its data is loaded.
    EXPECT_EQ(app.currentCode(), "FC");
    EXPECT_EQ(app.hardwareCombo().items, std::vector<std::string>{"ファミコン"});
    EXPECT_EQ(app.folders().folders.romFolderPaths[0], dir.path() + "roms/fc/");
    EXPECT_EQ(app.folders().folders.romFolderNames[0], "");  // a path ending in "/" names nothing
    FolderSettings stored;
    DataStream s;
    ASSERT_EQ(loadFolderSettingsFile(s, dir.file("data/Folder_FC.slb"), prompter, stored), LoadResult::Loaded);
    EXPECT_EQ(stored.romFolderPaths[0], "./roms/fc/");
    EXPECT_EQ(app.sessionTempFolders()[0], dir.path() + "temp/");
}

TEST_F(ApplicationTest, SwitchingSavesTheOldHardwareAndLoadsTheNew) {
    setUp("FC");
    setUp("SFC");
    app.settings().currentHardware = "FC";
    app.settings().classListNames[1] = "SFCの分類";
    app.startUp();
    RomRecord mario;
    mario.fileTitle = "Mario";
    app.romTable().append(mario);
    app.categoryLists().items[0] = {"ACT"};
    app.categoryLists().items[5] = {"ディスク"};

    app.chooseHardware(1);
    EXPECT_EQ(app.currentCode(), "SFC");
    EXPECT_TRUE(std::filesystem::exists(dir.file("data/RomData_FC.slb")));
    EXPECT_TRUE(std::filesystem::exists(dir.file("data/ClassData_FC.slb")));
    EXPECT_EQ(app.romTable().count(), 0);
    EXPECT_EQ(app.categoryLists().items[0], std::vector<std::string>{"ACT"});  // shared
    EXPECT_TRUE(app.categoryLists().items[5].empty());                          // SFC's own
    EXPECT_EQ(app.classListName(), "SFCの分類");
    EXPECT_EQ(app.folders().folders.romFolderPaths[0], dir.path() + "roms/SFC/");

    app.chooseHardware(0);
    ASSERT_EQ(app.romTable().count(), 1);
    EXPECT_EQ(app.romTable()[0].fileTitle, "Mario");
    EXPECT_EQ(app.categoryLists().items[5], std::vector<std::string>{"ディスク"});

    // Choosing the current hardware saves but reloads nothing.
    app.romTable().edit(0, [](RomRecord& r) { r.gameName = "unsaved edit"; });
    app.chooseHardware(0);
    EXPECT_EQ(app.romTable()[0].gameName, "unsaved edit");
    RomTable fromDisk;
    DataStream s;
    fromDisk.load(s, dir.file("data/RomData_FC.slb"), prompter);
    EXPECT_EQ(fromDisk[0].gameName, "unsaved edit");
}

TEST_F(ApplicationTest, ABrokenFolderFileLeavesNoHardwareCurrent) {
    setUp("SFC");
    dir.write("data/Folder_FC.slb", "garbage");
    app.settings().currentHardware = "FC";
    app.loadCurrentHardwareData();
    EXPECT_EQ(app.currentCode(), "");
    ASSERT_EQ(prompter.boxes().size(), 1u);
    EXPECT_EQ(prompter.boxes()[0].text, "フォルダ設定ファイルが異常です。\nデータを読み込めません。");
    EXPECT_EQ(app.folders().folders.tempFolder, dir.path() + "temp/");
}

TEST_F(ApplicationTest, TheHardwareThatTakesOverHasItsRecordsLoaded) {
    setUp("FC");
    setUp("SFC");
    RomTable sfc;
    RomRecord r;
    r.fileTitle = "Zelda";
    sfc.append(r);
    DataStream s;
    ASSERT_TRUE(sfc.save(s, dir.file("data/RomData_SFC.slb")));
    const std::string before = dir.read("data/RomData_SFC.slb");
    // FC was current, but its settings are gone: SFC takes over at start-up.
    std::filesystem::remove(dir.file("data/Folder_FC.slb"));
    app.settings().currentHardware = "FC";
    app.startUp();
    EXPECT_EQ(app.currentCode(), "SFC");
    ASSERT_EQ(app.romTable().count(), 1);  // so a new record cannot replace the file's records
    RomRecord added;
    added.fileTitle = "Metroid";
    app.romTable().append(added);
    app.shutDown();
    RomTable reread;
    reread.load(s, dir.file("data/RomData_SFC.slb"), prompter);
    EXPECT_EQ(reread.count(), 2);
}

TEST_F(ApplicationTest, RecentLaunchesUseTheRomFolders) {
    setUp("FC");
    dir.write("roms/FC/mario.nes", "x");
    app.settings().currentHardware = "FC";
    app.startUp();
    app.addRecentLaunch("Mario", "mario.nes", 0);
    app.addRecentLaunch("Gone", "gone.nes", 0);  // its file does not exist
    auto labels = app.recentFileLabels();
    EXPECT_EQ(labels[0], "&1 Mario");
    EXPECT_FALSE(labels[1].has_value());
}

namespace {

// A message box during which the program is asked to end (a signal while the box is open).
struct ShutDownDuringBox : romshelf::test::ScriptedPrompter {
    Application* app = nullptr;
    bool messageBox(const std::string& text, const std::string& title, bool question) override {
        if (app) app->shutDown();
        return ScriptedPrompter::messageBox(text, title, question);
    }
};

}  // namespace

TEST(ApplicationSafety, AShutDownInTheMiddleOfASwitchNeverWritesOneHardwaresDataUnderAnother) {
    romshelf::test::TempFolder dir;
    ShutDownDuringBox prompter;
    Application app(ProgramFolder(dir.path()), prompter);
    app.createFolders();
    DataStream s;
    for (const char* code : {"FC", "SFC"}) {
        FolderSettings f;
        f.romFolderPaths[0] = "./roms/";
        ASSERT_TRUE(saveFolderSettingsFile(s, dir.file(std::string("data/Folder_") + code + ".slb"), f));
    }
    RomTable sfc;
    sfc.append(RomRecord{"Zelda", "ゼルダ", "", {}, "", "", false, -1, 0});
    ASSERT_TRUE(sfc.save(s, dir.file("data/RomData_SFC.slb")));
    CategoryLists lists;
    lists.items[5] = {"SFC-class"};
    lists.save(s, ProgramFolder(dir.path()), "SFC");
    dir.write("data/Emulator_SFC.slb", "broken");  // its message box opens during the switch
    const std::string sfcRecords = dir.read("data/RomData_SFC.slb");
    const std::string sfcClasses = dir.read("data/ClassData_SFC.slb");

    app.settings().currentHardware = "FC";
    app.startUp();
    app.romTable().append(RomRecord{"Mario", "マリオ", "", {}, "", "", false, -1, 0});
    app.categoryLists().items[5] = {"FC-class"};
    prompter.app = &app;
    app.chooseHardware(1);
    EXPECT_EQ(dir.read("data/RomData_SFC.slb"), sfcRecords);
    EXPECT_EQ(dir.read("data/ClassData_SFC.slb"), sfcClasses);
    RomTable fc;
    fc.load(s, dir.file("data/RomData_FC.slb"), prompter);
    EXPECT_EQ(fc.findRecordByTitle("Mario"), 0);  // the old hardware was saved before the switch
}

TEST_F(ApplicationTest, DeletingAnotherHardwaresSettingsKeepsTheCurrentOnesEdits) {
    setUp("FC");
    setUp("SFC");
    app.settings().currentHardware = "FC";
    app.startUp();
    app.romTable().append(RomRecord{"Mario", "", "", {}, "", "", false, -1, 0});
    app.categoryLists().items[0] = {"ACT"};
    prompter.answer(true);
    ASSERT_TRUE(app.deleteSettingsFile("SFC"));
    EXPECT_EQ(app.currentCode(), "FC");
    EXPECT_EQ(app.romTable().findRecordByTitle("Mario"), 0);
    EXPECT_EQ(app.categoryLists().items[0], std::vector<std::string>{"ACT"});
}

TEST_F(ApplicationTest, AfterDeletingTheCurrentSettingsTheNextHardwareIsLoaded) {
    setUp("FC");
    setUp("SFC");
    RomTable sfc;
    sfc.append(RomRecord{"Zelda", "", "", {}, "", "", false, -1, 0});
    DataStream s;
    ASSERT_TRUE(sfc.save(s, dir.file("data/RomData_SFC.slb")));
    app.settings().currentHardware = "FC";
    app.startUp();
    prompter.answer(true);
    ASSERT_TRUE(app.deleteSettingsFile("FC"));
    EXPECT_EQ(app.currentCode(), "SFC");
    EXPECT_EQ(app.romTable().findRecordByTitle("Zelda"), 0);
    EXPECT_EQ(app.folders().folders.romFolderPaths[0], dir.path() + "roms/SFC/");
}

TEST_F(ApplicationTest, ARefusedFolderFileIsReportedOnce) {
    setUp("SFC");
    dir.write("data/Folder_FC.slb", "broken");
    app.settings().currentHardware = "FC";
    app.startUp();
    EXPECT_EQ(prompter.boxes().size(), 1u);
    EXPECT_EQ(app.romTable().count(), 0);
}

TEST(FolderSettingsPaths, TheDefaultTempFolderIsInTheProgramFolderEvenWithDotsInItsName) {
    EXPECT_EQ(emptyLoadedFolders("/opt/a..b/").folders.tempFolder, "/opt/a..b/temp/");
    EXPECT_EQ(resolveLoadedFolders(FolderSettings{}, "/opt/a..b/", false).folders.tempFolder, "/opt/a..b/temp/");
}
