#include "cli/FileOpsCommand.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "AppFixture.h"

using namespace romshelf;
using V = std::vector<std::string>;

namespace {

// FC with ROM folders roms/ and other/.
struct FileOpsCommand : test::AppFixture {
    FileOpsCommand() {
        FolderSettings f;
        f.romFolderNames = {"A", "B"};
        f.romFolderPaths = {"./roms/", "./other/"};
        writeFolderSettings("FC", f);
        dir.makeFolder("other");
        dir.write("roms/Mario.nes", std::string(3000, 'm'));
        dir.write("roms/Zelda.nes", "zelda");
    }
    int run(const std::string& operation, V args) {
        args.insert(args.end(), {"--program-folder", dir.path(), "--hardware", "FC", "--yes"});
        std::ostringstream out, err;
        const int status = cli::fileOperation(operation, args, out, err);
        printed = out.str();
        return status;
    }
    bool has(const std::string& file) const { return std::filesystem::exists(dir.file(file)); }
    std::string printed;
};

// A file packed and its source deleted, unpacked again, moved to the other folder, deleted for
// good; the file names as list prints them.
TEST_F(FileOpsCommand, PacksUnpacksMovesAndDeletes) {
    ASSERT_EQ(run("compress", {"Mario.nes", "--delete-source"}), 0) << printed;
    EXPECT_TRUE(has("roms/Mario.zip"));
    EXPECT_FALSE(has("roms/Mario.nes"));
    ASSERT_EQ(run("decompress", {"--all"}), 0) << printed;
    EXPECT_EQ(dir.read("roms/Mario.nes"), std::string(3000, 'm'));
    ASSERT_EQ(run("move", {"Zelda.nes", "--to", "1"}), 0) << printed;
    EXPECT_EQ(dir.read("other/Zelda.nes"), "zelda");
    ASSERT_EQ(run("delete", {"Zelda.nes", "--permanent"}), 0) << printed;
    EXPECT_FALSE(has("other/Zelda.nes"));
    EXPECT_EQ(run("move", {"Mario.nes"}), 64);     // no destination
    EXPECT_EQ(run("delete", {"Missing.nes"}), 2);  // not listed
    EXPECT_TRUE(has("roms/Mario.nes"));
}

}  // namespace
