#include "core/app/Application.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "AppFixture.h"

using namespace romshelf;
using V = std::vector<std::string>;

namespace {

// Every notice in the order it came.
struct RecordingListener : ApplicationListener {
    V events;
    void hardwareComboChanged() override { events.push_back("hardware combo"); }
    void emulatorComboChanged() override { events.push_back("emulator combo"); }
    void recentFilesChanged() override { events.push_back("recent files"); }
    void categoryNamesChanged() override { events.push_back("category names"); }
    void categoryListsChanged() override { events.push_back("category lists"); }
    void fileListChanged() override { events.push_back("file list"); }
    void currentHardwareChanged() override { events.push_back("hardware"); }
    void detailPanesCleared() override { events.push_back("panes"); }
    void folderWindowReset() override { events.push_back("folder window"); }
    void captureToolReset() override { events.push_back("capture"); }
};

struct ApplicationTest : romshelf::test::AppFixture {
    RecordingListener listener;
    ApplicationTest() { app.setListener(&listener); }
    ~ApplicationTest() override { app.setListener(nullptr); }
    RomTable recordsOnDisk(const std::string& code) {
        RomTable table;
        DataStream s;
        table.load(s, dir.file("data/RomData_" + code + ".slb"), prompter);
        return table;
    }
};

}  // namespace

TEST_F(ApplicationTest, FirstRunShowsNothingSetUpAndSavesTheDefaults) {
    for (const char* f : {"data", "temp", "frame", "plugin"})
        EXPECT_TRUE(std::filesystem::is_directory(dir.file(f))) << f;
    EXPECT_EQ(app.loadMainSettings(), LoadResult::Missing);
    app.startUp();
    EXPECT_EQ(app.hardwareCombo().items, V{"未設定"});
    EXPECT_EQ(app.emulatorCombo().items, V{"未設定"});
    EXPECT_EQ(app.currentIndex(), -1);
    for (const auto& label : app.recentFileLabels()) EXPECT_FALSE(label.has_value());
    EXPECT_EQ(app.fileList().count(), 0);
    EXPECT_TRUE(prompter.boxes().empty());
    EXPECT_TRUE(app.shutDown());
    EXPECT_TRUE(savedSettings() == MainSettings());
}

TEST_F(ApplicationTest, TheHardwareComboListsSetUpHardwareInTableOrder) {
    setUpHardware("MD");
    setUpHardware("FC");
    setUpHardware("GC");  // no menu command creates it, but an existing file lists it
    app.changeSettings([](MainSettings& s) { s.customNames[7] = "Mega Drive"; });
    start("MD");
    EXPECT_EQ(app.hardwareCombo().items,
              (V{"ファミリーコンピュータ", "ゲームキューブ", "Mega Drive"}));
    EXPECT_EQ(app.hardwareCombo().selected, 2);
    // Shown names are kept as custom names from then on.
    EXPECT_EQ(app.settings().customNames[0], "ファミリーコンピュータ");
}

TEST_F(ApplicationTest, TheHardwareThatTakesOverFromAVanishedOneHasItsRecordsLoaded) {
    setUpHardware("SFC");
    setUpHardware("PCE");
    writeRecords("SFC", {record("Zelda")});
    start("FC");  // its folder file was deleted meanwhile
    EXPECT_EQ(app.currentCode(), "SFC");
    EXPECT_EQ(app.hardwareCombo().selected, 0);
    // Loaded, so that a new record cannot replace the file's records.
    ASSERT_EQ(app.romTable().count(), 1);
    app.addRecord(record("Metroid"));
    app.shutDown();
    EXPECT_EQ(recordsOnDisk("SFC").count(), 2);
}

