#include "core/app/Application.h"

#include "core/app/TempFolders.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <filesystem>

#include "AppChecks.h"

using namespace romshelf;
namespace fsys = std::filesystem;
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

struct ApplicationTest : romshelf::test::AppChecks {
    RecordingListener listener;
    ApplicationTest() { app.setListener(&listener); }
    ~ApplicationTest() override { app.setListener(nullptr); }
    std::string savedMainData() {
        MainSettings m;
        m.customNames[0] = "ファミコン";
        DataStream s;
        EXPECT_TRUE(saveMainSettings(s, app.mainDataPath(), m));
        return dir.read("data/MainData.slb");
    }
    // The kept copies of a refused data file.
    std::vector<std::string> copiesOf(const std::string& name) const {
        std::vector<std::string> found;
        for (const auto& e : fsys::directory_iterator(dir.file("data")))
            if (e.path().filename().string().starts_with(name + ".broken-"))
                found.push_back(e.path().string());
        return found;
    }
    // FC with its own TEMP folder (relative to the program folder).
    void setUpWithTemp(const std::string& temp) {
        FolderSettings f;
        f.romFolderPaths[0] = "./roms/FC/", f.tempFolder = temp;
        writeFolderSettings("FC", f);
        dir.makeFolder("roms/FC");
    }
};
using DataSafetyTest = ApplicationTest;
using TempFoldersTest = ApplicationTest;

}  // namespace

TEST_F(ApplicationTest, FirstRunShowsNothingSetUpAndSavesTheDefaults) {
    EXPECT_EQ(app.loadMainSettings(), LoadResult::Missing);
    app.startUp();
    EXPECT_EQ(std::tuple(app.hardwareCombo().items, app.emulatorCombo().items, app.currentIndex()),
              std::tuple(V{"未設定"}, V{"未設定"}, -1));
    EXPECT_TRUE(prompter.boxes().empty());
    EXPECT_TRUE(app.shutDown());
    MainSettings counted;
    counted.extraOptions[0].value = 1;  // the first start of the program
    EXPECT_TRUE(savedSettings() == counted);
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
    EXPECT_EQ(std::tuple(app.currentCode(), app.hardwareCombo().selected), std::tuple("SFC", 0));
    // Loaded, so that a new record cannot replace the file's records.
    ASSERT_EQ(app.romTable().count(), 1);
    app.addRecord(record("Metroid"));
    app.shutDown();
    EXPECT_EQ(savedRecords("SFC").count(), 2);
}

TEST_F(ApplicationTest, ASwitchSavesTheOldHardwareAndReloadsInOrder) {
    setUpHardware("FC");
    setUpHardware("SFC");
    app.changeSettings([](MainSettings& s) { s.classListNames[1] = "SFCの分類"; });
    CategoryLists lists;
    lists.items[0] = {"ACT"}, lists.items[5] = {"ディスク"};
    DataStream s;
    lists.save(s, app.programFolder(), "FC");
    start("FC");
    app.addRecord(record("Mario"));

    listener.events.clear();
    ports.windows.events.clear();
    app.chooseHardware(0);  // already current: saved, nothing reloads
    EXPECT_EQ(ports.windows.events, V{"hide registration"});
    EXPECT_TRUE(listener.events.empty());
    EXPECT_EQ(savedRecords("FC").findRecordByTitle("Mario"), 0);

    app.chooseHardware(1);
    EXPECT_EQ(app.currentCode(), "SFC");
    EXPECT_EQ(listener.events,
              (V{"category names", "emulator combo", "recent files", "category lists", "file list",
                 "hardware", "panes", "folder window", "capture"}));
    EXPECT_EQ(app.romTable().count(), 0);
    // Category 1 is shared, the hardware class SFC's own.
    EXPECT_EQ(std::tuple(app.categoryLists().items[0], app.categoryLists().items[5]),
              std::tuple(V{"ACT"}, V{}));
    EXPECT_EQ(app.categoryNames()[5], "SFCの分類");
    EXPECT_EQ(app.folders().folders.romFolderPaths[0], dir.path() + "roms/SFC/");

    app.chooseHardware(0);
    EXPECT_EQ(app.romTable().findRecordByTitle("Mario"), 0);
    EXPECT_EQ(app.categoryLists().items[5], V{"ディスク"});
    app.chooseHardware(7);  // out of range: no change
    EXPECT_EQ(app.currentCode(), "FC");
}

