#include <gtest/gtest.h>

#include "AppChecks.h"
#include "LaunchFixture.h"
#include "core/app/Application.h"

using namespace romshelf;

namespace {

struct OtherSoftwareTest : romshelf::test::AppChecks {
    SettingsCommands& commands() { return app.settingsCommands(); }
};

}  // namespace

TEST_F(OtherSoftwareTest, AMissingFileOpensEmptyAndARefusedOneIsToldAndOpensEmpty) {
    app.startUp();
    for (const bool refused : {false, true}) {
        if (refused) dir.write("data/Folder_HARD.slb", "broken");
        prompter.clear();
        FolderDialogModel m = commands().openFolderSettings("HARD");
        EXPECT_EQ(m.kind(), FolderDialogKind::OtherSoftware);
        EXPECT_EQ(m.displayName, "その他のソフト");
        EXPECT_EQ(m.settings(), FolderSettings{});
        EXPECT_EQ(std::tuple(m.nameLabel(0), m.pathLabel(4)),
                  std::tuple("ソフト 1の名前", "ソフト 5の場所"));
        ASSERT_EQ(prompter.boxes().size(), refused ? 1u : 0u);
        EXPECT_EQ(lastBox().starts_with("フォルダ設定ファイルが異常です。"), refused);
    }
}

TEST_F(OtherSoftwareTest, SavingKeepsTheSoftwareAndSnapFolderOneAndEmptiesTheRest) {
    FolderSettings full;
    for (auto* field :
         {&full.romFolderNames[249], &full.romFolderPaths[249], &full.snapFolderNames[0],
          &full.snapFolderPaths[0], &full.snapFolderNames[1], &full.snapFolderPaths[4],
          &full.renameOkFolder, &full.renameFailedFolder, &full.duplicateFolder, &full.tempFolder,
          &full.saveFolder, &full.extraExtensions[0], &full.extraExtensions[8],
          &full.mediaFolderPaths[0], &full.mediaFolderPaths[4]})
        *field = "./x";
    writeFolderSettings("HARD", full);
    FolderDialogModel m = commands().openFolderSettings("HARD");
    EXPECT_EQ(m.settings(), full);  // read as stored
    ASSERT_TRUE(commands().saveFolderSettings("HARD", m));

    FolderSettings kept;
    kept.romFolderNames[249] = kept.romFolderPaths[249] = "./x";
    kept.snapFolderNames[0] = kept.snapFolderPaths[0] = "./x";
    EXPECT_EQ(stored(loadFolderSettingsFile, dir.file("data/Folder_HARD.slb")), kept);
}

TEST_F(OtherSoftwareTest, RowsAreNamedAfterTheirFileWithoutExtension) {
    FolderDialogModel m = commands().openFolderSettings("HARD");
    m.path(0) = "/apps/tool.sh";
    m.path(1) = "/docs/read.me.txt";
    m.path(2) = "/apps/noext";
    m.name(2) = "kept";
    prompter.pickFile(dir.file("apps/エディタ.bin"));
    ASSERT_TRUE(m.browse(3, prompter));
    prompter.pickFile(std::nullopt);
    EXPECT_FALSE(m.browse(4, prompter));  // cancelled: the row stays empty
    ASSERT_EQ(prompter.filePickers.size(), 2u);
    const auto& picker = prompter.filePickers[0];
    EXPECT_EQ(std::tie(picker.title, picker.filterDescription, picker.pattern),
              std::tuple("その他のソフトの場所を指定してください", "その他のソフト", "*"));
    EXPECT_EQ(m.path(3), dir.file("apps/エディタ.bin"));
    m.nextPage();
    const auto& names = m.settings().romFolderNames;
    EXPECT_EQ((std::vector<std::string>(names.begin(), names.begin() + 5)),
              (std::vector<std::string>{"tool", "read.me", "kept", "エディタ", ""}));
}

TEST_F(OtherSoftwareTest, AnEntryAddedInTheDialogIsListedAndStarts) {
    FolderSettings f;
    f.romFolderPaths[0] = romshelf::test::installRecorder(dir.file("apps/first"));
    writeFolderSettings("HARD", f);
    start("HARD");
    ASSERT_EQ(app.fileList().count(), 1);

    const std::string added = romshelf::test::installRecorder(dir.file("apps/second tool"));
    FolderDialogModel m = commands().openFolderSettings("HARD");
    prompter.pickFile(added);
    ASSERT_TRUE(m.browse(1, prompter));
    m.displayName = "ツール";
    ASSERT_TRUE(commands().saveFolderSettings("HARD", m));
    commands().folderSettingsConfirmed("HARD", m.displayName);

    EXPECT_EQ(app.settings().customNames[static_cast<std::size_t>(hardwareIndexOf("HARD"))],
              "ツール");
    EXPECT_EQ(app.hardwareCombo().items, std::vector<std::string>{"ツール"});
    ASSERT_EQ(app.fileList().count(), 2);
    ASSERT_TRUE(app.launchRow(rowOf("second tool")));
    EXPECT_TRUE(romshelf::test::readRecord(added).ran);
    EXPECT_FALSE(romshelf::test::readRecord(dir.file("apps/first"), 200).ran);
}
