// A program folder copied from Windows: its settings name drive letters and network shares. The
// drive map leads them to this machine's folders; what is stored keeps its Windows form, byte for
// byte, and only what the user edits changes.
#include <gtest/gtest.h>

#include "AppChecks.h"
#include "DataFileFixtures.h"
#include "RawBytes.h"
#include "core/app/FirstSteps.h"
#include "core/commands/Registration.h"
#include "core/app/StoredPaths.h"

using namespace romshelf;
using romshelf::test::RawRomRecord;

namespace {

// "D:\ROMS\ソフト\FC\" in CP932: ソ is 83 5C, whose second byte is a backslash.
const std::string kRomFolderCp932 = "D:\\ROMS\\\x83\x5c\x83\x74\x83\x67\\FC\\";
const std::string kRomFolder = "D:\\ROMS\\ソフト\\FC\\";
const std::string kShareFolder = "\\\\NAS\\games\\FC2\\";
const std::string kSnapFolder = "d:\\snap\\fc\\";
const std::string kEmulator = "C:\\Emu\\VirtuaNES\\VirtuaNES.exe";

struct WindowsFolderTest : romshelf::test::AppChecks {
    WindowsFolderTest() {
        // This machine's own Wine prefix has no say here.
        setenv("WINEPREFIX", dir.file("no-prefix").c_str(), 1);
        app.refreshDrives();
        // The disks as this machine has them: other letter case than the settings.
        dir.write("disk-d/roms/ソフト/fc/Mario.nes", "mario");
        dir.write("disk-d/roms/ソフト/fc/Zelda.nes", "zelda");
        dir.write("disk-d/Snap/FC/Mario.png", "png");
        dir.write("nas/fc2/Contra.nes", "contra");

        test::RawFolderStrings strings{};
        strings[0] = "\x83\x74\x83\x40\x83\x7e\x83\x52\x83\x93";  // ファミコン
        strings[1] = kRomFolderCp932;
        strings[2] = "NAS";
        strings[3] = kShareFolder;
        strings[500] = "snap";
        strings[501] = kSnapFolder;
        folderBytes = test::rawFolderFile(strings);
        dir.write("data/Folder_FC.slb", folderBytes);

        test::RawEmulatorBlocks blocks{};
        blocks[0] = test::rawBlock("VirtuaNES", kEmulator);
        blocks[0].options[1] = 1;
        emulatorBytes = test::rawEmulatorFile(blocks);
        dir.write("data/Emulator_FC.slb", emulatorBytes);

        records = {RawRomRecord("Mario", -1, 2),
                   RawRomRecord("Zelda", 0, 1, 0, "\x83\x81\x83\x82")};
        dir.write("data/RomData_FC.slb", test::rawRomFile(records));
    }

    ~WindowsFolderTest() override { unsetenv("WINEPREFIX"); }

    void mapDrives() {
        PlusSettings plus = app.plusSettings();
        plus.drives = {{"D:", dir.file("disk-d")}, {"\\\\nas\\GAMES", dir.file("nas/")}};
        app.changePlusSettings(plus);
    }
    std::vector<std::string> listed() const {
        std::vector<std::string> names;
        for (const FileListRow& row : app.fileList().rows())
            if (row.folderNumber >= 0) names.push_back(row.fileName());
        return names;
    }
    std::string hint() const { return firstStepsHint(app); }

    std::string folderBytes, emulatorBytes;
    std::vector<RawRomRecord> records;
};

}  // namespace

TEST_F(WindowsFolderTest, UnmappedDrivesAreToldByPathOnceAndTheListIsEmpty) {
    start("FC");
    EXPECT_TRUE(listed().empty());
    const std::string h = hint();
    for (const std::string& path : {kRomFolder, kShareFolder, kSnapFolder, kEmulator})
        EXPECT_NE(h.find(path), std::string::npos) << path << " in " << h;
    EXPECT_NE(h.find("「ドライブ」ページ"), std::string::npos);
    const std::string told = unmappedPathMessage(kRomFolder, "ROMフォルダ 1");
    EXPECT_TRUE(logged(told));
    EXPECT_NE(told.find(" D: "), std::string::npos);
    // A reload does not say it again.
    FolderDialogModel same = app.settingsCommands().openFolderSettings("FC");
    ASSERT_TRUE(app.settingsCommands().saveFolderSettings("FC", same));
    app.settingsCommands().folderSettingsConfirmed("FC", same.displayName);
    EXPECT_TRUE(listed().empty());
    EXPECT_EQ(std::ranges::count(log(), told), 1);
}