TEST_F(ApplicationTest, DeletingASettingsFile) {
    setUpHardware("FC");
    setUpHardware("SFC");
    writeRecords("SFC", {record("Zelda")});
    start("FC");
    SettingsCommands& commands = app.settingsCommands();

    prompter.answer(false);
    EXPECT_FALSE(commands.deleteSettingsFile("FC"));
    EXPECT_TRUE(prompter.shownOnce(
        "ファミリーコンピュータの\nフォルダ設定ファイルを削除してもいいですか？", "警告", true));

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
    EXPECT_FALSE(has("data/Folder_FC.slb"));
    EXPECT_EQ(savedRecords("FC").findRecordByTitle("Mario"), 0);
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
    model.path(0) = "./roms/fc/", model.displayName = "ファミコン";
    ASSERT_TRUE(commands.saveFolderSettings("FC", model));
    commands.folderSettingsConfirmed("FC", model.displayName);

    // The first hardware set up becomes current and its data is loaded.
    EXPECT_EQ(app.currentCode(), "FC");
    EXPECT_EQ(app.hardwareCombo().items, V{"ファミコン"});
    EXPECT_EQ(app.folders().folders.romFolderPaths[0], dir.path() + "roms/fc/");
    EXPECT_EQ(stored(loadFolderSettingsFile, dir.file("data/Folder_FC.slb")).romFolderPaths[0],
              "./roms/fc/");
    EXPECT_EQ(app.sessionTempFolders()[0], dir.path() + "temp/");
    EXPECT_EQ(app.sessionTempFolders()[1], "");  // recorded once
}