TEST_F(ApplicationTest, ASwitchSavesTheOldHardwareAndReloadsInOrder) {
    setUpHardware("FC");
    setUpHardware("SFC");
    app.changeSettings([](MainSettings& s) { s.classListNames[1] = "SFCの分類"; });
    CategoryLists lists;
    lists.items[0] = {"ACT"};
    lists.items[5] = {"ディスク"};
    DataStream s;
    lists.save(s, app.programFolder(), "FC");
    start("FC");
    app.addRecord(record("Mario"));

    listener.events.clear();
    ports.windows.events.clear();
    app.chooseHardware(0);  // already current: saved, nothing reloads
    EXPECT_EQ(ports.windows.events, V{"hide registration"});
    EXPECT_TRUE(listener.events.empty());
    EXPECT_EQ(recordsOnDisk("FC").findRecordByTitle("Mario"), 0);

    app.chooseHardware(1);
    EXPECT_EQ(app.currentCode(), "SFC");
    EXPECT_EQ(listener.events,
              (V{"category names", "emulator combo", "recent files", "category lists", "file list",
                 "hardware", "panes", "folder window", "capture"}));
    EXPECT_EQ(app.romTable().count(), 0);
    EXPECT_EQ(app.categoryLists().items[0], V{"ACT"});  // shared
    EXPECT_TRUE(app.categoryLists().items[5].empty());  // SFC's own
    EXPECT_EQ(app.categoryNames()[5], "SFCの分類");
    EXPECT_EQ(app.folders().folders.romFolderPaths[0], dir.path() + "roms/SFC/");

    app.chooseHardware(0);
    EXPECT_EQ(app.romTable().findRecordByTitle("Mario"), 0);
    EXPECT_EQ(app.categoryLists().items[5], V{"ディスク"});
    app.chooseHardware(7);  // out of range: no change
    EXPECT_EQ(app.currentCode(), "FC");
}

TEST_F(ApplicationTest, TheEmulatorComboRemembersItsChoicePerHardware) {
    setUpHardware("FC");
    app.changeSettings([](MainSettings& s) { s.emulatorNames[0] = "gone emulator"; });
    start("FC");
    EXPECT_EQ(app.emulatorCombo().items, V{"未設定"});
    EXPECT_EQ(app.settings().emulatorNames[0], "");  // "未設定" is remembered as the empty text
}

TEST_F(ApplicationTest, DeletingASettingsFile) {
    setUpHardware("FC");
    setUpHardware("SFC");
    writeRecords("SFC", {record("Zelda")});
    start("FC");
    SettingsCommands& commands = app.settingsCommands();

    prompter.answer(false);
    EXPECT_FALSE(commands.deleteSettingsFile("FC"));
    ASSERT_EQ(prompter.boxes().size(), 1u);
    EXPECT_EQ(prompter.boxes()[0].text,
              "ファミリーコンピュータの\nフォルダ設定ファイルを削除してもいいですか？");
    EXPECT_TRUE(prompter.boxes()[0].question);

    // Another hardware's file: the current one's edits stay.
    app.addRecord(record("Mario"));
    prompter.answer(true);
    ASSERT_TRUE(commands.deleteSettingsFile("SFC"));
    EXPECT_EQ(app.currentCode(), "FC");
    EXPECT_EQ(app.romTable().findRecordByTitle("Mario"), 0);
    setUpHardware("SFC");

    // The current one's: only the folder file goes, and the next hardware is loaded.
    prompter.answer(true);
    ASSERT_TRUE(commands.deleteSettingsFile("FC"));
    EXPECT_FALSE(std::filesystem::exists(dir.file("data/Folder_FC.slb")));
    EXPECT_EQ(recordsOnDisk("FC").findRecordByTitle("Mario"), 0);
    EXPECT_EQ(app.hardwareCombo().items, V{"スーパーファミコン"});
    EXPECT_EQ(app.currentCode(), "SFC");
    EXPECT_EQ(app.romTable().findRecordByTitle("Zelda"), 0);

    // A hardware that is not set up: asked, then nothing happens.
    prompter.answer(true);
    EXPECT_FALSE(commands.deleteSettingsFile("MD"));
    EXPECT_TRUE(prompter.allAnswersUsed());
}

