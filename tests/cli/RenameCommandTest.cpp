#include "cli/RenameCommand.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "AppFixture.h"

using namespace romshelf;
using V = std::vector<std::string>;

namespace {

// FC with ROM folder roms/ and no rename folders: files are renamed where they lie.
struct RenameCommand : test::AppFixture {
    RenameCommand() {
        setUpHardware("FC", "./roms/");
        dir.write("roms/Alpha.nes", std::string(700, 'a'));
        dir.write("roms/Beta.nes", std::string(700, 'b'));
    }
    // Runs `rename ARGS` on the program folder; its printed lines, and the messages in `err`.
    std::string rename(V args, int status = 0) {
        args.insert(args.end(), {"--program-folder", dir.path()});
        std::ostringstream out, errors;
        EXPECT_EQ(cli::renameCommand(args, out, errors), status) << errors.str();
        err = errors.str();
        return out.str();
    }
    std::string err;
};

TEST_F(RenameCommand, CreatesAppliesToTheListedRowsAndWritesTheUnownedList) {
    EXPECT_EQ(rename({"create", "--hardware", "FC", "--yes"}), "2 records written\n");
    std::filesystem::rename(dir.file("roms/Alpha.nes"), dir.file("roms/wrong1.nes"));
    std::filesystem::rename(dir.file("roms/Beta.nes"), dir.file("roms/wrong2.nes"));
    // Only the rows `list search wrong1 --field file` prints.
    EXPECT_EQ(rename({"apply", "--hardware", "FC", "search", "wrong1", "--field", "file",
                      "--unowned", dir.file("unowned.txt"), "--yes"}),
              "1 renamed\t0 clashed\t0 failed\n");
    EXPECT_TRUE(std::filesystem::exists(dir.file("roms/Alpha.nes")));
    EXPECT_TRUE(std::filesystem::exists(dir.file("roms/wrong2.nes")));
    EXPECT_EQ(dir.read("unowned.txt"), "Beta\n");
    EXPECT_NE(err.find("ファイルのリネームが終了しました。"), std::string::npos) << err;
}

TEST_F(RenameCommand, MergeDatAndRefusals) {
    rename({"create", "--hardware", "FC", "--yes", "--output", dir.file("one.dat")});
    rename({"create", "--hardware", "FC", "--yes", "--output", dir.file("two.dat")});
    EXPECT_EQ(rename({"merge", dir.file("one.dat"), dir.file("two.dat"), "--yes"}), "");
    EXPECT_NE(err.find("の内容を追加しました。"), std::string::npos) << err;
    dir.write("nes.dat",
              "<datafile><game name=\"G\"><rom name=\"G.nes\" size=\"1\" "
              "crc=\"e8b7be43\"/></game></datafile>");
    EXPECT_EQ(rename({"--dat", dir.file("nes.dat"), "--hardware", "FC", "--yes"}),
              "1 records written\n");
    rename({"merge", dir.file("one.dat")}, 64);
    rename({"apply"}, 64);
    rename({"shuffle", "--hardware", "FC"}, 64);
    rename({"apply", "--hardware", "FC"}, 1);  // the question answered no
}

}  // namespace