TEST_F(ApplicationTest, ARefusedFolderFileLeavesNoHardwareCurrentAndIsReportedOnce) {
    setUpHardware("SFC");
    dir.write("data/Folder_FC.slb", "broken");
    start("FC");
    EXPECT_TRUE(prompter.shownOnce("フォルダ設定ファイルが異常です。\nデータを読み込めません。\n"));
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
    EXPECT_EQ(savedRecords("FC").findRecordByTitle("Mario"), 0);  // saved before the switch
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

// Nothing the user owns is lost: refused files are kept, saves keep the file's mode and links,
// failed saves are told, and a crashed save's leftovers are cleared.
TEST_F(DataSafetyTest, ARefusedFileIsKeptBesideItBeforeItIsRewritten) {
    const std::string good = savedMainData();
    const std::string cut = good.substr(0, good.size() - 1);  // missing only its last byte
    dir.write("data/MainData.slb", cut);
    EXPECT_EQ(app.loadMainSettings(), LoadResult::Rejected);
    ASSERT_EQ(copiesOf("MainData.slb").size(), 1u);
    const std::string copy = copiesOf("MainData.slb")[0];
    ASSERT_EQ(prompter.boxes().size(), 1u);
    EXPECT_NE(lastBox().find(copy), std::string::npos);  // the message names it

    // Never written over with the defaults it was taken for: the end says it was not saved.
    app.startUp();
    prompter.clear();
    EXPECT_FALSE(app.shutDown());
    EXPECT_EQ(dir.read("data/MainData.slb"), cut);
    EXPECT_NE(lastBox().find("読み込めなかったファイルなので、上書きしませんでした"),
              std::string::npos)
        << lastBox();
    EXPECT_EQ(dir.read(copy.substr(dir.path().size())), cut);  // and kept beside it

    // Refused again with the same bytes: the copy already there serves.
    dir.write("data/MainData.slb", cut);
    app.loadMainSettings();
    EXPECT_EQ(copiesOf("MainData.slb").size(), 1u);

    // Records read with bytes after them are kept too, without a word.
    setUpHardware("FC");
    writeRecords("FC", {record("Mario")});
    dir.write("data/RomData_FC.slb", dir.read("data/RomData_FC.slb") + "tail");
    prompter.clear();
    start("FC");
    EXPECT_EQ(app.romTable().count(), 1);
    EXPECT_TRUE(prompter.boxes().empty());
    EXPECT_EQ(copiesOf("RomData_FC.slb").size(), 1u);
}

TEST_F(DataSafetyTest, SavesKeepTheFilesModeAndWriteThroughLinks) {
    savedMainData();
    ::chmod(app.mainDataPath().c_str(), 0600);
    app.loadMainSettings();
    app.startUp();
    ASSERT_TRUE(app.shutDown());
    struct stat st {};
    ASSERT_EQ(::stat(app.mainDataPath().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);

    // The data file is a link to a file kept elsewhere: the file is updated, the link stays.
    const std::string elsewhere = dir.file("sync/MainData.slb");
    dir.makeFolder("sync");
    fsys::rename(app.mainDataPath(), elsewhere);
    fsys::create_symlink("../sync/MainData.slb", app.mainDataPath());
    app.changeSettings([](MainSettings& m) { m.customNames[1] = "スーファミ"; });
    ASSERT_TRUE(app.shutDown());
    EXPECT_TRUE(fsys::is_symlink(app.mainDataPath()));
    EXPECT_EQ(savedSettings(elsewhere).customNames[1], "スーファミ");
}

TEST_F(DataSafetyTest, SavesThatFailAreToldOnceWithTheirFilesAndReasons) {
    setUpHardware("FC");
    start("FC");
    app.addRecord(record("Mario"));
    // Folders where the files should go.
    dir.makeFolder("data/MainData.slb");
    dir.makeFolder("data/RomData_FC.slb");
    EXPECT_FALSE(app.shutDown());
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_TRUE(boxes()[0].starts_with("[警告] ")) << boxes()[0];
    for (const std::string& told : {dir.file("data/MainData.slb"), dir.file("data/RomData_FC.slb"),
                                    std::string("同じ名前のフォルダがあります")})
        EXPECT_NE(lastBox().find(told), std::string::npos) << lastBox();
}

TEST_F(DataSafetyTest, ACrashedSavesLeftoversAreRemovedAtStartUp) {
    const std::string old = dir.write("data/.romshelf-part-0123456789abcdef", "half a file");
    const std::string fresh = dir.write("data/.romshelf-part-fedcba9876543210", "being written");
    const std::string other = dir.write("data/.romshelf-part-notours", "kept");
    const struct utimbuf longAgo { 1000000000, 1000000000 };
    ::utime(old.c_str(), &longAgo);
    ::utime(other.c_str(), &longAgo);
    app.startUp();
    // A fresh one may be another instance's save in progress.
    EXPECT_EQ(std::tuple(fsys::exists(old), fsys::exists(fresh), fsys::exists(other)),
              std::tuple(false, true, true));
}

// The program folder deleted while the program runs (and then the program told to end): the sort
// keys learnt meanwhile do not bring it back. Once there is a folder again, they are kept.
TEST_F(DataSafetyTest, AnEndAfterTheProgramFolderWasDeletedLeavesItDeleted) {
    setUpHardware("FC");
    for (const char* file : {"a.nes", "b.nes", "c.nes"})
        dir.write(std::string("roms/FC/") + file, "");
    writeRecords("FC", {record("a", "さくら"), record("b", "かき"), record("c", "アイス")});
    start("FC");
    ASSERT_EQ(app.fileList().rows().size(), 3u);
    fsys::remove_all(dir.path());

    app.shutDown();
    EXPECT_FALSE(fsys::exists(dir.path()));

    // A program folder whose data are there again gets its keys, the cache folder made anew.
    fsys::create_directories(dir.file("data"));
    app.shutDown();
    EXPECT_TRUE(fsys::exists(dir.file("cache/sortkeys.bin")));
}

TEST_F(TempFoldersTest, SaveDataStaysAndEverythingElseGoesAtExitAndOnRequest) {
    setUpWithTemp("./tmp/fc/");
    for (const char* f : {"tmp/fc/game.nes", "tmp/fc/readme.txt", "tmp/fc/GAME.SAV", "tmp/fc/a.srm",
                          "tmp/fc/b.Ram", "tmp/fc/nes.ini", "tmp/fc/sub/deep.nes"})
        dir.write(f, "x");
    ::chmod(dir.file("tmp/fc/readme.txt").c_str(), 0444);  // read-only files go too
    start("FC");

    prompter.answer(false);
    EXPECT_EQ(app.tempFolders().clearCommand(), -1);
    EXPECT_TRUE(prompter.shownOnce("TEMPフォルダの中身を全て消去します。\n消去してもいいですか？",
                                   "TEMPフォルダのクリア確認", true));
    EXPECT_TRUE(has("tmp/fc/game.nes"));

    prompter.answer(true);
    EXPECT_EQ(app.tempFolders().clearCommand(), 2);
    for (const char* kept : {"tmp/fc/GAME.SAV", "tmp/fc/a.srm", "tmp/fc/b.Ram", "tmp/fc/nes.ini",
                             "tmp/fc/sub/deep.nes"})
        EXPECT_TRUE(has(kept)) << kept;

    dir.write("tmp/fc/unpacked.nes", "x");
    app.shutDown();  // no question at exit
    EXPECT_FALSE(has("tmp/fc/unpacked.nes"));
    EXPECT_EQ(prompter.boxes().size(), 2u);
}

TEST_F(TempFoldersTest, ATempFolderThatHoldsTheUsersFoldersIsNeverEmptied) {
    // TEMP set to the folder that holds the ROM folders, or to the program folder itself.
    for (const char* temp : {"./roms/", "./"}) {
        SCOPED_TRACE(temp);
        setUpWithTemp(temp);
        dir.write("roms/keep.txt", "mine");
        dir.write("keep.txt", "mine");
        prompter.clear();
        start("FC");
        app.shutDown();
        EXPECT_TRUE(has("roms/keep.txt") && has("keep.txt"));
        ASSERT_EQ(prompter.boxes().size(), 1u);
        EXPECT_NE(lastBox().find(dir.path()), std::string::npos);
    }
    // A TEMP that is a link to the ROM folders is one too.
    setUpWithTemp("./link/");
    fsys::create_directory_symlink(dir.file("roms"), dir.file("link"));
    dir.write("roms/keep.txt", "mine");
    prompter.clear();
    start("FC");
    app.shutDown();
    EXPECT_TRUE(has("roms/keep.txt"));
    EXPECT_EQ(prompter.boxes().size(), 1u);
    // Another hardware's snap folder inside this TEMP counts as well.
    FolderSettings md;
    md.romFolderPaths[0] = "./md/", md.snapFolderPaths[0] = "./tmp/fc/snaps/";
    writeFolderSettings("MD", md);
    setUpWithTemp("./tmp/fc/");
    dir.write("tmp/fc/snaps/a.png", "png");
    dir.write("tmp/fc/x.nes", "x");
    start("FC");
    app.shutDown();
    EXPECT_TRUE(has("tmp/fc/x.nes"));
}

TEST_F(TempFoldersTest, FoldersLeftByTheCommandLineAreCleanedNextTime) {
    setUpWithTemp("./tmp/fc/");
    dir.write("tmp/fc/left.nes", "x");
    start("FC");
    app.tempFolders().leaveFoldersForLater();  // what a command-line launch does at its end

    romshelf::test::FakePorts other;
    setUpHardware("SFC");
    Application next(ProgramFolder(dir.path()), other.host());
    next.preferHardware("SFC");
    next.startUp();
    next.shutDown();
    EXPECT_FALSE(has("tmp/fc/left.nes") || has("data/TempFolders.txt"));
}