TEST_F(ApplicationTest, FolderSettingsAreStoredAsTypedAndUsedAbsolute) {
    app.startUp();
    SettingsCommands& commands = app.settingsCommands();
    FolderDialogModel model = commands.openFolderSettings("FC");
    EXPECT_EQ(model.displayName, "ファミリーコンピュータ");
    model.path(0) = "./roms/fc/";
    model.displayName = "ファミコン";
    ASSERT_TRUE(commands.saveFolderSettings("FC", model));
    commands.folderSettingsConfirmed("FC", model.displayName);

    // The first hardware set up becomes current and its data is loaded.
    EXPECT_EQ(app.currentCode(), "FC");
    EXPECT_EQ(app.hardwareCombo().items, V{"ファミコン"});
    EXPECT_EQ(app.folders().folders.romFolderPaths[0], dir.path() + "roms/fc/");
    FolderSettings stored;
    DataStream s;
    ASSERT_EQ(loadFolderSettingsFile(s, dir.file("data/Folder_FC.slb"), prompter, stored),
              LoadResult::Loaded);
    EXPECT_EQ(stored.romFolderPaths[0], "./roms/fc/");
    EXPECT_EQ(app.sessionTempFolders()[0], dir.path() + "temp/");
    EXPECT_EQ(app.sessionTempFolders()[1], "");  // recorded once
}

TEST_F(ApplicationTest, ARefusedFolderFileLeavesNoHardwareCurrentAndIsReportedOnce) {
    setUpHardware("SFC");
    dir.write("data/Folder_FC.slb", "broken");
    start("FC");
    ASSERT_EQ(prompter.boxes().size(), 1u);
    EXPECT_TRUE(prompter.boxes()[0].text.starts_with(
        "フォルダ設定ファイルが異常です。\nデータを読み込めません。\n"));
    EXPECT_EQ(app.romTable().count(), 0);
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

TEST_F(ApplicationTest, AShutDownInTheMiddleOfASwitchNeverWritesOneHardwaresDataUnderAnother) {
    ShutDownDuringBox boxes;
    romshelf::test::FakePorts other;
    Host host{boxes,       other.progress, other.processes, other.desktop,
              other.sound, other.images,   other.clock,     other.windows};
    Application app2(ProgramFolder(dir.path()), host);
    setUpHardware("FC");
    setUpHardware("SFC");
    writeRecords("SFC", {record("Zelda", "ゼルダ")});
    CategoryLists lists;
    lists.items[5] = {"SFC-class"};
    DataStream s;
    lists.save(s, ProgramFolder(dir.path()), "SFC");
    dir.write("data/Emulator_SFC.slb", "broken");  // its message box opens during the switch
    const std::string sfcRecords = dir.read("data/RomData_SFC.slb");
    const std::string sfcClasses = dir.read("data/ClassData_SFC.slb");

    app2.preferHardware("FC");
    app2.startUp();
    app2.addRecord(record("Mario", "マリオ"));
    boxes.app = &app2;
    app2.chooseHardware(1);
    EXPECT_EQ(dir.read("data/RomData_SFC.slb"), sfcRecords);
    EXPECT_EQ(dir.read("data/ClassData_SFC.slb"), sfcClasses);
    EXPECT_EQ(recordsOnDisk("FC").findRecordByTitle("Mario"), 0);  // saved before the switch
}

TEST(BusyGuard, WorkThatArrivesDuringWorkWaitsForItsEndInOrder) {
    BusyGuard guard;
    V ran;
    guard.whenIdle([&] { ran.push_back("idle: at once"); });
    {
        BusyGuard::Scope outer(guard);
        guard.whenIdle([&] { ran.push_back("first"); });
        {
            BusyGuard::Scope inner(guard);
            guard.whenIdle([&] {
                ran.push_back("second");
                // Work started by deferred work defers in its turn.
                BusyGuard::Scope again(guard);
                guard.whenIdle([&] { ran.push_back("third"); });
            });
        }
        EXPECT_EQ(ran, V{"idle: at once"});  // the inner end is not the end of the work
    }
    EXPECT_EQ(ran, (V{"idle: at once", "first", "second", "third"}));
    EXPECT_FALSE(guard.busy());
}
