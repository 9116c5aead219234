#include "core/app/RowDetails.h"

#include <gtest/gtest.h>

#include "AppFixture.h"
#include "core/pictures/DetailPictures.h"

using namespace romshelf;

namespace {

// SFC with ROM folder 1 at roms/ and media folder 1 at media/: game.sfc (2 KB) registered with
// every field, other.sfc (3 bytes) not.
struct DetailWindows : test::AppFixture {
    void SetUp() override {
        FolderSettings f;
        f.romFolderPaths[0] = "./roms/", f.mediaFolderPaths[0] = "./media/";
        writeFolderSettings("SFC", f);
        RomRecord r{"game", "ゲーム", "", {"RPG", "", "スクウェア"}, "名作", "一行目\r\n二行目"};
        r.rating = 3;
        writeRecords("SFC", {r});
        dir.write("roms/game.sfc", std::string(2048, 'x'));
        dir.write("roms/other.sfc", "abc");
    }
    RowDetails details(const std::string& file) {
        for (const FileListRow& r : app.fileList().rows())
            if (r.fileName() == file) return rowDetails(app, r);
        throw std::runtime_error("no row " + file);
    }
};

TEST_F(DetailWindows, RegisteredUnregisteredAndFilelessRows) {
    start("SFC");
    EXPECT_EQ(details("game.sfc").info, (FileInfoTexts{"ゲーム",
                                                       "game.sfc - ファイルサイズ : 2 KB",
                                                       "★★★",
                                                       {"RPG", "", "スクウェア", "", "", "名作"}}));
    EXPECT_EQ(details("game.sfc").database, "一行目\r\n二行目");
    EXPECT_EQ(details("other.sfc").info,
              (FileInfoTexts{"other", "other.sfc - ファイルサイズ : 3 Byte", "", {}}));
    EXPECT_EQ(details("other.sfc").database, "");

    // The placeholder row and an unowned file name no file; a record index out of range (a
    // record removed since the list was built) gives no comment.
    for (const int folder : {kPlaceholderFolder, kUnownedFolder}) {
        FileListRow r = app.fileList().rows()[0];
        r.folderNumber = folder;
        r.recordIndex = 1;
        const RowDetails d = rowDetails(app, r);
        EXPECT_EQ(d.info.status + d.database, "") << folder;
    }

    app.changeSettings([](MainSettings& s) {
        s.options[static_cast<std::size_t>(Option::ShowCategoryItemNames)] = true;
    });
    const auto names = app.categoryNames();
    const FileInfoTexts named = details("game.sfc").info;
    // Named even when empty.
    EXPECT_EQ(std::tie(named.categories[0], named.categories[1], named.categories[5]),
              std::tuple(names[0] + " : RPG", names[1] + " : ", names[5] + " : 名作"));
}

TEST_F(DetailWindows, AnOtherSoftwareEntryNamesTheFileAtItsLocation) {
    FolderSettings f;
    f.romFolderPaths = {"./tools/run.sh",
                        "./tools/docs"};  // the second a folder: nothing to measure
    writeFolderSettings("HARD", f);
    dir.write("tools/run.sh", std::string(5000, '#'));
    dir.makeFolder("tools/docs");
    start("HARD");
    EXPECT_EQ(details("run.sh").info.status, "run.sh - ファイルサイズ : 4 KB");
    EXPECT_EQ(details("docs").info.status, "docs - ファイルサイズ : 0 Byte");
}

TEST_F(DetailWindows, TheMediaPictureIsWhiteUnlessItsFileReadsAndSitsOnTheFrame) {
    DibPicture frame, red;
    frame.create(320, 240);
    frame.fill({0, 0, 320, 240}, {0, 128, 0});
    ASSERT_TRUE(frame.saveBmp(dir.file("frame/frame_SFC.bmp")));
    red.create(100, 100);
    red.fill({0, 0, 100, 100}, {255, 0, 0});
    ASSERT_TRUE(red.saveBmp(dir.write("media/game.bmp", "")));
    dir.write("media/other.bmp", "BM broken");
    start("SFC");

    MediaPicture picture;
    picture.loadFrame(app.programFolder().frameFolder(), "SFC", app.host().images, false);
    picture.show(details("game.sfc").media.picture, app.host().images, false);
    EXPECT_TRUE(picture.loaded());
    EXPECT_EQ(picture.display().pixel(110, 70), (Colour{255, 0, 0}));  // centred
    EXPECT_EQ(picture.display().pixel(109, 70), (Colour{0, 128, 0}));

    const std::string broken = details("other.sfc").media.picture;
    EXPECT_EQ(broken, dir.file("media/other.bmp"));
    for (const std::string& path : {broken, std::string()}) {
        picture.show(path, app.host().images, true);
        EXPECT_FALSE(picture.loaded());
        EXPECT_EQ(picture.display().pixel(0, 0), (Colour{255, 255, 255})) << path;
    }
}

// The user's frame/FileData.bmp behind the texts; none, or one that does not read, gives ours.
TEST_F(DetailWindows, TheFileInformationBackgroundIsTheUsersPictureElseTheBuiltInOne) {
    DibPicture builtIn, green, shown;
    drawBuiltInFileInfoBackground(builtIn);
    green.create(320, 83);
    green.fill({0, 0, 320, 83}, {0, 128, 0});
    const auto background = [&] {
        loadFileInfoBackground(shown, app.programFolder().frameFolder(), app.host().images, false);
        return shown.pixel(5, 5);
    };
    EXPECT_EQ(background(), builtIn.pixel(5, 5));
    dir.write("frame/FileData.bmp", "BM broken");
    EXPECT_EQ(background(), builtIn.pixel(5, 5));
    ASSERT_TRUE(green.saveBmp(dir.file("frame/FileData.bmp")));
    EXPECT_EQ(background(), (Colour{0, 128, 0}));
}

}  // namespace
