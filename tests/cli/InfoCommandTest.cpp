#include "cli/InfoCommand.h"

#include <gtest/gtest.h>

#include <sstream>

#include "AppFixture.h"
#include "core/views/BmpReader.h"
#include "core/views/DibPicture.h"

using namespace romshelf;
using V = std::vector<std::string>;

namespace {

// MD with "tab\tname.md" registered (a comment of two lines) and its picture in media folder 1.
struct InfoCommand : test::AppFixture {
    void SetUp() override {
        FolderSettings f;
        f.romFolderPaths[0] = "./roms/";
        f.mediaFolderPaths[0] = "./media/";
        writeFolderSettings("MD", f);
        writeRecords("MD", {{"tab\tname", "ゲーム", "", {}, "", "行1\n行2"}});
        dir.write("roms/tab\tname.md", std::string(1500, 'x'));
        DibPicture red;
        red.create(64, 32);
        red.fill({0, 0, 64, 32}, {255, 0, 0});
        ASSERT_TRUE(red.saveBmp(dir.write("media/tab\tname.bmp", "")));
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

TEST_F(InfoCommand, PrintsTheDetailWindowsTextsEscapedAndWritesTheMediaPicture) {
    const std::string bmp = dir.file("shown.bmp");
    ASSERT_EQ(run({"--folder", "0", "tab\\tname.md", "--media-picture", bmp}), 0);
    EXPECT_EQ(out,
              "database\t行1\\n行2\nname\tゲーム\n"
              "status\ttab\\tname.md - ファイルサイズ : 1 KB\nrating\t\ncategory1\t\n"
              "category2\t\ncategory3\t\ncategory4\t\ncategory5\t\nclass\t\n"
              "media-picture\t" +
                  dir.path() + "media/tab\\tname.bmp\nmedia-midi\t\nmedia-wave\t\n");
    const auto shown = readBmpFile(bmp);
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->width * 1000 + shown->height, 320 * 1000 + 240);
    EXPECT_EQ(shown->rgb[3 * (120 * 320 + 160)], 255);  // the red picture in the middle

    EXPECT_EQ(run({"--row", "1"}), 2);
    EXPECT_EQ(run({"--folder", "1", "tab\\tname.md"}), 2);
    EXPECT_EQ(run({"--row", "0", "--folder", "0", "x"}), 64);
    EXPECT_EQ(run({"--row", "0", "--media-picture", dir.file("no/such/folder/x.bmp")}), 1);
}

}  // namespace
