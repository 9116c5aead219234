#include "cli/InfoCommand.h"

#include <gtest/gtest.h>

#include <sstream>

#include "AppFixture.h"
#include "RomImages.h"
#include "core/views/BmpReader.h"
#include "core/views/DibPicture.h"

using namespace romshelf;
using V = std::vector<std::string>;

namespace {

// MD with "tab\tname.md" registered (a comment of two lines), a red picture in media folder 1
// and a blue snap in snap folder 1.
struct InfoCommand : test::AppFixture {
    void SetUp() override {
        FolderSettings f;
        f.romFolderPaths[0] = "./roms/";
        f.mediaFolderPaths[0] = "./media/";
        f.snapFolderPaths[0] = "./snap/";
        writeFolderSettings("MD", f);
        writeRecords("MD", {{"tab\tname", "ゲーム", "", {}, "", "行1\n行2"}});
        dir.write("roms/tab\tname.md", std::string(1500, 'x'));
        DibPicture red;
        red.create(64, 32);
        red.fill({0, 0, 64, 32}, {255, 0, 0});
        ASSERT_TRUE(red.saveBmp(dir.write("media/tab\tname.bmp", "")));
        red.fill({0, 0, 64, 32}, {0, 0, 255});
        ASSERT_TRUE(red.saveBmp(dir.write("snap/tab\tname.bmp", "")));
    }
    // The picture written to `path`: its size, and the red and blue of pixel (x, y).
    static std::array<int, 4> picture(const std::string& path, int x, int y) {
        const auto p = readBmpFile(path);
        if (!p) return {};
        const std::size_t at = 3 * static_cast<std::size_t>(y * p->width + x);
        return {p->width, p->height, p->rgb[at], p->rgb[at + 2]};
    }
    int run(V more) {
        more.insert(more.begin(), {"--program-folder", dir.path(), "--hardware", "MD"});
        std::ostringstream o, e;
        const int status = cli::showInfo(more, o, e);
        out = o.str();
        return status;
    }
    std::string out;
};

TEST_F(InfoCommand, PrintsTheDetailWindowsTextsEscapedAndWritesTheirPictures) {
    const std::string media = dir.file("media.bmp"), snap = dir.file("snap.bmp");
    ASSERT_EQ(
        run({"--folder", "0", "tab\\tname.md", "--media-picture", media, "--snap-picture", snap}),
        0);
    EXPECT_EQ(out,
              "database\t行1\\n行2\nname\tゲーム\n"
              "status\ttab\\tname.md - ファイルサイズ : 1 KB\nrating\t\ncategory1\t\n"
              "category2\t\ncategory3\t\ncategory4\t\ncategory5\t\nclass\t\n"
              "media-picture\t" +
                  dir.path() + "media/tab\\tname.bmp\nmedia-midi\t\nmedia-wave\t\nsnap\t" +
                  dir.path() + "snap/tab\\tname.bmp\n");
    // Each picture in the middle of its 320 x 240 window; the snap's frame round it.
    EXPECT_EQ(picture(media, 160, 120), (std::array<int, 4>{320, 240, 255, 0}));
    EXPECT_EQ(picture(snap, 160, 120), (std::array<int, 4>{320, 240, 0, 255}));
    EXPECT_NE(picture(snap, 2, 2)[3], 255);

    EXPECT_EQ(run({"--row", "1"}), 2);
    EXPECT_EQ(run({"--folder", "1", "tab\\tname.md"}), 2);
    EXPECT_EQ(run({"--row", "0", "--folder", "0", "x"}), 64);
    EXPECT_EQ(run({"--row", "0", "--media-picture", dir.file("no/such/folder/x.bmp")}), 1);
}

}  // namespace

TEST_F(InfoCommand, HeaderPrintsTheReadersLinesForAFileOrAnArchivesMember) {
    dir.write("h/game.md", test::rom::megaDrive(32, "SONIC"));
    dir.write("h/game.gb", test::rom::gameBoy("TETRIS"));
    dir.write("h/data.bin", test::rom::gameBoy("TETRIS"));
    dir.write("h/game.pce", "x");
    writeZip("h/game.zip", {{"inner.gb", test::rom::gameBoy("ZIPPED")}});
    const struct {
        V args;
        int status;
        std::string line;  // among those printed
    } cases[] = {
        {{"--hardware", "MD", "--header", dir.file("h/game.md")}, 0, "国内名: SONIC"},
        {{"--header", dir.file("h/game.gb")}, 0, "タイトル: TETRIS"},  // by the extension
        {{"--header", dir.file("h/game.zip")}, 0, "タイトル: ZIPPED"},
        // .bin is read as a Mega Drive image unless the hardware is named.
        {{"--header", dir.file("h/data.bin")}, 1, "メガドライブのヘッダが正しくありません。"},
        {{"--header", dir.file("h/data.bin"), "--hardware", "GB"}, 0, "タイトル: TETRIS"},
        {{"--header", dir.file("h/game.pce")}, 2, ""},
        {{"--header", dir.file("h/missing.gb")}, 1, ""},
        {{"--header"}, 64, ""},
    };
    for (const auto& c : cases) {
        std::ostringstream o, e;
        EXPECT_EQ(cli::showInfo(c.args, o, e), c.status) << c.args.back() << e.str();
        EXPECT_NE(("\n" + o.str()).find("\n" + c.line), std::string::npos) << o.str();
    }
}
