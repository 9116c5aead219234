#include "core/app/TempFolders.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "AppFixture.h"

using namespace romshelf;
namespace fsys = std::filesystem;

namespace {

struct TempFoldersTest : romshelf::test::AppFixture {
    // FC with its own TEMP folder (relative to the program folder).
    void setUpWithTemp(const std::string& temp, const std::string& roms = "./roms/FC/") {
        FolderSettings f;
        f.romFolderPaths[0] = roms;
        f.tempFolder = temp;
        writeFolderSettings("FC", f);
        dir.makeFolder("roms/FC");
    }
    bool exists(const std::string& relative) const { return fsys::exists(dir.file(relative)); }
};

}  // namespace

TEST_F(TempFoldersTest, SaveDataStaysAndEverythingElseGoesAtExitAndOnRequest) {
    setUpWithTemp("./tmp/fc/");
    for (const char* f : {"tmp/fc/game.nes", "tmp/fc/readme.txt", "tmp/fc/GAME.SAV", "tmp/fc/a.srm",
                          "tmp/fc/b.Ram", "tmp/fc/nes.ini", "tmp/fc/sub/deep.nes"})
        dir.write(f, "x");
    ::chmod(dir.file("tmp/fc/readme.txt").c_str(), 0444);  // read-only files go too
    start("FC");

    prompter.answer(false);
    EXPECT_EQ(app.tempFolders().clearCommand(), -1);
    ASSERT_EQ(prompter.boxes().size(), 1u);
    EXPECT_EQ(prompter.boxes()[0].text,
              "TEMPフォルダの中身を全て消去します。\n消去してもいいですか？");
    EXPECT_EQ(prompter.boxes()[0].title, "TEMPフォルダのクリア確認");
    EXPECT_TRUE(exists("tmp/fc/game.nes"));

    prompter.answer(true);
    EXPECT_EQ(app.tempFolders().clearCommand(), 2);
    for (const char* kept : {"tmp/fc/GAME.SAV", "tmp/fc/a.srm", "tmp/fc/b.Ram", "tmp/fc/nes.ini",
                             "tmp/fc/sub/deep.nes"})
        EXPECT_TRUE(exists(kept)) << kept;

    dir.write("tmp/fc/unpacked.nes", "x");
    app.shutDown();  // no question at exit
    EXPECT_FALSE(exists("tmp/fc/unpacked.nes"));
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
        EXPECT_TRUE(exists("roms/keep.txt"));
        EXPECT_TRUE(exists("keep.txt"));
        ASSERT_EQ(prompter.boxes().size(), 1u);
        EXPECT_NE(prompter.boxes()[0].text.find(dir.path()), std::string::npos);
    }
    // Another hardware's snap folder inside this TEMP counts as well.
    FolderSettings md;
    md.romFolderPaths[0] = "./md/";
    md.snapFolderPaths[0] = "./tmp/fc/snaps/";
    writeFolderSettings("MD", md);
    setUpWithTemp("./tmp/fc/");
    dir.write("tmp/fc/snaps/a.png", "png");
    dir.write("tmp/fc/x.nes", "x");
    start("FC");
    app.shutDown();
    EXPECT_TRUE(exists("tmp/fc/x.nes"));
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
    EXPECT_FALSE(exists("tmp/fc/left.nes"));
    EXPECT_FALSE(exists("data/TempFolders.txt"));
}