TEST_F(WindowsFolderTest, MappedDrivesListTheGamesAndAnEditChangesOnlyItsRecord) {
    start("FC");
    mapDrives();
    EXPECT_EQ(listed(), (std::vector<std::string>{"Contra.nes", "Mario.nes", "Zelda.nes"}));
    // Only the emulator's drive is still unmapped.
    EXPECT_EQ(
        unmappedCurrentPaths(app),
        (std::vector<std::pair<std::string, std::string>>{{"エミュレータ VirtuaNES", kEmulator}}));
    EXPECT_EQ(app.folders().folders.romFolderPaths[0], dir.file("disk-d/roms/ソフト/fc/"));
    EXPECT_EQ(app.folders().folders.snapFolderPaths[0], dir.file("disk-d/Snap/FC/"));

    // The emulator's drive is still unmapped: the launch says where to map it.
    EXPECT_FALSE(app.launchRow(rowOf("Zelda.nes")));
    EXPECT_TRUE(logged("指定されたエミュレータが見つかりません。"));
    EXPECT_TRUE(
        logged("C: がこのコンピュータのどのフォルダに当たるかが設定されていません"
               "（設定 > 環境設定 > ドライブ）。"));

    // The user edits Zelda's rating in the registration dialog.
    RegistrationModel model(app);
    ASSERT_TRUE(model.open(rowOf("Zelda.nes")));
    model.fields.rating = 4;
    ASSERT_TRUE(model.accept());
    ASSERT_TRUE(app.saveRecordEdits());
    ASSERT_TRUE(app.shutDown(false));

    records[1].rating = 4;
    EXPECT_TRUE(test::sameBytes(dir.read("data/RomData_FC.slb"), test::rawRomFile(records)));
    EXPECT_TRUE(test::sameBytes(dir.read("data/Folder_FC.slb"), folderBytes));
    EXPECT_TRUE(test::sameBytes(dir.read("data/Emulator_FC.slb"), emulatorBytes));
    // The map is the program's own file's, never the shared layouts'.
    EXPECT_NE(dir.read("data/romshelf-plus.ini").find("drive.D:=" + dir.file("disk-d") + "\n"),
              std::string::npos);
}

TEST_F(WindowsFolderTest, FoldersAndProgramsPickedUnderAMappedDriveAreKeptInWindowsForm) {
    start("FC");
    mapDrives();
    dir.write("disk-d/roms/新しい/x.nes", "x");
    FolderDialogModel folders = app.settingsCommands().openFolderSettings("FC");
    prompter.pickFolder(dir.file("disk-d/roms/新しい/"));
    ASSERT_TRUE(folders.browse(2, prompter));
    EXPECT_EQ(folders.path(2), "D:\\roms\\新しい\\");
    // A folder under no mapping stays a Linux path.
    prompter.pickFolder(dir.file("elsewhere/"));
    ASSERT_TRUE(folders.browse(3, prompter));
    EXPECT_EQ(folders.path(3), dir.file("elsewhere/"));
    ASSERT_TRUE(app.settingsCommands().saveFolderSettings("FC", folders));
    app.settingsCommands().folderSettingsConfirmed("FC", folders.displayName);
    EXPECT_GE(rowOf("x.nes", 2), 0) << ::testing::PrintToString(listed());

    dir.write("nas/emu/Nestopia.exe", "MZ");
    EmulatorDialogModel emulators = app.settingsCommands().openEmulatorSettings("FC");
    prompter.pickFile(dir.file("nas/emu/Nestopia.exe"));
    ASSERT_TRUE(emulators.browse(prompter));
    EXPECT_EQ(emulators.form().executable, "\\\\nas\\GAMES\\emu\\Nestopia.exe");

    // check-folder's rows: what is stored, where it leads, whether it exists.
    bool sawRom = false, sawEmulator = false;
    for (const StoredPath& p : app.storedPaths()) {
        if (p.hardware != "FC") continue;
        if (p.stored == kRomFolder) {
            sawRom = true;
            EXPECT_EQ(p.leadsTo, dir.file("disk-d/roms/ソフト/fc/"));
            EXPECT_TRUE(p.exists);
            EXPECT_EQ(p.label, "ROMフォルダ 1");
        }
        if (p.stored == kEmulator) {
            sawEmulator = true;
            EXPECT_EQ(p.leadsTo, "");
            EXPECT_FALSE(p.exists);
        }
    }
    EXPECT_TRUE(sawRom && sawEmulator);
    EXPECT_EQ(windowsRootsUsed(app.storedPaths()),
              (std::vector<std::string>{"D:", "\\\\NAS\\games", "C:"}));
}
